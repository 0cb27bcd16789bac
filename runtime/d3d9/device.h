// IDirect3DDevice9 over an OpenGL 3.3 core context: the back buffer is an offscreen framebuffer
// of the presentation size, and Present shows it in the window.
#pragma once

#include <vector>

#include "runtime/com/com_object.h"
#include "runtime/d3d9/d3d9.h"
#include "runtime/d3d9/device_states.h"
#include "runtime/d3d9/gl_state_cache.h"
#include "runtime/d3d9/render_target.h"
#include "runtime/d3d9/screen_quads.h"
#include "runtime/d3d9/surface_upload.h"
#include "runtime/d3d9/texture_stages.h"
#include "runtime/d3d9/vertex_arrays.h"

namespace ember::d3d9 {

class Surface;
class VertexDeclaration;
class VertexBuffer;
class IndexBuffer;

class Device : public com::ComObject<IDirect3DDevice9> {
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
  HRESULT CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage,
                              D3DFORMAT format, D3DPOOL pool, IDirect3DVolumeTexture9** texture,
                              HANDLE* sharedHandle) override;
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
  HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override;
  void SetCursorPosition(int x, int y, DWORD flags) override;
  HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* vertexElements,
                                  IDirect3DVertexDeclaration9** declaration) override;
  HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) override;
  HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** declaration) override;
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer9** vertexBuffer, HANDLE* sharedHandle) override;
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** indexBuffer, HANDLE* sharedHandle) override;
  HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData, UINT offsetInBytes,
                          UINT stride) override;
  HRESULT GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9** streamData,
                          UINT* offsetInBytes, UINT* stride) override;
  HRESULT SetIndices(IDirect3DIndexBuffer9* indexData) override;
  HRESULT GetIndices(IDirect3DIndexBuffer9** indexData) override;
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex,
                        UINT primitiveCount) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, INT baseVertexIndex,
                               UINT minVertexIndex, UINT numVertices, UINT startIndex,
                               UINT primCount) override;
  HRESULT CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** query) override;

  // For the device's own parts (surfaces, textures, programs, screen quads): d3d9 only.
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

  // The GL program the next draws run, set by whoever owns it (an effect pass), and the
  // sampler stages it reads (bit i: stage i); each draw makes it current through the GL cache,
  // so code that needs it current in between (uniform uploads) uses GL().UseProgram too.
  // There is no fixed-function pipeline: with program 0, draws fail with D3DERR_INVALIDCALL.
  // The device does not own the program.
  void UseProgram(GLuint program, unsigned samplerStageMask);
  GLuint Program() const { return program_; }
  unsigned ProgramSamplers() const { return programSamplers_; }
  // Serials for the objects a draw binds; never 0.
  uint32_t NextSerial() { return ++lastSerial_; }
  // An object with this serial is going away: the vertex arrays built over it go too.
  void ForgetDrawResource(uint32_t serial) { vertexArrays_.Forget(gl_, serial); }
  const VertexArrayCache& VertexArrays() const { return vertexArrays_; }

  // D3DX's sprite and font draw through these, as on Windows they draw through the device:
  // quads in render-target pixels with stage 0's texture, into the back buffer; the render
  // states they pass over come back at the next draw. Prepare builds the GL side once and is
  // false when GL refused it.
  bool PrepareScreenQuads() { return screenQuads_.Create(); }
  void DrawScreenQuads(const ScreenVertex* vertices, int quads, bool alphaBlend) {
    screenQuads_.Draw(*this, vertices, quads, alphaBlend);
  }

 private:
  Device() = default;
  bool Init(IDirect3D9* direct3D, D3DDEVTYPE type, HWND focusWindow, DWORD behaviour,
            const D3DPRESENT_PARAMETERS& parameters);
  void ShowInWindow();
  // Where the platform gives no screen pixels: a black desktop with the last presented frame
  // where the window shows it.
  void ComposeScreen(uint8_t* bits, size_t pitch, int screenW, int screenH);
  void CreateTextureState();
  void DestroyTextureState();
  void DestroyDrawState();
  // Validates what the draw reads: the program, the declaration, and vertices first to
  // first + count - 1 of every stream the declaration reads.
  HRESULT CheckDrawInputs(int64_t firstVertex, UINT vertexCount) const;
  // Puts the dirty states, the program's textures, the back buffer, the program and the
  // vertex inputs into GL.
  void PrepareDraw();

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
  VertexDeclaration* declaration_ = nullptr;
  StreamSource streams_[kStreamCount];
  IndexBuffer* indices_ = nullptr;
  GLuint program_ = 0;
  unsigned programSamplers_ = 0;
  VertexArrayCache vertexArrays_;
  ScreenQuads screenQuads_;
  uint32_t lastSerial_ = 0;
  bool inScene_ = false;
  bool hasContext_ = false;
};

}  // namespace ember::d3d9
