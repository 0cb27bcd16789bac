#include "app/intro_menu.h"

#include <cstdlib>

#include "app/app_state.h"
#include "video/display_device.h"

int InitVideo(HWND window) {
  CreateDisplayDevice(&g_direct3D, &g_device, window, 0, 0);
  if (!g_device) return E_FAIL;
  return 1;
}

HRESULT DrawIntroFrame() {
  StartPhaseClock();
  g_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  g_device->BeginScene();
  g_device->EndScene();
  return g_device->Present(nullptr, nullptr, nullptr, nullptr);
}

void ReleaseIntroImages() {}

int InitMenu() { return 1; }

void MenuStep() {
  DrawMenuFrame();
  if (GetAsyncKeyState(VK_ESCAPE) != 0) std::exit(0);
}

void DrawMenuFrame() {
  g_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  g_device->BeginScene();
  g_device->EndScene();
  g_device->Present(nullptr, nullptr, nullptr, nullptr);
}

void ReleaseMenu() {}
