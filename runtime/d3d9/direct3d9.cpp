// The Direct3D object: the one adapter is the host's desktop and its GL driver.
#include <string>

#include "runtime/com/com_object.h"
#include "runtime/d3d9/caps.h"
#include "runtime/d3d9/device.h"
#include "runtime/d3d9/gl_context.h"
#include "runtime/host/host.h"
#include "runtime/win32/win32_internal.h"

namespace ember::d3d9 {

namespace {

host::GLDriver DriverFor(D3DDEVTYPE type) {
  return type == D3DDEVTYPE_REF ? host::GLDriver::Software : host::GLDriver::System;
}

class Direct3D9 : public com::ComObject<IDirect3D9> {
 public:
  ~Direct3D9() override { ReleaseGLContext(); }

  UINT GetAdapterCount() override { return 1; }

  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override {
    if (adapter != D3DADAPTER_DEFAULT || !mode) return D3DERR_INVALIDCALL;
    host::Host& h = host::Current();
    host::Rect desktop = h.DesktopBounds();
    *mode = D3DDISPLAYMODE{UINT(desktop.w), UINT(desktop.h), UINT(h.DesktopRefreshRate()),
                           D3DFMT_X8R8G8B8};
    return D3D_OK;
  }

  HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override {
    if (adapter != D3DADAPTER_DEFAULT || !caps) return D3DERR_INVALIDCALL;
    if (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF) return D3DERR_INVALIDCALL;
    std::string description;
    // The capabilities are those of a real context: without one the device kind is missing.
    if (!EnsureGLContext(DriverFor(type), description)) return D3DERR_NOTAVAILABLE;
    FillCaps(type, *caps);
    return D3D_OK;
  }

  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviour,
                       D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) override {
    if (!device) return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (adapter != D3DADAPTER_DEFAULT || !parameters) return D3DERR_INVALIDCALL;
    if (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF) return D3DERR_INVALIDCALL;
    HWND window = parameters->hDeviceWindow ? parameters->hDeviceWindow : focusWindow;
    if (!win32::IsLiveWindow(window)) return D3DERR_INVALIDCALL;
    if (!ValidBehaviour(behaviour) || !ValidParameters(*parameters)) return D3DERR_INVALIDCALL;
    HRESULT status = D3D_OK;
    Device* created = Device::Create(this, type, focusWindow, behaviour, *parameters, status);
    if (!created) return status;
    *device = created;
    return D3D_OK;
  }

 private:
  static bool ValidBehaviour(DWORD behaviour) {
    DWORD modes =
        behaviour & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
                     D3DCREATE_MIXED_VERTEXPROCESSING);
    return modes == D3DCREATE_SOFTWARE_VERTEXPROCESSING ||
           modes == D3DCREATE_HARDWARE_VERTEXPROCESSING ||
           modes == D3DCREATE_MIXED_VERTEXPROCESSING;
  }

  static bool ValidParameters(const D3DPRESENT_PARAMETERS& p) {
    if (p.BackBufferCount > 3 || p.MultiSampleType != D3DMULTISAMPLE_NONE) return false;
    if (p.SwapEffect < D3DSWAPEFFECT_DISCARD || p.SwapEffect > D3DSWAPEFFECT_COPY) return false;
    if (p.BackBufferWidth > 16384 || p.BackBufferHeight > 16384) return false;
    bool formatOk = p.BackBufferFormat == D3DFMT_X8R8G8B8 ||
                    p.BackBufferFormat == D3DFMT_A8R8G8B8 ||
                    (p.Windowed && p.BackBufferFormat == D3DFMT_UNKNOWN);
    if (!formatOk) return false;
    if (!p.Windowed && (p.BackBufferWidth == 0 || p.BackBufferHeight == 0)) return false;
    if (p.EnableAutoDepthStencil && p.AutoDepthStencilFormat != D3DFMT_D24S8 &&
        p.AutoDepthStencilFormat != D3DFMT_D24X8 && p.AutoDepthStencilFormat != D3DFMT_D16)
      return false;
    return true;
  }
};

}  // namespace

}  // namespace ember::d3d9

IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion) {
  if (sdkVersion != D3D_SDK_VERSION) return nullptr;
  // Without a display or a GL driver Direct3D is missing, as on a machine without DirectX 9:
  // the program's own message takes over from here.
  std::string why;
  if (!ember::d3d9::GraphicsAvailable(why)) {
    if (!why.empty()) OutputDebugStringA(("Direct3D9: unavailable, " + why + "\n").c_str());
    return nullptr;
  }
  return new ember::d3d9::Direct3D9();
}
