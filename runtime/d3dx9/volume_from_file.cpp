// D3DXCreateVolumeTextureFromFileExA: a volume file (DDS) into a new volume texture, scaled to
// the texture's size, with a box-filtered mip chain.
#include "runtime/d3dx9/picture.h"

using ember::Image;

HRESULT WINAPI D3DXCreateVolumeTextureFromFileExA(
    IDirect3DDevice9* device, LPCSTR srcFile, UINT width, UINT height, UINT depth, UINT mipLevels,
    DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
    D3DXIMAGE_INFO* srcInfo, PALETTEENTRY*, IDirect3DVolumeTexture9** texture) {
  if (!device || !srcFile || !texture) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  Image image;
  D3DXIMAGE_INFO info{};
  HRESULT status =
      ember::d3dx::PreparePicture(srcFile, filter, mipFilter, colorKey, format, image, info);
  if (FAILED(status)) return status;

  D3DCAPS9 caps{};
  device->GetDeviceCaps(&caps);
  using ember::d3dx::CappedSide;
  using ember::d3dx::TextureSide;
  const UINT w = CappedSide(TextureSide(width, image.width), caps.MaxVolumeExtent);
  const UINT h = CappedSide(TextureSide(height, image.height), caps.MaxVolumeExtent);
  const UINT d = CappedSide(TextureSide(depth, image.depth), caps.MaxVolumeExtent);
  if (!ember::d3dx::FitPicture(image, w, h, d)) {
    ember::d3dx::ReportFailure(srcFile, "the volume cannot be scaled to the texture size");
    return D3DERR_INVALIDCALL;
  }

  IDirect3DVolumeTexture9* created = nullptr;
  status = device->CreateVolumeTexture(w, h, d, ember::d3dx::MipLevelsFor(mipLevels, w, h, d),
                                       usage, format, pool, &created, nullptr);
  if (FAILED(status)) return status;
  if (!ember::d3dx::FillTextureLevels(created, image)) {
    created->Release();
    return D3DERR_INVALIDCALL;
  }
  if (srcInfo) *srcInfo = info;
  *texture = created;
  return D3D_OK;
}
