#include "scene/flame_scene.h"

#include "app/app_state.h"

IDirect3DSurface9* g_backBuffer = nullptr;
IDirect3DSurface9* g_backgroundSurface = nullptr;

int LoadFlameScene() { return 1; }

HRESULT RenderFlameFrame() {
  g_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0x00000000,
                  1.0f, 0);
  return g_device->Present(nullptr, nullptr, nullptr, nullptr);
}
