#include "app/app_state.h"

HWND g_mainWindow = nullptr;
HINSTANCE g_instance = nullptr;
IDirect3D9* g_direct3D = nullptr;
IDirect3DDevice9* g_device = nullptr;

DWORD g_elapsedSeconds = 0;
DWORD g_phaseStartTime = 0;
bool g_phaseClockRunning = false;
bool g_logoActive = true;
bool g_phaseInitDone = false;
bool g_startChosen = false;
bool g_menuLeft = false;
bool g_introReleased = false;
DWORD g_frameStartTime = 0;
DWORD g_frameDurationMs = 0;

void StartPhaseClock() {
  if (g_phaseClockRunning) return;
  g_phaseStartTime = timeGetTime();
  g_phaseClockRunning = true;
}

void ResetAppState() {
  g_mainWindow = nullptr;
  g_instance = nullptr;
  g_direct3D = nullptr;
  g_device = nullptr;
  g_elapsedSeconds = 0;
  g_phaseStartTime = 0;
  g_phaseClockRunning = false;
  g_logoActive = true;
  g_phaseInitDone = false;
  g_startChosen = false;
  g_menuLeft = false;
  g_introReleased = false;
  g_frameStartTime = 0;
  g_frameDurationMs = 0;
}
