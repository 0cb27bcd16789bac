#include "tests/support/device_fixture.h"

namespace ember::test {

namespace {
LRESULT CALLBACK TestWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  return DefWindowProcA(w, m, wp, lp);
}
}  // namespace

DeviceFixture::DeviceFixture(bool windowed) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = TestWindowProc;
  wc.lpszClassName = "test";
  RegisterClassExA(&wc);
  window = CreateWindowExA(0, "test", "test", WS_CAPTION, 0, 0, 1040, 807, nullptr, nullptr,
                           nullptr, nullptr);
  d3d = Direct3DCreate9(D3D_SDK_VERSION);
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = 1024;
  pp.BackBufferHeight = 768;
  pp.BackBufferFormat = D3DFMT_X8R8G8B8;
  pp.BackBufferCount = 1;
  pp.SwapEffect = D3DSWAPEFFECT_COPY;
  pp.Windowed = windowed ? TRUE : FALSE;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D24S8;
  pp.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  createStatus = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                   D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device);
}

DeviceFixture::~DeviceFixture() {
  if (device) device->Release();
  if (d3d) d3d->Release();
}

uint32_t DeviceFixture::BackBufferPixel(int x, int y) {
  IDirect3DSurface9* back = nullptr;
  if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back))) return 0xDEADBEEF;
  D3DLOCKED_RECT locked{};
  uint32_t value = 0xDEADBEEF;
  if (SUCCEEDED(back->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
    const uint8_t* row = static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch;
    value = reinterpret_cast<const uint32_t*>(row)[x];
    back->UnlockRect();
  }
  back->Release();
  return value;
}

}  // namespace ember::test
