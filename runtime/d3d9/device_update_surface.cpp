// UpdateSurface: a system-memory picture copied onto the back buffer through a cached GPU copy
// (surface_upload.h).
#include "runtime/d3d9/device.h"
#include "runtime/d3d9/surface.h"

namespace ember::d3d9 {

HRESULT Device::UpdateSurface(IDirect3DSurface9* sourceSurface, const RECT* sourceRect,
                              IDirect3DSurface9* destinationSurface, const POINT* destPoint) {
  if (!sourceSurface || !destinationSurface) return D3DERR_INVALIDCALL;
  Surface* source = dynamic_cast<Surface*>(sourceSurface);
  if (!source || source->SurfaceKind() != Surface::Kind::Memory ||
      source->Desc().Pool != D3DPOOL_SYSTEMMEM || destinationSurface != backBufferSurface_)
    return D3DERR_INVALIDCALL;
  const D3DSURFACE_DESC& from = source->Desc();
  const D3DSURFACE_DESC& to = backBufferSurface_->Desc();
  if (from.Format != to.Format) return D3DERR_INVALIDCALL;

  RECT rect{0, 0, LONG(from.Width), LONG(from.Height)};
  if (sourceRect) {
    rect = *sourceRect;
    if (rect.left < 0 || rect.top < 0 || rect.left >= rect.right || rect.top >= rect.bottom ||
        rect.right > LONG(from.Width) || rect.bottom > LONG(from.Height))
      return D3DERR_INVALIDCALL;
  }
  const LONG x = destPoint ? destPoint->x : 0, y = destPoint ? destPoint->y : 0;
  const LONG w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (x < 0 || y < 0 || x > LONG(to.Width) - w || y > LONG(to.Height) - h)
    return D3DERR_INVALIDCALL;

  const bool ready = upload_.Sync(*source, textures_.Units());
  gl_.ForgetFramebuffer();
  if (!ready) return D3DERR_INVALIDCALL;
  // A blit honours the scissor test; the mirrored states come back at the next draw.
  gl_.Scissor(false);
  states_.MarkDirty(kGroupRaster);
  // Both sides keep Direct3D's top row at GL row 0: the rectangle needs no flip.
  glBindFramebuffer(GL_READ_FRAMEBUFFER, upload_.Framebuffer());
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, backBuffer_.framebuffer);
  glBlitFramebuffer(rect.left, rect.top, rect.right, rect.bottom, x, y, x + w, y + h,
                    GL_COLOR_BUFFER_BIT, GL_NEAREST);
  return D3D_OK;
}

}  // namespace ember::d3d9
