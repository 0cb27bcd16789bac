#include "app/main_loop.h"

#include "app/app_state.h"
#include "app/intro_menu.h"
#include "app/log.h"
#include "app/window_proc.h"
#include "input/keyboard.h"
#include "overlay/text_font.h"
#include "scene/flame_scene.h"
#include "scene/mesh_object.h"

const char* const g_windowTitle = "EMBERLAB - by TAVEK";

namespace {

const int kIconResource = 102;

bool RegisterMainClass(HINSTANCE instance) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(WNDCLASSEXA);
  wc.style = CS_CLASSDC;
  wc.lpfnWndProc = WindowProc;
  wc.cbClsExtra = 0;
  wc.cbWndExtra = 0;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kIconResource));
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = nullptr;
  wc.lpszMenuName = nullptr;
  wc.lpszClassName = g_windowTitle;
  wc.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(kIconResource));
  return RegisterClassExA(&wc) != 0;
}

// Advances the phase clock after a logo or loading frame; runs the phase's one-time work on the
// first tick that measures two seconds.
void TimedPhaseTick(void (*oneTimeWork)()) {
  DrawIntroFrame();
  g_elapsedSeconds = (timeGetTime() - g_phaseStartTime) / 1000;
  if (!g_phaseInitDone && g_elapsedSeconds > 1) {
    oneTimeWork();
    g_phaseInitDone = true;
  }
}

void RunInitMenu() { InitMenu(); }
void RunLoadFlameScene() { LoadFlameScene(); }

}  // namespace

void LogoTick() { TimedPhaseTick(RunInitMenu); }

void LoadingTick() { TimedPhaseTick(RunLoadFlameScene); }

void DemoTick() {
  g_frameStartTime = timeGetTime();
  RenderFlameFrame();
  g_frameDurationMs = timeGetTime() - g_frameStartTime;
}

void IdlePass() {
  if (g_elapsedSeconds < 2 && g_logoActive) {
    LogoTick();
    return;
  }
  g_logoActive = false;
  // The menu runs its frames back to back: no window message is handled meanwhile.
  while (!g_startChosen) MenuStep();
  if (!g_menuLeft) {
    g_elapsedSeconds = 0;
    g_phaseInitDone = false;
    g_phaseClockRunning = false;
    g_menuLeft = true;
  }
  if (g_elapsedSeconds < 5) {
    LoadingTick();
    return;
  }
  if (!g_introReleased) {
    g_introReleased = true;
    ReleaseIntroImages();
  }
  DemoTick();
}

void ReleaseScene() {
  ReleaseIfSet(g_introSprite);
  ReleaseFlameEffectAndTextures();
  ReleaseIfSet(g_textFont);
  ReleaseInput();
  ReleaseIfSet(g_backgroundSurface);
  ReleaseIfSet(g_backBuffer);
  // Beyond the list above: the intro pictures (when the demo was never reached), the mesh and
  // the compiler's text go too, so nothing outlives the device.
  ReleaseIntroImages();
  g_flameObject = SceneObject();
  ReleaseMeshContainer(g_flameMesh);
  ReleaseIfSet(g_effectErrors);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  CoInitialize(nullptr);
  if (!RegisterMainClass(instance)) return 0;
  HWND window =
      CreateWindowExA(0, g_windowTitle, g_windowTitle, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0,
                      0, g_screenWidth, g_screenHeight, nullptr, nullptr, instance, nullptr);
  if (!window) return 0;
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  g_mainWindow = window;
  g_instance = instance;

  if (InitVideo(g_mainWindow) < 0) {
    OutputDebugStringA("Inizializzazione Video Fallita");
    OutputDebugStringA("\n");
    ReleaseIntroImages();
    return E_FAIL;
  }
  ShowCursor(FALSE);

  MSG msg;
  for (;;) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) break;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      continue;
    }
    IdlePass();
  }

  ReleaseMenu();
  ReleaseScene();
  ReleaseIfSet(g_device);
  ReleaseIfSet(g_direct3D);
  CloseLog();
  ShowCursor(TRUE);
  UnregisterClassA(g_windowTitle, instance);
  CoUninitialize();
  return 0;
}
