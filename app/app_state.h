// Application state shared across the program: the window, the device, the phase clock and
// flags, and the timing of demo frames.
#pragma once

#include "video/graphics.h"

extern HWND g_mainWindow;
extern HINSTANCE g_instance;
extern IDirect3D9* g_direct3D;
extern IDirect3DDevice9* g_device;

constexpr int g_screenWidth = 1024;
constexpr int g_screenHeight = 768;

extern DWORD g_elapsedSeconds;
extern DWORD g_phaseStartTime;
extern bool g_phaseClockRunning;
extern bool g_logoActive;
extern bool g_phaseInitDone;
extern bool g_startChosen;
extern bool g_menuLeft;
extern bool g_introReleased;
extern DWORD g_frameStartTime;
extern DWORD g_frameDurationMs;

// Starts the phase clock if it is not running.
void StartPhaseClock();

// Releases an object the program holds and forgets it; nothing when it holds none.
template <class T>
void ReleaseIfSet(T*& object) {
  if (!object) return;
  object->Release();
  object = nullptr;
}

// Puts every value back as at process start, so that tests can run the program again.
void ResetAppState();
