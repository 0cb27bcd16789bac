#include "app/screenshot.h"

#include <cstdio>

#include "app/app_state.h"
#include "input/keyboard.h"

int g_screenshotCounter = 0;

void ScreenshotFileName(int counter, char* name, int size) {
  std::snprintf(name, size_t(size), counter < 10 ? "screenshot0%d.bmp" : "screenshot%d.bmp",
                counter);
}

bool SaveScreenshot(const char* fileName) {
  D3DDEVICE_CREATION_PARAMETERS creation{};
  g_device->GetCreationParameters(&creation);
  IDirect3D9* d3d = nullptr;
  g_device->GetDirect3D(&d3d);
  D3DDISPLAYMODE mode{};
  d3d->GetAdapterDisplayMode(creation.AdapterOrdinal, &mode);
  IDirect3DSurface9* capture = nullptr;
  bool written = false;
  if (SUCCEEDED(g_device->CreateOffscreenPlainSurface(mode.Width, mode.Height, D3DFMT_A8R8G8B8,
                                                      D3DPOOL_SCRATCH, &capture, nullptr))) {
    g_device->GetFrontBufferData(0, capture);
    RECT window{};
    GetWindowRect(g_mainWindow, &window);
    written = D3DXSaveSurfaceToFileA(fileName, D3DXIFF_BMP, capture, nullptr, &window) == S_OK;
    capture->Release();
  }
  d3d->Release();
  return written;
}

void HandleScreenshotKey() {
  if (!g_keyboard.IsKeyDown(DIK_S)) return;
  // Large enough for any int counter.
  char name[32];
  ScreenshotFileName(g_screenshotCounter, name, sizeof name);
  SaveScreenshot(name);
  ++g_screenshotCounter;
}
