// D3DXLoadSurfaceFromFileA: a picture file, or a rectangle of it, into a rectangle of a
// lockable surface, scaled when the two sizes differ.
#include <cstring>

#include "runtime/d3dx9/picture.h"

namespace {

using ember::Image;

bool RectInside(const RECT& r, UINT width, UINT height) {
  return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
         r.right <= LONG(width) && r.bottom <= LONG(height);
}

// The part of the picture the rectangle covers.
bool Crop(Image& image, const RECT& r) {
  const UINT w = UINT(r.right - r.left), h = UINT(r.bottom - r.top);
  if (w == image.width && h == image.height) return true;
  const size_t bpp = ember::ImageBytesPerPixel(image.format);
  if (bpp == 0) return false;
  std::vector<uint8_t> out(size_t(w) * h * bpp);
  for (UINT y = 0; y < h; ++y)
    std::memcpy(out.data() + size_t(y) * w * bpp,
                image.pixels.data() + (size_t(r.top + y) * image.width + UINT(r.left)) * bpp,
                size_t(w) * bpp);
  image.pixels = std::move(out);
  image.width = w;
  image.height = h;
  return true;
}

}  // namespace

HRESULT WINAPI D3DXLoadSurfaceFromFileA(IDirect3DSurface9* destSurface, const PALETTEENTRY*,
                                        const RECT* destRect, LPCSTR srcFile, const RECT* srcRect,
                                        DWORD filter, D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo) {
  if (!destSurface || !srcFile || !ember::d3dx::ValidFilter(filter)) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC desc{};
  if (FAILED(destSurface->GetDesc(&desc))) return D3DERR_INVALIDCALL;
  const RECT target = destRect ? *destRect : RECT{0, 0, LONG(desc.Width), LONG(desc.Height)};
  if (!RectInside(target, desc.Width, desc.Height)) return D3DERR_INVALIDCALL;

  Image image;
  HRESULT status = ember::d3dx::LoadPicture(srcFile, image);
  if (FAILED(status)) return status;
  if (image.isVolume) {
    ember::d3dx::ReportFailure(srcFile, "a volume texture file, not a 2D picture");
    return D3DXERR_INVALIDDATA;
  }
  const D3DXIMAGE_INFO info = ember::d3dx::PictureInfo(image);
  const RECT source = srcRect ? *srcRect : RECT{0, 0, LONG(image.width), LONG(image.height)};
  if (!RectInside(source, image.width, image.height) || !Crop(image, source))
    return D3DERR_INVALIDCALL;

  const UINT w = UINT(target.right - target.left), h = UINT(target.bottom - target.top);
  if (!ember::ApplyColorKey(image, colorKey) || !ember::ConvertImage(image, desc.Format) ||
      !ember::d3dx::FitPicture(image, w, h))
    return D3DERR_INVALIDCALL;

  D3DLOCKED_RECT locked{};
  if (FAILED(destSurface->LockRect(&locked, &target, 0))) return D3DERR_INVALIDCALL;
  const size_t rowBytes = size_t(w) * ember::ImageBytesPerPixel(image.format);
  for (UINT y = 0; y < h; ++y)
    std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch),
                image.pixels.data() + y * rowBytes, rowBytes);
  destSurface->UnlockRect();
  if (srcInfo) *srcInfo = info;
  return D3D_OK;
}
