#include "tests/support/program_run.h"

#include "app/app_state.h"
#include "app/log.h"
#include "app/main_loop.h"
#include "app/screenshot.h"
#include "app/window_proc.h"

namespace ember::test {

void ResetProgram() {
  ResetAppState();
  CloseLog();
  g_screenshotCounter = 0;
}

HWND CreateProgramWindow() {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_CLASSDC;
  wc.lpfnWndProc = WindowProc;
  wc.lpszClassName = g_windowTitle;
  RegisterClassExA(&wc);
  HWND w = CreateWindowExA(0, g_windowTitle, g_windowTitle, WS_CAPTION | WS_SYSMENU, 0, 0,
                           g_screenWidth, g_screenHeight, nullptr, nullptr, nullptr, nullptr);
  g_mainWindow = w;
  return w;
}

}  // namespace ember::test
