#include "runtime/d3d9/device.h"

#include <cstdio>
#include <string>

#include "runtime/d3d9/caps.h"
#include "runtime/d3d9/gl_context.h"
#include "runtime/d3d9/surface.h"
#include "runtime/host/host.h"
#include "runtime/win32/win32_internal.h"

namespace ember::d3d9 {

Device* Device::Create(IDirect3D9* direct3D, D3DDEVTYPE type, HWND focusWindow, DWORD behaviour,
                       const D3DPRESENT_PARAMETERS& parameters, HRESULT& status) {
  Device* device = new Device();
  if (!device->Init(direct3D, type, focusWindow, behaviour, parameters)) {
    device->Release();
    status = D3DERR_NOTAVAILABLE;
    return nullptr;
  }
  status = D3D_OK;
  return device;
}

bool Device::Init(IDirect3D9* direct3D, D3DDEVTYPE type, HWND focusWindow, DWORD behaviour,
                  const D3DPRESENT_PARAMETERS& parameters) {
  host::GLDriver driver =
      type == D3DDEVTYPE_REF ? host::GLDriver::Software : host::GLDriver::System;
  std::string description;
  if (!EnsureGLContext(driver, description)) return false;
  hasContext_ = true;

  host::Host& h = host::Current();
  present_ = parameters;
  if (present_.Windowed) {
    host::Rect client = h.ClientRect();
    if (present_.BackBufferWidth == 0) present_.BackBufferWidth = UINT(client.w);
    if (present_.BackBufferHeight == 0) present_.BackBufferHeight = UINT(client.h);
    if (present_.BackBufferFormat == D3DFMT_UNKNOWN) present_.BackBufferFormat = D3DFMT_X8R8G8B8;
  }
  if (present_.BackBufferCount == 0) present_.BackBufferCount = 1;
  present_.hDeviceWindow = parameters.hDeviceWindow ? parameters.hDeviceWindow : focusWindow;

  const UINT w = present_.BackBufferWidth, h2 = present_.BackBufferHeight;
  bool depth = present_.EnableAutoDepthStencil != FALSE;
  if (!backBuffer_.Create(int(w), int(h2), depth) || !frontBuffer_.Create(int(w), int(h2), false))
    return false;

  CreateTextureState();
  creation_ = D3DDEVICE_CREATION_PARAMETERS{D3DADAPTER_DEFAULT, type, focusWindow, behaviour};
  FillCaps(type, caps_);
  states_ = DeviceStates(depth);
  viewport_ = D3DVIEWPORT9{0, 0, w, h2, 0.0f, 1.0f};
  backBufferSurface_ =
      Surface::CreateBackBuffer(this, w, h2, present_.BackBufferFormat,
                                (present_.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0);
  direct3D_ = direct3D;
  direct3D_->AddRef();

  if (!present_.Windowed) h.SetFullscreen(true);
  h.PumpEvents();

  // What a user reporting a problem needs: which driver really draws.
  char line[800];
  const char* capture = h.ScreenCaptureSource();
  std::snprintf(line, sizeof line, "Direct3D9: %s device, %s, screenshots %s\n",
                type == D3DDEVTYPE_REF ? "REF" : "HAL", description.c_str(),
                capture ? (std::string("of ") + capture).c_str()
                        : "composed from our own frames (no screen pixels here)");
  OutputDebugStringA(line);

  // A new back buffer starts black, as the window does.
  Clear(0, nullptr, D3DCLEAR_TARGET | (depth ? D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL : 0), 0, 1.0f,
        0);
  return true;
}

Device::~Device() {
  delete backBufferSurface_;
  if (hasContext_) {
    DestroyDrawState();
    DestroyTextureState();
    backBuffer_.Destroy();
    frontBuffer_.Destroy();
    if (!present_.Windowed) host::Current().SetFullscreen(false);
    ReleaseGLContext();
  }
  if (direct3D_) direct3D_->Release();
}

HRESULT Device::GetDirect3D(IDirect3D9** direct3D) {
  if (!direct3D) return D3DERR_INVALIDCALL;
  direct3D_->AddRef();
  *direct3D = direct3D_;
  return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS9* caps) {
  if (!caps) return D3DERR_INVALIDCALL;
  *caps = caps_;
  return D3D_OK;
}

HRESULT Device::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) {
  if (swapChain != 0 || !mode) return D3DERR_INVALIDCALL;
  return direct3D_->GetAdapterDisplayMode(creation_.AdapterOrdinal, mode);
}

HRESULT Device::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) {
  if (!parameters) return D3DERR_INVALIDCALL;
  *parameters = creation_;
  return D3D_OK;
}

HRESULT Device::GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type,
                              IDirect3DSurface9** surface) {
  if (!surface) return D3DERR_INVALIDCALL;
  *surface = nullptr;
  if (swapChain != 0 || backBuffer >= present_.BackBufferCount || type != D3DBACKBUFFER_TYPE_MONO)
    return D3DERR_INVALIDCALL;
  backBufferSurface_->AddRef();
  *surface = backBufferSurface_;
  return D3D_OK;
}

HRESULT Device::BeginScene() {
  if (inScene_) return D3DERR_INVALIDCALL;
  inScene_ = true;
  return D3D_OK;
}

HRESULT Device::EndScene() {
  if (!inScene_) return D3DERR_INVALIDCALL;
  inScene_ = false;
  return D3D_OK;
}

void Device::BindBackBuffer() {
  gl_.BindFramebuffer(backBuffer_.framebuffer);
  gl_.Viewport(int(viewport_.X), int(viewport_.Y), int(viewport_.Width), int(viewport_.Height));
  gl_.DepthRange(viewport_.MinZ, viewport_.MaxZ);
}

HRESULT Device::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                      DWORD stencil) {
  const DWORD known = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
  if (flags == 0 || (flags & ~known) || (count > 0 && !rects)) return D3DERR_INVALIDCALL;
  if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !backBuffer_.depthStencil)
    return D3DERR_INVALIDCALL;

  BindBackBuffer();
  GLbitfield mask = 0;
  if (flags & D3DCLEAR_TARGET) {
    gl_.ColorMask(0xF);
    gl_.ClearColor(float((color >> 16) & 0xFF) / 255.0f, float((color >> 8) & 0xFF) / 255.0f,
                   float(color & 0xFF) / 255.0f, float(color >> 24) / 255.0f);
    mask |= GL_COLOR_BUFFER_BIT;
  }
  if (flags & D3DCLEAR_ZBUFFER) {
    gl_.DepthMask(true);
    gl_.ClearDepth(z < 0.0f ? 0.0f : (z > 1.0f ? 1.0f : z));
    mask |= GL_DEPTH_BUFFER_BIT;
  }
  if (flags & D3DCLEAR_STENCIL) {
    gl_.StencilMask(0xFF);
    gl_.ClearStencil(int(stencil & 0xFF));
    mask |= GL_STENCIL_BUFFER_BIT;
  }
  states_.MarkDirty(kGroupBlend | kGroupDepth | kGroupStencil | kGroupRaster);

  // Direct3D clears the viewport, or the given rectangles within it. Rows are Direct3D's
  // top-down rows (see gl_conventions.h).
  const LONG vx0 = LONG(viewport_.X), vy0 = LONG(viewport_.Y);
  const LONG vx1 = vx0 + LONG(viewport_.Width), vy1 = vy0 + LONG(viewport_.Height);
  if (count == 0) {
    gl_.Scissor(true, vx0, vy0, vx1 - vx0, vy1 - vy0);
    glClear(mask);
    return D3D_OK;
  }
  for (DWORD i = 0; i < count; ++i) {
    LONG x0 = rects[i].x1 > vx0 ? rects[i].x1 : vx0;
    LONG y0 = rects[i].y1 > vy0 ? rects[i].y1 : vy0;
    LONG x1 = rects[i].x2 < vx1 ? rects[i].x2 : vx1;
    LONG y1 = rects[i].y2 < vy1 ? rects[i].y2 : vy1;
    if (x0 >= x1 || y0 >= y1) continue;
    gl_.Scissor(true, x0, y0, x1 - x0, y1 - y0);
    glClear(mask);
  }
  return D3D_OK;
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
  int slot = DeviceStates::TransformSlot(state);
  if (slot < 0 || !matrix) return D3DERR_INVALIDCALL;
  states_.transforms[slot] = *matrix;
  return D3D_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
  int slot = DeviceStates::TransformSlot(state);
  if (slot < 0 || !matrix) return D3DERR_INVALIDCALL;
  *matrix = states_.transforms[slot];
  return D3D_OK;
}

HRESULT Device::SetViewport(const D3DVIEWPORT9* viewport) {
  if (!viewport || viewport->Width == 0 || viewport->Height == 0 ||
      viewport->X + viewport->Width > present_.BackBufferWidth ||
      viewport->Y + viewport->Height > present_.BackBufferHeight ||
      !(viewport->MinZ >= 0.0f && viewport->MinZ <= 1.0f) ||
      !(viewport->MaxZ >= 0.0f && viewport->MaxZ <= 1.0f))
    return D3DERR_INVALIDCALL;
  viewport_ = *viewport;
  return D3D_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT9* viewport) {
  if (!viewport) return D3DERR_INVALIDCALL;
  *viewport = viewport_;
  return D3D_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  if (!DeviceStates::ValidRenderState(state)) return D3DERR_INVALIDCALL;
  states_.SetRender(state, value);
  return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  if (!DeviceStates::ValidRenderState(state) || !value) return D3DERR_INVALIDCALL;
  *value = states_.Render(state);
  return D3D_OK;
}

HRESULT Device::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  int slot = DeviceStates::SamplerSlot(sampler);
  if (slot < 0 || type == 0 || type >= DeviceStates::kSamplerStateCount) return D3DERR_INVALIDCALL;
  states_.SetSampler(slot, type, value);
  return D3D_OK;
}

HRESULT Device::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
  int slot = DeviceStates::SamplerSlot(sampler);
  if (slot < 0 || type == 0 || type >= DeviceStates::kSamplerStateCount || !value)
    return D3DERR_INVALIDCALL;
  *value = states_.Sampler(slot, type);
  return D3D_OK;
}

}  // namespace ember::d3d9
