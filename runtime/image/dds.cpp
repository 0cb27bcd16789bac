// DDS decoding: uncompressed 2D and volume textures in L8, A8, A8L8, A8R8G8B8,
// X8R8G8B8 and R8G8B8, recognised from the pixel format masks. Only the top mip level
// is read, since the texture loader builds its own chain.
#include <cstdint>
#include <cstdio>

#include "runtime/image/codecs.h"

namespace ember::image_detail {
namespace {

constexpr uint32_t kHeaderSize = 124;
constexpr size_t kDataOffset = 4 + kHeaderSize;

constexpr uint32_t kDdsdDepth = 0x800000;
constexpr uint32_t kCaps2Cubemap = 0x200;
constexpr uint32_t kCaps2Volume = 0x200000;

constexpr uint32_t kDdpfAlphaPixels = 0x1;
constexpr uint32_t kDdpfAlpha = 0x2;
constexpr uint32_t kDdpfFourCC = 0x4;
constexpr uint32_t kDdpfRgb = 0x40;
constexpr uint32_t kDdpfLuminance = 0x20000;

struct DdsPixelFormat {
  uint32_t flags = 0, fourCC = 0, bitCount = 0;
  uint32_t r = 0, g = 0, b = 0, a = 0;
};

struct DdsHeader {
  uint32_t flags = 0, height = 0, width = 0, depth = 0;
  DdsPixelFormat pf;
  uint32_t caps2 = 0;
};

bool Fail(std::string& error, const std::string& message) {
  error = "DDS: " + message;
  return false;
}

bool ReadHeader(ByteReader& in, DdsHeader& h, std::string& error) {
  uint32_t size = 0, pitch = 0, mipCount = 0, pfSize = 0, caps = 0;
  if (!in.Skip(4) || !in.U32(size)) return Fail(error, "file truncated in the header");
  if (size != kHeaderSize) return Fail(error, "bad header size " + std::to_string(size));
  DdsPixelFormat& pf = h.pf;
  if (!in.U32(h.flags) || !in.U32(h.height) || !in.U32(h.width) || !in.U32(pitch) ||
      !in.U32(h.depth) || !in.U32(mipCount) || !in.Skip(44) || !in.U32(pfSize) ||
      !in.U32(pf.flags) || !in.U32(pf.fourCC) || !in.U32(pf.bitCount) || !in.U32(pf.r) ||
      !in.U32(pf.g) || !in.U32(pf.b) || !in.U32(pf.a) || !in.U32(caps) || !in.U32(h.caps2) ||
      !in.Skip(12)) {
    return Fail(error, "file truncated in the header");
  }
  return true;
}

std::string DescribeFourCC(uint32_t code) {
  char text[5] = {};
  for (int i = 0; i < 4; ++i) {
    const char c = static_cast<char>((code >> (8 * i)) & 0xFF);
    if (c < 0x20 || c > 0x7E) return "format " + std::to_string(code);
    text[i] = c;
  }
  return std::string("'") + text + "'";
}

// Maps the pixel format to ours; `fileBpp` is the size of a pixel in the file, which
// differs from the decoded size only for R8G8B8.
bool IdentifyFormat(const DdsPixelFormat& pf, uint32_t& format, uint32_t& fileBpp,
                    std::string& error) {
  if (pf.flags & kDdpfFourCC) {
    return Fail(error, "compressed or FOURCC texture " + DescribeFourCC(pf.fourCC) +
                           " is not supported (only uncompressed formats are)");
  }
  const bool alphaPixels = (pf.flags & kDdpfAlphaPixels) != 0;
  const bool rgbMasks = pf.r == 0xFF0000 && pf.g == 0xFF00 && pf.b == 0xFF;
  if ((pf.flags & kDdpfRgb) && rgbMasks) {
    if (pf.bitCount == 32 && alphaPixels && pf.a == 0xFF000000) {
      format = kFmtA8R8G8B8;
      fileBpp = 4;
      return true;
    }
    if (pf.bitCount == 32 && !alphaPixels) {
      format = kFmtX8R8G8B8;
      fileBpp = 4;
      return true;
    }
    if (pf.bitCount == 24 && !alphaPixels) {
      format = kFmtX8R8G8B8;
      fileBpp = 3;
      return true;
    }
  }
  if ((pf.flags & kDdpfLuminance) && pf.r == 0xFF) {
    if (pf.bitCount == 8 && !alphaPixels) {
      format = kFmtL8;
      fileBpp = 1;
      return true;
    }
    if (pf.bitCount == 16 && alphaPixels && pf.a == 0xFF00) {
      format = kFmtA8L8;
      fileBpp = 2;
      return true;
    }
  }
  if ((pf.flags & (kDdpfAlpha | kDdpfAlphaPixels)) && !(pf.flags & (kDdpfRgb | kDdpfLuminance)) &&
      pf.bitCount == 8 && pf.a == 0xFF) {
    format = kFmtA8;
    fileBpp = 1;
    return true;
  }
  char masks[128];
  std::snprintf(masks, sizeof masks, "flags 0x%X, %u bits, masks R 0x%X G 0x%X B 0x%X A 0x%X",
                pf.flags, pf.bitCount, pf.r, pf.g, pf.b, pf.a);
  return Fail(error, std::string("unsupported pixel format (") + masks + ")");
}

}  // namespace

bool DecodeDds(const uint8_t* data, size_t size, Image& out, std::string& error) {
  ByteReader in(data, size);
  DdsHeader header;
  if (!ReadHeader(in, header, error)) return false;
  if (header.caps2 & kCaps2Cubemap) return Fail(error, "cube maps are not supported");
  uint32_t format = 0, fileBpp = 0;
  if (!IdentifyFormat(header.pf, format, fileBpp, error)) return false;

  const bool volume = (header.caps2 & kCaps2Volume) != 0 || (header.flags & kDdsdDepth) != 0;
  const uint32_t depth = volume ? header.depth : 1;
  const uint32_t bpp = ImageBytesPerPixel(format);
  if (!CheckImageSize("DDS", header.width, header.height, depth, bpp, size, error)) return false;

  // Uncompressed rows are tightly packed, whatever the pitch field says, and a volume's
  // top level holds all its slices before the smaller levels.
  const uint64_t count = uint64_t{header.width} * header.height * depth;
  const uint8_t* src = nullptr;
  if (!in.Seek(kDataOffset) || !in.Bytes(count * fileBpp, src)) {
    return Fail(error, "file truncated in the pixel data (needs " +
                           std::to_string(count * fileBpp) + " bytes, has " +
                           std::to_string(size - kDataOffset) + ")");
  }
  out.pixels.resize(count * bpp);
  uint8_t* dst = out.pixels.data();
  if (format == kFmtX8R8G8B8) {
    // The unused byte of X8R8G8B8 and R8G8B8 files reads as opaque.
    for (uint64_t i = 0; i < count; ++i) {
      dst[4 * i + 0] = src[fileBpp * i + 0];
      dst[4 * i + 1] = src[fileBpp * i + 1];
      dst[4 * i + 2] = src[fileBpp * i + 2];
      dst[4 * i + 3] = 0xFF;
    }
  } else {
    std::memcpy(dst, src, count * bpp);
  }
  out.width = header.width;
  out.height = header.height;
  out.depth = depth;
  out.format = format;
  out.isVolume = volume;
  return true;
}

}  // namespace ember::image_detail
