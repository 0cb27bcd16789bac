#include "overlay/frame_rate.h"

#include <cstdint>

#include "runtime/win32/windows.h"

namespace {
int g_frameCount = 0;
DWORD g_windowStart = 0;
bool g_started = false;
float g_rate = 0.0f;
}  // namespace

float GetFrameRate() {
  ++g_frameCount;
  DWORD now = GetTickCount();
  // The first window begins at the first call, so the first rate shown is a measured one.
  if (!g_started) {
    g_started = true;
    g_windowStart = now;
  }
  int32_t elapsed = int32_t(now - g_windowStart);
  if (elapsed >= 1000) {
    g_rate = float(g_frameCount * 1000.0 / elapsed);
    g_windowStart = now;
    g_frameCount = 0;
  }
  return g_rate;
}

void ResetFrameRate() {
  g_frameCount = 0;
  g_windowStart = 0;
  g_started = false;
  g_rate = 0.0f;
}
