// D3DXSaveSurfaceToFileA: a rectangle of a lockable 32-bit surface as a 24-bit BMP file.
#include <string>

#include "runtime/d3dx9/picture.h"
#include "runtime/win32/win32_internal.h"

namespace {

constexpr size_t kMaxPath = 4096;

LONG Max(LONG a, LONG b) { return a > b ? a : b; }
LONG Min(LONG a, LONG b) { return a < b ? a : b; }

}  // namespace

HRESULT WINAPI D3DXSaveSurfaceToFileA(LPCSTR destFile, D3DXIMAGE_FILEFORMAT destFormat,
                                      IDirect3DSurface9* srcSurface, const PALETTEENTRY*,
                                      const RECT* srcRect) {
  if (!destFile || !srcSurface || destFormat != D3DXIFF_BMP) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC desc{};
  if (FAILED(srcSurface->GetDesc(&desc)) ||
      (desc.Format != D3DFMT_A8R8G8B8 && desc.Format != D3DFMT_X8R8G8B8))
    return D3DERR_INVALIDCALL;

  // The rectangle is clipped to the surface; nothing left of it is an error.
  RECT rect{0, 0, LONG(desc.Width), LONG(desc.Height)};
  if (srcRect) {
    rect = RECT{Max(srcRect->left, 0), Max(srcRect->top, 0), Min(srcRect->right, rect.right),
                Min(srcRect->bottom, rect.bottom)};
    if (rect.left >= rect.right || rect.top >= rect.bottom) return D3DERR_INVALIDCALL;
  }
  char path[kMaxPath];
  if (!ember::win32::ToHostPath(destFile, path, sizeof path)) return D3DERR_INVALIDCALL;

  D3DLOCKED_RECT locked{};
  if (FAILED(srcSurface->LockRect(&locked, &rect, D3DLOCK_READONLY))) return D3DERR_INVALIDCALL;
  std::string error;
  const bool written =
      ember::WriteBmp24(path, UINT(rect.right - rect.left), UINT(rect.bottom - rect.top),
                        static_cast<const uint8_t*>(locked.pBits), size_t(locked.Pitch), error);
  srcSurface->UnlockRect();
  if (!written) {
    ember::d3dx::ReportFailure(destFile, error.c_str());
    return E_FAIL;
  }
  return D3D_OK;
}
