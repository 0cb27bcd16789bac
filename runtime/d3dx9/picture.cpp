#include "runtime/d3dx9/picture.h"

#include <cstdio>
#include <string>

#include "runtime/d3d9/texture_core.h"
#include "runtime/d3d9/texture_object.h"
#include "runtime/win32/win32_internal.h"

namespace ember::d3dx {

namespace {

constexpr size_t kMaxPath = 4096;

}  // namespace

void ReportFailure(const char* what, const char* detail) {
  char line[1024];
  std::snprintf(line, sizeof line, "D3DX: %s: %s\n", what, detail);
  OutputDebugStringA(line);
}

HRESULT LoadPicture(const char* windowsPath, Image& image) {
  char path[kMaxPath];
  if (!win32::ToHostPath(windowsPath, path, sizeof path)) {
    ReportFailure(windowsPath, "path too long");
    return D3DXERR_INVALIDDATA;
  }
  std::string error;
  if (!LoadImageFile(path, image, error)) {
    ReportFailure(windowsPath, error.c_str());
    return D3DXERR_INVALIDDATA;
  }
  return D3D_OK;
}

HRESULT PreparePicture(const char* windowsPath, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                       D3DFORMAT& format, Image& image, D3DXIMAGE_INFO& info) {
  if (!ValidFilter(filter) || !ValidFilter(mipFilter)) return D3DERR_INVALIDCALL;
  HRESULT status = LoadPicture(windowsPath, image);
  if (FAILED(status)) return status;
  info = PictureInfo(image);
  if (const char* failure = KeyAndConvert(image, colorKey, format)) {
    ReportFailure(windowsPath, failure);
    return D3DERR_INVALIDCALL;
  }
  return D3D_OK;
}

UINT MipLevelsFor(UINT requested, UINT width, UINT height, UINT depth) {
  const UINT full = d3d9::TextureCore::FullChainLength(width, height, depth);
  if (requested == 0 || requested == D3DX_DEFAULT) return full;
  // The decoders read a file's top level only.
  if (requested == D3DX_FROM_FILE) return 1;
  return requested < full ? requested : full;
}

IDirect3DTexture9* TextureFromBlocks(IDirect3DDevice9* device, const Image& image,
                                     D3DFORMAT requested, D3DCOLOR colorKey, UINT width,
                                     UINT height, UINT mipLevels, DWORD usage, D3DPOOL pool) {
  const D3DFORMAT format = D3DFORMAT(image.blockFormat);
  if (!image.blockFormat || colorKey != 0 || width != image.width || height != image.height ||
      !(requested == D3DFMT_UNKNOWN || requested == D3DFMT_FROM_FILE || requested == format))
    return nullptr;
  const UINT levels = mipLevels == D3DX_FROM_FILE ? UINT(image.blockLevels.size())
                                                  : MipLevelsFor(mipLevels, width, height, 1);
  if (levels == 0 || levels > image.blockLevels.size()) return nullptr;
  IDirect3DTexture9* texture = nullptr;
  // The device refuses the format when the driver has no S3TC.
  if (FAILED(device->CreateTexture(width, height, levels, usage, format, pool, &texture, nullptr)))
    return nullptr;
  auto* binding = dynamic_cast<d3d9::TextureBinding*>(texture);
  if (!binding) {
    texture->Release();
    return nullptr;
  }
  d3d9::TextureCore& core = binding->Core();
  for (UINT level = 0; level < levels; ++level) {
    const d3d9::TextureLevel& info = core.Level(level);
    core.WriteLevel(level, image.blockLevels[level].data(), info.rowPitch, info.slicePitch);
  }
  return texture;
}

bool FillTextureLevels(IDirect3DBaseTexture9* texture, Image& image) {
  auto* binding = dynamic_cast<d3d9::TextureBinding*>(texture);
  if (!binding) return false;
  d3d9::TextureCore& core = binding->Core();
  const size_t bpp = ImageBytesPerPixel(image.format);
  return ForEachLevel(image, core.LevelCount(), [&](UINT level, const Image& picture) {
    const size_t rowPitch = picture.width * bpp;
    core.WriteLevel(level, picture.pixels.data(), rowPitch, rowPitch * picture.height);
  });
}

}  // namespace ember::d3dx
