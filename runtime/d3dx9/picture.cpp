#include "runtime/d3dx9/picture.h"

#include <cstdio>
#include <string>
#include <utility>

#include "runtime/d3d9/texture_core.h"
#include "runtime/d3d9/texture_object.h"
#include "runtime/win32/win32_internal.h"

namespace ember::d3dx {

namespace {

constexpr size_t kMaxPath = 4096;

// Rec. 709 weights, in ten-thousandths.
uint8_t Luminance(const uint8_t* bgra) {
  return uint8_t((722u * bgra[0] + 7152u * bgra[1] + 2126u * bgra[2] + 5000u) / 10000u);
}

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

D3DXIMAGE_INFO PictureInfo(const Image& image) {
  return D3DXIMAGE_INFO{image.width,
                        image.height,
                        image.depth,
                        1,
                        D3DFORMAT(image.format),
                        image.isVolume ? D3DRTYPE_VOLUMETEXTURE : D3DRTYPE_TEXTURE,
                        D3DXIMAGE_FILEFORMAT(image.fileFormat)};
}

bool ValidFilter(DWORD filter) {
  if (filter == D3DX_DEFAULT) return true;
  const DWORD kind = filter & 0xFF;
  const DWORD modifiers =
      D3DX_FILTER_MIRROR | D3DX_FILTER_DITHER | D3DX_FILTER_DITHER_DIFFUSION | D3DX_FILTER_SRGB;
  // The top bits may carry D3DX_SKIP_DDS_MIP_LEVELS.
  const DWORD skipMips = 0x1Fu << 26;
  return kind >= D3DX_FILTER_NONE && kind <= D3DX_FILTER_BOX &&
         (filter & ~(0xFFu | modifiers | skipMips)) == 0;
}

UINT TextureSide(UINT requested, UINT fileSide) {
  if (requested == D3DX_DEFAULT_NONPOW2) return fileSide;
  if (requested != 0 && requested != D3DX_DEFAULT) return requested;
  UINT side = 1;
  while (side < fileSide && side < (1u << 30)) side <<= 1;
  return side;
}

bool ConvertPicture(Image& image, D3DFORMAT format) {
  if (image.format == format) return true;
  switch (format) {
    case D3DFMT_A8R8G8B8:
      return ConvertImageToArgb(image);
    case D3DFMT_X8R8G8B8:
      if (!ConvertImageToArgb(image)) return false;
      for (size_t i = 3; i < image.pixels.size(); i += 4) image.pixels[i] = 0xFF;
      image.format = kFmtX8R8G8B8;
      return true;
    case D3DFMT_L8:
    case D3DFMT_A8:
    case D3DFMT_A8L8: {
      if (!ConvertImageToArgb(image)) return false;
      const size_t count = image.pixels.size() / 4;
      const size_t bpp = format == D3DFMT_A8L8 ? 2 : 1;
      std::vector<uint8_t> out(count * bpp);
      for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = image.pixels.data() + i * 4;
        if (format == D3DFMT_A8) {
          out[i] = p[3];
        } else {
          out[i * bpp] = Luminance(p);
          if (bpp == 2) out[i * 2 + 1] = p[3];
        }
      }
      image.pixels = std::move(out);
      image.format = uint32_t(format);
      return true;
    }
    default:
      return false;
  }
}

bool FitPicture(Image& image, UINT width, UINT height) {
  if (image.width == width && image.height == height) return true;
  return ResizeImage(image, width, height, image.depth, image);
}

HRESULT PreparePicture(const char* windowsPath, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                       D3DFORMAT& format, Image& image, D3DXIMAGE_INFO& info) {
  if (!ValidFilter(filter) || !ValidFilter(mipFilter)) return D3DERR_INVALIDCALL;
  HRESULT status = LoadPicture(windowsPath, image);
  if (FAILED(status)) return status;
  info = PictureInfo(image);
  // The key is matched against the file's own pixels, before any scaling.
  ApplyColorKey(image, colorKey);
  if (format == D3DFMT_UNKNOWN || format == D3DFMT_FROM_FILE) format = D3DFORMAT(image.format);
  if (!ConvertPicture(image, format)) {
    ReportFailure(windowsPath, "no conversion to the requested texture format");
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

UINT CappedSide(UINT side, DWORD limit) { return limit != 0 && side > limit ? UINT(limit) : side; }

bool FillTextureLevels(IDirect3DBaseTexture9* texture, Image& image) {
  auto* binding = dynamic_cast<d3d9::TextureBinding*>(texture);
  if (!binding) return false;
  d3d9::TextureCore& core = binding->Core();
  const size_t bpp = ImageBytesPerPixel(image.format);
  for (UINT level = 0; level < core.LevelCount(); ++level) {
    if (level > 0) {
      Image smaller;
      if (!HalveImage(image, smaller)) return false;
      image = std::move(smaller);
    }
    const size_t rowPitch = image.width * bpp;
    core.WriteLevel(level, image.pixels.data(), rowPitch, rowPitch * image.height);
  }
  return true;
}

}  // namespace ember::d3dx
