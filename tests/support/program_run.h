// Runs the program's own code on the scripted host, from a clean state.
#pragma once

#include "runtime/win32/windows.h"
#include "tests/support/test_env.h"

namespace ember::test {

// Puts every program global back as at process start.
void ResetProgram();

// The program's window class and window, as WinMain makes them.
HWND CreateProgramWindow();

}  // namespace ember::test
