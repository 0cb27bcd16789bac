// The D3DX texture loaders' CPU side on arbitrary bytes, with the program's options: the
// file's format, colour key 0xFF000000, sizes rounded up to powers of two, a full mip chain.
// Volume files take the volume loader's path, everything else the 2D loader's.
#include <string>

#include "runtime/d3dx9/picture_rules.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_outcomes.h"

namespace {

using ember::Image;
using namespace ember::d3dx;

// Texture limits as llvmpipe and most GL 3.3 drivers report them.
constexpr DWORD kMaxTextureSide = 16384;
constexpr DWORD kMaxVolumeSide = 2048;

UINT FullChain(UINT w, UINT h, UINT d) {
  UINT levels = 1;
  while (w > 1 || h > 1 || d > 1) {
    w = w > 1 ? w / 2 : 1;
    h = h > 1 ? h / 2 : 1;
    d = d > 1 ? d / 2 : 1;
    ++levels;
  }
  return levels;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Image image;
  std::string error;
  if (!ember::DecodeImage(data, size, image, error)) {
    ember::fuzz::NoteFailure(error);
    return 0;
  }
  ember::fuzz::NoteSuccess(image);
  const D3DXIMAGE_INFO info = PictureInfo(image);
  D3DFORMAT format = D3DFMT_UNKNOWN;
  if (KeyAndConvert(image, 0xFF000000, format) != nullptr) return 0;
  EMBER_FUZZ_CHECK(format == D3DFORMAT(image.format));

  const DWORD limit = image.isVolume ? kMaxVolumeSide : kMaxTextureSide;
  const UINT w = CappedSide(TextureSide(D3DX_DEFAULT, info.Width), limit);
  const UINT h = CappedSide(TextureSide(D3DX_DEFAULT, info.Height), limit);
  const UINT d = image.isVolume ? CappedSide(TextureSide(D3DX_DEFAULT, info.Depth), limit) : 1;
  if (!FitPicture(image, w, h, d)) return 0;

  const uint32_t bpp = ember::ImageBytesPerPixel(image.format);
  UINT lw = w, lh = h, ld = d;
  const bool filled = ForEachLevel(image, FullChain(w, h, d), [&](UINT, const Image& level) {
    EMBER_FUZZ_CHECK(level.width == lw && level.height == lh && level.depth == ld);
    EMBER_FUZZ_CHECK(level.pixels.size() == uint64_t{lw} * lh * ld * bpp);
    lw = lw > 1 ? lw / 2 : 1;
    lh = lh > 1 ? lh / 2 : 1;
    ld = ld > 1 ? ld / 2 : 1;
  });
  EMBER_FUZZ_CHECK(filled);
  return 0;
}
