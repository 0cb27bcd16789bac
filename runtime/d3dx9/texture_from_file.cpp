// D3DXCreateTextureFromFileA and its Ex form: a picture file into a new texture, scaled to the
// texture's size, with a box-filtered mip chain; or a DXT file's own blocks, where the driver
// takes them and nothing needs changing.
#include "runtime/d3dx9/picture.h"

using ember::Image;

HRESULT WINAPI D3DXCreateTextureFromFileA(IDirect3DDevice9* device, LPCSTR srcFile,
                                          IDirect3DTexture9** texture) {
  return D3DXCreateTextureFromFileExA(device, srcFile, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                      D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT,
                                      0, nullptr, nullptr, texture);
}

HRESULT WINAPI D3DXCreateTextureFromFileExA(IDirect3DDevice9* device, LPCSTR srcFile, UINT width,
                                            UINT height, UINT mipLevels, DWORD usage,
                                            D3DFORMAT format, D3DPOOL pool, DWORD filter,
                                            DWORD mipFilter, D3DCOLOR colorKey,
                                            D3DXIMAGE_INFO* srcInfo, PALETTEENTRY*,
                                            IDirect3DTexture9** texture) {
  if (!device || !srcFile || !texture) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  Image image;
  D3DXIMAGE_INFO info{};
  const D3DFORMAT requested = format;
  HRESULT status =
      ember::d3dx::PreparePicture(srcFile, filter, mipFilter, colorKey, format, image, info);
  if (FAILED(status)) return status;
  if (image.isVolume) {
    ember::d3dx::ReportFailure(srcFile, "a volume texture file, not a 2D picture");
    return D3DXERR_INVALIDDATA;
  }

  D3DCAPS9 caps{};
  device->GetDeviceCaps(&caps);
  using ember::d3dx::CappedSide;
  using ember::d3dx::TextureSide;
  const UINT w = CappedSide(TextureSide(width, info.Width), caps.MaxTextureWidth);
  const UINT h = CappedSide(TextureSide(height, info.Height), caps.MaxTextureHeight);
  if (IDirect3DTexture9* compressed = ember::d3dx::TextureFromBlocks(
          device, image, requested, colorKey, w, h, mipLevels, usage, pool)) {
    if (srcInfo) *srcInfo = info;
    *texture = compressed;
    return D3D_OK;
  }
  if (!ember::d3dx::FitPicture(image, w, h)) {
    ember::d3dx::ReportFailure(srcFile, "the picture cannot be scaled to the texture size");
    return D3DERR_INVALIDCALL;
  }

  IDirect3DTexture9* created = nullptr;
  status = device->CreateTexture(w, h, ember::d3dx::MipLevelsFor(mipLevels, w, h, 1), usage, format,
                                 pool, &created, nullptr);
  if (FAILED(status)) return status;
  if (!ember::d3dx::FillTextureLevels(created, image)) {
    created->Release();
    return D3DERR_INVALIDCALL;
  }
  if (srcInfo) *srcInfo = info;
  *texture = created;
  return D3D_OK;
}
