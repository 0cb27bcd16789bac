#include "runtime/d3d9/surface.h"

#include "runtime/d3d9/device.h"
#include "runtime/d3d9/gl_conventions.h"

namespace ember::d3d9 {

namespace {
constexpr UINT kMaxSurfaceSide = 16384;

uint32_t NextGeneration() {
  static uint32_t counter = 0;
  return ++counter;
}
}  // namespace

UINT Surface::BytesPerPixel(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A8B8G8R8:
    case D3DFMT_X8B8G8R8:
      return 4;
    case D3DFMT_R8G8B8:
      return 3;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A8L8:
      return 2;
    case D3DFMT_A8:
    case D3DFMT_L8:
      return 1;
    default:
      return 0;
  }
}

Surface::Surface(Device* device, IUnknown* container, Kind kind)
    : DeviceChild(device, container), kind_(kind), generation_(NextGeneration()) {}

Surface* Surface::CreateBackBuffer(Device* device, UINT width, UINT height, D3DFORMAT format,
                                   bool lockable) {
  Surface* s = new Surface(device, device, Kind::BackBuffer);
  s->desc_ = D3DSURFACE_DESC{format,
                             D3DRTYPE_SURFACE,
                             D3DUSAGE_RENDERTARGET,
                             D3DPOOL_DEFAULT,
                             D3DMULTISAMPLE_NONE,
                             0,
                             width,
                             height};
  s->lockable_ = lockable;
  s->pitch_ = size_t(width) * 4;
  if (lockable) s->memory_.assign(s->pitch_ * height, 0);
  return s;
}

Surface* Surface::CreateMemory(Device* device, UINT width, UINT height, D3DFORMAT format,
                               D3DPOOL pool) {
  UINT bpp = BytesPerPixel(format);
  if (bpp == 0 || width == 0 || height == 0 || width > kMaxSurfaceSide || height > kMaxSurfaceSide)
    return nullptr;
  Surface* s = new Surface(device, nullptr, Kind::Memory);
  s->desc_ =
      D3DSURFACE_DESC{format, D3DRTYPE_SURFACE, 0, pool, D3DMULTISAMPLE_NONE, 0, width, height};
  s->pitch_ = size_t(width) * bpp;
  s->memory_.assign(s->pitch_ * height, 0);
  s->TakeFirstReference();
  return s;
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = desc_;
  return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) {
  if (!lockedRect || locked_ || !lockable_) return D3DERR_INVALIDCALL;
  LONG left = 0, top = 0;
  if (rect) {
    if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
        UINT(rect->right) > desc_.Width || UINT(rect->bottom) > desc_.Height)
      return D3DERR_INVALIDCALL;
    left = rect->left;
    top = rect->top;
  }
  if (kind_ == Kind::BackBuffer) {
    const RenderTarget& target = OwnerDevice()->BackBufferTarget();
    OwnerDevice()->GL().BindFramebuffer(target.framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, GLsizei(desc_.Width), GLsizei(desc_.Height), kPixelFormatBGRA,
                 kPixelTypeBGRA, memory_.data());
  }
  locked_ = true;
  lockFlags_ = flags;
  UINT bpp = BytesPerPixel(desc_.Format);
  lockedRect->Pitch = INT_PTR(pitch_);
  lockedRect->pBits = memory_.data() + size_t(top) * pitch_ + size_t(left) * bpp;
  return D3D_OK;
}

HRESULT Surface::UnlockRect() {
  if (!locked_) return D3DERR_INVALIDCALL;
  locked_ = false;
  if (lockFlags_ & D3DLOCK_READONLY) return D3D_OK;
  generation_ = NextGeneration();
  if (kind_ == Kind::BackBuffer) {
    glBindTexture(GL_TEXTURE_2D, OwnerDevice()->BackBufferTarget().color);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, GLsizei(desc_.Width), GLsizei(desc_.Height),
                    kPixelFormatBGRA, kPixelTypeBGRA, memory_.data());
    glBindTexture(GL_TEXTURE_2D, 0);
  }
  return D3D_OK;
}

}  // namespace ember::d3d9
