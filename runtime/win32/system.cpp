// Clocks, debug output, COM start-up and the C runtime's file calls.
#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "runtime/host/host.h"
#include "runtime/win32/io.h"
#include "runtime/win32/win32_internal.h"

namespace ember::win32 {
namespace {
DebugOutputSink g_sink = nullptr;
void* g_sinkContext = nullptr;
int g_comInitCount = 0;
}  // namespace

void SetDebugOutputSink(DebugOutputSink sink, void* context) {
  g_sink = sink;
  g_sinkContext = context;
}
}  // namespace ember::win32

using namespace ember::win32;

DWORD timeGetTime() { return ember::host::Current().Milliseconds(); }

DWORD GetTickCount() { return ember::host::Current().Milliseconds(); }

void OutputDebugStringA(LPCSTR text) {
  if (!text) return;
  if (g_sink) {
    g_sink(text, g_sinkContext);
    return;
  }
  // One write a call, unbuffered, so the order of the writes is kept even across a crash.
  size_t left = std::strlen(text);
  while (left > 0) {
    ssize_t n = write(STDERR_FILENO, text, left);
    if (n <= 0) break;
    text += n;
    left -= size_t(n);
  }
}

HRESULT CoInitialize(LPVOID) { return g_comInitCount++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
  if (g_comInitCount > 0) --g_comInitCount;
}

int _creat(const char* fileName, int permission) {
  char path[4096];
  if (!ToHostPath(fileName, path, sizeof path)) return -1;
  // Windows knows only read-only or read-write; read-write is a normal file for its owner.
  mode_t mode = (permission & _S_IWRITE) ? 0644 : 0444;
  return open(path, O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, mode);
}

int _close(int handle) { return handle < 0 ? -1 : close(handle); }
