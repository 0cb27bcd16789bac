// IDirect3DDevice9 over an OpenGL 3.3 core context: the back buffer is an offscreen framebuffer
// of the presentation size, and Present shows it in the window.
#pragma once

#include <vector>

#include "runtime/d3d9/com_object.h"
#include "runtime/d3d9/d3d9.h"
#include "runtime/d3d9/device_states.h"
#include "runtime/d3d9/gl_state_cache.h"
#include "runtime/d3d9/render_target.h"
#include "runtime/d3d9/surface_upload.h"
#include "runtime/d3d9/texture_stages.h"

namespace ember::d3d9 {

class Surface;

class Device : public ComObject<IDirect3DDevice9> {
 public:
  // Creates the device on the current host window's GL context; null and a status on failure.
  static Device* Create(IDirect3D9* direct3D, D3DDEVTYPE type, HWND focusWindow, DWORD behaviour,
                        const D3DPRESENT_PARAMETERS& parameters, HRESULT& status);
  ~Device() override;

  HRESULT GetDirect3D(IDirect3D9** direct3D) override;
  HRESULT GetDeviceCaps(D3DCAPS9* caps) override;
  HRESULT GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) override;
  HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) override;
  HRESULT GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type,
                        IDirect3DSurface9** surface) override;
  HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                  const RGNDATA* dirtyRegion) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                DWORD stencil) override;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
  HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;
  HRESULT GetViewport(D3DVIEWPORT9* viewport) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
  HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                        D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* sharedHandle) override;
  HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DSurface9** surface, HANDLE* sharedHandle) override;
  HRESULT UpdateSurface(IDirect3DSurface9* sourceSurface, const RECT* sourceRect,
                        IDirect3DSurface9* destinationSurface, const POINT* destPoint) override;
  HRESULT GetFrontBufferData(UINT swapChain, IDirect3DSurface9* destSurface) override;
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
  HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override;
  void SetCursorPosition(int x, int y, DWORD flags) override;

  // For the rest of the runtime.
  GLStateCache& GL() { return gl_; }
  DeviceStates& States() { return states_; }
  const RenderTarget& BackBufferTarget() const { return backBuffer_; }
  const RenderTarget& FrontBufferTarget() const { return frontBuffer_; }
  const D3DPRESENT_PARAMETERS& PresentParameters() const { return present_; }
  bool InScene() const { return inScene_; }
  // Binds the back buffer with the current viewport, ready to draw.
  void BindBackBuffer();
  TextureStages& Textures() { return textures_; }
  // Binds the textures and samplers of the stages a draw samples (bit i: stage i).
  void ApplyTextures(unsigned stageMask) { textures_.Apply(stageMask, states_); }
  const SurfaceUpload& UpdateSurfaceCopy() const { return upload_; }
  // Where the program last put the (never shown) hardware cursor.
  POINT CursorPosition() const { return cursor_; }

 private:
  Device() = default;
  bool Init(IDirect3D9* direct3D, D3DDEVTYPE type, HWND focusWindow, DWORD behaviour,
            const D3DPRESENT_PARAMETERS& parameters);
  void ShowInWindow();
  void CreateTextureState();
  void DestroyTextureState();

  IDirect3D9* direct3D_ = nullptr;
  D3DDEVICE_CREATION_PARAMETERS creation_{};
  D3DPRESENT_PARAMETERS present_{};
  D3DCAPS9 caps_{};
  RenderTarget backBuffer_;
  RenderTarget frontBuffer_;
  Surface* backBufferSurface_ = nullptr;
  GLStateCache gl_;
  DeviceStates states_;
  D3DVIEWPORT9 viewport_{};
  TextureStages textures_;
  SurfaceUpload upload_;
  POINT cursor_{0, 0};
  bool inScene_ = false;
  bool hasContext_ = false;
};

}  // namespace ember::d3d9
