// Runs the program's own code on the scripted host, from a clean state.
#pragma once

#include "runtime/win32/windows.h"
#include "tests/support/test_env.h"

namespace ember::test {

// Puts every program global back as at process start.
void ResetProgram();

// Releases whatever the program created, in the shutdown order, input devices included.
void ShutDownProgram();
void ReleaseInputDevices();

// The program's window class and window, as WinMain makes them.
HWND CreateProgramWindow();

}  // namespace ember::test
