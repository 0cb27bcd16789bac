#include "tests/support/program_run.h"

#include "app/app_state.h"
#include "app/intro_menu.h"
#include "app/log.h"
#include "app/main_loop.h"
#include "app/screenshot.h"
#include "app/window_proc.h"
#include "input/keyboard.h"
#include "input/mouse.h"
#include "overlay/frame_rate.h"
#include "overlay/image_button.h"

namespace ember::test {

namespace {}  // namespace

void ReleaseInputDevices() {
  if (g_keyboard.device) g_keyboard.device->Unacquire();
  ReleaseIfSet(g_keyboard.device);
  g_keyboard.acquired = 0;
  if (g_mouse.device) g_mouse.device->Unacquire();
  ReleaseIfSet(g_mouse.device);
  ReleaseIfSet(g_mouse.cursorTexture);
  ReleaseIfSet(g_mouse.cursorSprite);
  g_mouse.acquired = 0;
  g_mouse.x = g_mouse.y = 0;
  g_mouse.mouseState = DIMOUSESTATE{};
  ReleaseInput();
}

void ResetProgram() {
  ResetAppState();
  CloseLog();
  g_screenshotCounter = 0;
  ResetFrameRate();
  g_instance = reinterpret_cast<HINSTANCE>(GetModuleHandleA(nullptr));
}

void ShutDownProgram() {
  ReleaseMenu();
  ReleaseIntroImages();
  ReleaseScene();
  ReleaseInputDevices();
  ReleaseIfSet(g_device);
  ReleaseIfSet(g_direct3D);
  CloseLog();
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
