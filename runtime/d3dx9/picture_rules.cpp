#include "runtime/d3dx9/picture_rules.h"

#include <utility>

namespace ember::d3dx {

D3DXIMAGE_INFO PictureInfo(const Image& image) {
  // A DXT file is described as it is, though its pixels are decoded too.
  const bool blocks = image.blockFormat != 0;
  return D3DXIMAGE_INFO{image.width,
                        image.height,
                        image.depth,
                        blocks ? UINT(image.blockLevels.size()) : 1,
                        D3DFORMAT(blocks ? image.blockFormat : image.format),
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

UINT CappedSide(UINT side, DWORD limit) { return limit != 0 && side > limit ? UINT(limit) : side; }

const char* KeyAndConvert(Image& image, D3DCOLOR colorKey, D3DFORMAT& format) {
  constexpr const char* kTooLarge = "the picture is too large to convert within the memory limit";
  // The key is matched against the file's own pixels, before any scaling.
  if (!ApplyColorKey(image, colorKey)) return kTooLarge;
  if (format == D3DFMT_UNKNOWN || format == D3DFMT_FROM_FILE) format = D3DFORMAT(image.format);
  if (ImageBytesPerPixel(uint32_t(format)) == 0)
    return "no conversion to the requested texture format";
  return ConvertImage(image, uint32_t(format)) ? nullptr : kTooLarge;
}

bool FitPicture(Image& image, UINT width, UINT height, UINT depth) {
  if (image.width == width && image.height == height && image.depth == depth) return true;
  return ResizeImage(image, width, height, depth, image);
}

bool ForEachLevel(Image& image, UINT levels,
                  const std::function<void(UINT level, const Image& picture)>& write) {
  for (UINT level = 0; level < levels; ++level) {
    if (level > 0) {
      Image smaller;
      if (!HalveImage(image, smaller)) return false;
      image = std::move(smaller);
    }
    write(level, image);
  }
  return true;
}

}  // namespace ember::d3dx
