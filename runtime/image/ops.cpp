// Scaling, mip halving, format conversion and the D3DX colour key. Each operation holds its
// source and its result at once, so each checks the two together against the load limit.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "runtime/image/codecs.h"
#include "runtime/image/image.h"

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

bool IsConsistent(const Image& image, uint32_t bpp) {
  return bpp != 0 && image.width != 0 && image.height != 0 && image.depth != 0 &&
         image.pixels.size() == uint64_t{image.width} * image.height * image.depth * bpp;
}

bool FitsLoadLimit(uint64_t sourceBytes, uint64_t resultBytes) {
  return sourceBytes <= kMaxImageBytes && resultBytes <= kMaxImageBytes - sourceBytes;
}

uint8_t ToByte(float value) { return static_cast<uint8_t>(std::clamp(value, 0.0f, 255.0f) + 0.5f); }

// Rec. 709 weights, in ten-thousandths.
uint8_t Luminance(const uint8_t* bgra) {
  return uint8_t((722u * bgra[0] + 7152u * bgra[1] + 2126u * bgra[2] + 5000u) / 10000u);
}

}  // namespace

bool ResizeImage(const Image& src, uint32_t width, uint32_t height, uint32_t depth, Image& out) {
  const uint32_t bpp = ImageBytesPerPixel(src.format);
  std::string error;
  if (!IsConsistent(src, bpp) || !image_detail::CheckImageSize("resize", width, height, depth, bpp,
                                                               src.pixels.size(), error)) {
    return false;
  }
  Image result;
  result.width = width;
  result.height = height;
  result.depth = depth;
  result.format = src.format;
  result.fileFormat = src.fileFormat;
  result.isVolume = src.isVolume;
  result.pixels.resize(size_t{width} * height * depth * bpp);

  // One destination row at a time: the source rows it covers are blended into a float row
  // of the source's width, which is then resampled across. Only that row is held in floats.
  const AxisTaps xTaps = MakeTaps(src.width, width);
  const AxisTaps yTaps = MakeTaps(src.height, height);
  const AxisTaps zTaps = MakeTaps(src.depth, depth);
  const size_t srcRowBytes = size_t{src.width} * bpp;
  std::vector<float> blended(srcRowBytes);
  uint8_t* dst = result.pixels.data();
  for (uint32_t z = 0; z < depth; ++z) {
    for (uint32_t y = 0; y < height; ++y) {
      std::fill(blended.begin(), blended.end(), 0.0f);
      for (uint32_t tz = 0; tz < zTaps.count[z]; ++tz) {
        const float wz = zTaps.weight[zTaps.firstWeight[z] + tz];
        const size_t slice = zTaps.start[z] + tz;
        for (uint32_t ty = 0; ty < yTaps.count[y]; ++ty) {
          const float w = wz * yTaps.weight[yTaps.firstWeight[y] + ty];
          const size_t row = slice * src.height + yTaps.start[y] + ty;
          const uint8_t* in = src.pixels.data() + row * srcRowBytes;
          for (size_t k = 0; k < srcRowBytes; ++k) blended[k] += w * in[k];
        }
      }
      for (uint32_t x = 0; x < width; ++x) {
        for (uint32_t c = 0; c < bpp; ++c) {
          float sum = 0.0f;
          for (uint32_t tx = 0; tx < xTaps.count[x]; ++tx) {
            sum += xTaps.weight[xTaps.firstWeight[x] + tx] *
                   blended[size_t{xTaps.start[x] + tx} * bpp + c];
          }
          *dst++ = ToByte(sum);
        }
      }
    }
  }
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
  if (!FitsLoadLimit(image.pixels.size(), uint64_t{count} * 4)) return false;
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

bool ConvertImage(Image& image, uint32_t format) {
  const uint32_t bpp = ImageBytesPerPixel(format);
  if (bpp == 0) return false;
  if (image.format == format) return true;
  if (!ConvertImageToArgb(image)) return false;
  if (format == kFmtA8R8G8B8) return true;
  if (format == kFmtX8R8G8B8) {
    for (size_t i = 3; i < image.pixels.size(); i += 4) image.pixels[i] = 0xFF;
    image.format = kFmtX8R8G8B8;
    return true;
  }
  const size_t count = image.pixels.size() / 4;
  if (!FitsLoadLimit(image.pixels.size(), uint64_t{count} * bpp)) return false;
  std::vector<uint8_t> out(count * bpp);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = image.pixels.data() + i * 4;
    if (format == kFmtA8) {
      out[i] = p[3];
    } else {
      out[i * bpp] = Luminance(p);
      if (bpp == 2) out[i * 2 + 1] = p[3];
    }
  }
  image.pixels = std::move(out);
  image.format = format;
  return true;
}

bool ApplyColorKey(Image& image, uint32_t argbKey) {
  if (argbKey == 0) return true;
  if (!ConvertImageToArgb(image)) return false;
  const uint8_t key[4] = {static_cast<uint8_t>(argbKey), static_cast<uint8_t>(argbKey >> 8),
                          static_cast<uint8_t>(argbKey >> 16), static_cast<uint8_t>(argbKey >> 24)};
  for (size_t i = 0; i < image.pixels.size(); i += 4) {
    uint8_t* p = image.pixels.data() + i;
    if (p[0] == key[0] && p[1] == key[1] && p[2] == key[2] && p[3] == key[3]) {
      p[0] = p[1] = p[2] = p[3] = 0;
    }
  }
  return true;
}

}  // namespace ember
