// Scaling, mip halving, conversion to A8R8G8B8 and the D3DX colour key.
#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

#include "runtime/d3dx9/image.h"
#include "runtime/d3dx9/image_codecs.h"

namespace ember {
namespace {

// For each destination index along one axis, the source indices it reads (a run from
// `start`) and their weights, stored flat.
struct AxisTaps {
  std::vector<uint32_t> start;
  std::vector<uint32_t> count;
  std::vector<uint32_t> firstWeight;
  std::vector<float> weight;
};

// Shrinking averages the source span each destination pixel covers, with partial
// weights at its ends; growing interpolates between the two nearest pixel centres.
AxisTaps MakeTaps(uint32_t srcSize, uint32_t dstSize) {
  AxisTaps taps;
  const double scale = static_cast<double>(srcSize) / dstSize;
  for (uint32_t i = 0; i < dstSize; ++i) {
    taps.firstWeight.push_back(static_cast<uint32_t>(taps.weight.size()));
    if (dstSize < srcSize) {
      const double lo = i * scale, hi = (i + 1) * scale;
      const uint32_t first = static_cast<uint32_t>(lo);
      const uint32_t last = std::min(srcSize, static_cast<uint32_t>(std::ceil(hi)));
      taps.start.push_back(first);
      taps.count.push_back(last - first);
      for (uint32_t j = first; j < last; ++j) {
        const double overlap = std::min(hi, j + 1.0) - std::max(lo, static_cast<double>(j));
        taps.weight.push_back(static_cast<float>(overlap / scale));
      }
    } else {
      const double pos = std::clamp((i + 0.5) * scale - 0.5, 0.0, srcSize - 1.0);
      const uint32_t j0 = static_cast<uint32_t>(pos);
      const double frac = pos - j0;
      taps.start.push_back(j0);
      if (j0 + 1 < srcSize && frac > 0) {
        taps.count.push_back(2);
        taps.weight.push_back(static_cast<float>(1.0 - frac));
        taps.weight.push_back(static_cast<float>(frac));
      } else {
        taps.count.push_back(1);
        taps.weight.push_back(1.0f);
      }
    }
  }
  return taps;
}

// Resamples one axis of a [z][y][x][channel] float grid. Seen from that axis the grid
// is [outer][n][inner]: everything above it, the axis itself, everything below it.
std::vector<float> ResampleAxis(const std::vector<float>& src, std::array<uint32_t, 3>& dims,
                                int axis, uint32_t dstSize, uint32_t channels) {
  size_t inner = channels, outer = 1;
  for (int a = 0; a < axis; ++a) inner *= dims[a];
  for (int a = axis + 1; a < 3; ++a) outer *= dims[a];
  const uint32_t srcSize = dims[axis];
  const AxisTaps taps = MakeTaps(srcSize, dstSize);

  std::vector<float> dst(outer * dstSize * inner, 0.0f);
  for (size_t o = 0; o < outer; ++o) {
    for (uint32_t i = 0; i < dstSize; ++i) {
      float* out = dst.data() + (o * dstSize + i) * inner;
      for (uint32_t t = 0; t < taps.count[i]; ++t) {
        const float w = taps.weight[taps.firstWeight[i] + t];
        const float* in = src.data() + (o * srcSize + taps.start[i] + t) * inner;
        for (size_t k = 0; k < inner; ++k) out[k] += w * in[k];
      }
    }
  }
  dims[axis] = dstSize;
  return dst;
}

bool IsConsistent(const Image& image, uint32_t bpp) {
  return bpp != 0 && image.width != 0 && image.height != 0 && image.depth != 0 &&
         image.pixels.size() == uint64_t{image.width} * image.height * image.depth * bpp;
}

uint8_t ToByte(float value) { return static_cast<uint8_t>(std::clamp(value, 0.0f, 255.0f) + 0.5f); }

}  // namespace

bool ResizeImage(const Image& src, uint32_t width, uint32_t height, uint32_t depth, Image& out) {
  const uint32_t bpp = ImageBytesPerPixel(src.format);
  std::string error;
  if (!IsConsistent(src, bpp) ||
      !image_detail::CheckImageSize("resize", width, height, depth, bpp, error)) {
    return false;
  }
  Image result;
  result.width = width;
  result.height = height;
  result.depth = depth;
  result.format = src.format;
  result.fileFormat = src.fileFormat;
  result.isVolume = src.isVolume;

  // Shrinking axes go first so the intermediate grids never outgrow source and result.
  const std::array<uint32_t, 3> target = {width, height, depth};
  std::array<uint32_t, 3> dims = {src.width, src.height, src.depth};
  std::array<int, 3> order = {0, 1, 2};
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return static_cast<double>(target[a]) / dims[a] < static_cast<double>(target[b]) / dims[b];
  });
  std::vector<float> grid(src.pixels.begin(), src.pixels.end());
  for (int axis : order) {
    if (target[axis] != dims[axis]) grid = ResampleAxis(grid, dims, axis, target[axis], bpp);
  }
  result.pixels.resize(grid.size());
  std::transform(grid.begin(), grid.end(), result.pixels.begin(), ToByte);
  out = std::move(result);
  return true;
}

bool HalveImage(const Image& src, Image& out) {
  return ResizeImage(src, std::max(1u, src.width / 2), std::max(1u, src.height / 2),
                     std::max(1u, src.depth / 2), out);
}

bool ConvertImageToArgb(Image& image) {
  const uint32_t bpp = ImageBytesPerPixel(image.format);
  if (!IsConsistent(image, bpp)) return false;
  if (image.format == kFmtA8R8G8B8) return true;
  const size_t count = image.pixels.size() / bpp;
  std::vector<uint8_t> argb(count * 4);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = image.pixels.data() + i * bpp;
    uint8_t* q = argb.data() + i * 4;
    switch (image.format) {
      case kFmtX8R8G8B8:
        q[0] = p[0], q[1] = p[1], q[2] = p[2], q[3] = 0xFF;
        break;
      case kFmtL8:
        q[0] = q[1] = q[2] = p[0], q[3] = 0xFF;
        break;
      case kFmtA8L8:
        q[0] = q[1] = q[2] = p[0], q[3] = p[1];
        break;
      default:  // A8 carries no colour; Direct3D reads its RGB as 0
        q[0] = q[1] = q[2] = 0, q[3] = p[0];
        break;
    }
  }
  image.pixels = std::move(argb);
  image.format = kFmtA8R8G8B8;
  return true;
}

void ApplyColorKey(Image& image, uint32_t argbKey) {
  if (argbKey == 0 || !ConvertImageToArgb(image)) return;
  const uint8_t key[4] = {static_cast<uint8_t>(argbKey), static_cast<uint8_t>(argbKey >> 8),
                          static_cast<uint8_t>(argbKey >> 16), static_cast<uint8_t>(argbKey >> 24)};
  for (size_t i = 0; i < image.pixels.size(); i += 4) {
    uint8_t* p = image.pixels.data() + i;
    if (p[0] == key[0] && p[1] == key[1] && p[2] == key[2] && p[3] == key[3]) {
      p[0] = p[1] = p[2] = p[3] = 0;
    }
  }
}

}  // namespace ember
