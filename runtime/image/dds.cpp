// DDS decoding, 2D and volume textures; only the top mip level is decoded, since the texture
// loader builds its own chain. A 2D file of DXT1, DXT3 or DXT5 also keeps its blocks, all its
// levels, for drivers that take them compressed. The pixel format comes from the masks (L8, A8,
// A8L8, A8R8G8B8, X8R8G8B8 and R8G8B8 are kept as they are; any other layout of up to 32 bits, such
// as R5G6B5, X1R5G5B5, A4R4G4B4 or A8B8G8R8, is widened to 8 bits a channel), from the FourCC field
// (DXT1 to DXT5, decoded; a Direct3D format number), or from the DX10 header for the DXGI formats
// that Direct3D 9 has. Cube maps and texture arrays are refused: nothing here can use one.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "runtime/image/codecs.h"
#include "runtime/image/dds_blocks.h"

namespace ember::image_detail {
namespace {

constexpr uint32_t kHeaderSize = 124;
constexpr size_t kDataOffset = 4 + kHeaderSize;
constexpr size_t kDx10HeaderSize = 20;

constexpr uint32_t kDdsdMipMapCount = 0x20000;
constexpr uint32_t kDdsdDepth = 0x800000;
constexpr uint32_t kCaps2Cubemap = 0x200;
constexpr uint32_t kCaps2Volume = 0x200000;

constexpr uint32_t kDdpfAlphaPixels = 0x1;
constexpr uint32_t kDdpfAlpha = 0x2;
constexpr uint32_t kDdpfFourCC = 0x4;
constexpr uint32_t kDdpfRgb = 0x40;
constexpr uint32_t kDdpfLuminance = 0x20000;

constexpr uint32_t FourCC(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
         uint32_t(uint8_t(d)) << 24;
}

constexpr uint32_t kDx10 = FourCC('D', 'X', '1', '0');
constexpr uint32_t kDx10Texture3D = 4;
constexpr uint32_t kDx10MiscCube = 0x4;

struct DdsPixelFormat {
  uint32_t flags = 0, fourCC = 0, bitCount = 0;
  uint32_t r = 0, g = 0, b = 0, a = 0;
};

struct DdsHeader {
  uint32_t flags = 0, height = 0, width = 0, depth = 0, mipCount = 0;
  DdsPixelFormat pf;
  uint32_t caps2 = 0;
};

// How the file holds its pixels, and what they become.
enum class Encoding {
  Copy,       // as the image holds them (L8, A8, A8L8, A8R8G8B8)
  Masks,      // 1 to 4 bytes a pixel, channels by bit masks
  Dxt,        // 4x4 blocks
  Unorm16x4,  // R, G, B, A as 16-bit unsigned normalised values
  Half4,      // R, G, B, A as 16-bit floats
  Float4,     // R, G, B, A as 32-bit floats
};

struct Layout {
  Encoding encoding = Encoding::Copy;
  uint32_t format = 0;   // the decoded image's
  uint32_t fileBpp = 0;  // bytes a pixel in the file, uncompressed encodings
  int dxtVersion = 0;
  uint32_t masks[4] = {0, 0, 0, 0};  // red (or luminance), green, blue, alpha
  bool luminance = false;
};

bool Fail(std::string& error, const std::string& message) {
  error = "DDS: " + message;
  return false;
}

bool ReadHeader(ByteReader& in, DdsHeader& h, std::string& error) {
  uint32_t size = 0, pitch = 0, pfSize = 0, caps = 0;
  if (!in.Skip(4) || !in.U32(size)) return Fail(error, "file truncated in the header");
  if (size != kHeaderSize) return Fail(error, "bad header size " + std::to_string(size));
  DdsPixelFormat& pf = h.pf;
  if (!in.U32(h.flags) || !in.U32(h.height) || !in.U32(h.width) || !in.U32(pitch) ||
      !in.U32(h.depth) || !in.U32(h.mipCount) || !in.Skip(44) || !in.U32(pfSize) ||
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

// A layout of up to 32 bits a pixel given by masks. The six layouts the image holds as they
// are keep their format; any other is widened to A8R8G8B8, or X8R8G8B8 without alpha.
bool MaskLayout(uint32_t bitCount, uint32_t r, uint32_t g, uint32_t b, uint32_t a, bool luminance,
                Layout& layout) {
  if (bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) return false;
  const uint64_t limit = bitCount == 32 ? 0xFFFFFFFFull : (uint64_t{1} << bitCount) - 1;
  const uint32_t masks[4] = {r, luminance ? 0 : g, luminance ? 0 : b, a};
  for (uint32_t mask : masks) {
    MaskChannel channel;
    if (mask > limit || !MakeChannel(mask, channel)) return false;
  }
  if (r == 0 && g == 0 && b == 0 && a == 0) return false;
  layout = Layout{};
  layout.fileBpp = bitCount / 8;
  for (int i = 0; i < 4; ++i) layout.masks[i] = masks[i];
  layout.luminance = luminance;
  const bool rgb8 = !luminance && r == 0xFF0000 && g == 0xFF00 && b == 0xFF;
  if (rgb8 && bitCount == 32 && a == 0xFF000000) {
    layout.format = kFmtA8R8G8B8;
  } else if (luminance && bitCount == 8 && r == 0xFF && a == 0) {
    layout.format = kFmtL8;
  } else if (luminance && bitCount == 16 && r == 0xFF && a == 0xFF00) {
    layout.format = kFmtA8L8;
  } else if (!luminance && bitCount == 8 && r == 0 && g == 0 && b == 0 && a == 0xFF) {
    layout.format = kFmtA8;
  } else {
    // X8R8G8B8 and R8G8B8 go through here too: their unused byte must read as opaque.
    layout.encoding = Encoding::Masks;
    layout.format = a != 0 ? kFmtA8R8G8B8 : kFmtX8R8G8B8;
  }
  return true;
}

Layout Special(Encoding encoding, uint32_t fileBpp) {
  Layout layout;
  layout.encoding = encoding;
  layout.format = kFmtA8R8G8B8;
  layout.fileBpp = fileBpp;
  return layout;
}

Layout Dxt(int version) {
  Layout layout;
  layout.encoding = Encoding::Dxt;
  layout.format = kFmtA8R8G8B8;
  layout.dxtVersion = version;
  return layout;
}

// A D3DFORMAT number in the FourCC field, as Direct3D's own tools write it.
bool D3dFormatLayout(uint32_t format, Layout& layout) {
  switch (format) {
    case 20:
      return MaskLayout(24, 0xFF0000, 0xFF00, 0xFF, 0, false, layout);  // R8G8B8
    case 21:
      return MaskLayout(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, false, layout);
    case 22:
      return MaskLayout(32, 0xFF0000, 0xFF00, 0xFF, 0, false, layout);  // X8R8G8B8
    case 23:
      return MaskLayout(16, 0xF800, 0x7E0, 0x1F, 0, false, layout);  // R5G6B5
    case 24:
      return MaskLayout(16, 0x7C00, 0x3E0, 0x1F, 0, false, layout);  // X1R5G5B5
    case 25:
      return MaskLayout(16, 0x7C00, 0x3E0, 0x1F, 0x8000, false, layout);
    case 26:
      return MaskLayout(16, 0xF00, 0xF0, 0xF, 0xF000, false, layout);  // A4R4G4B4
    case 27:
      return MaskLayout(8, 0xE0, 0x1C, 0x3, 0, false, layout);  // R3G3B2
    case 28:
      return MaskLayout(8, 0, 0, 0, 0xFF, false, layout);  // A8
    case 29:
      return MaskLayout(16, 0xE0, 0x1C, 0x3, 0xFF00, false, layout);  // A8R3G3B2
    case 30:
      return MaskLayout(16, 0xF00, 0xF0, 0xF, 0, false, layout);  // X4R4G4B4
    case 31:                                                      // A2B10G10R10
      return MaskLayout(32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000, false, layout);
    case 32:
      return MaskLayout(32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000, false, layout);
    case 33:
      return MaskLayout(32, 0xFF, 0xFF00, 0xFF0000, 0, false, layout);  // X8B8G8R8
    case 34:
      return MaskLayout(32, 0xFFFF, 0xFFFF0000, 0, 0, false, layout);  // G16R16
    case 35:                                                           // A2R10G10B10
      return MaskLayout(32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000, false, layout);
    case 36:
      layout = Special(Encoding::Unorm16x4, 8);
      return true;  // A16B16G16R16
    case 50:
      return MaskLayout(8, 0xFF, 0, 0, 0, true, layout);  // L8
    case 51:
      return MaskLayout(16, 0xFF, 0, 0, 0xFF00, true, layout);  // A8L8
    case 52:
      return MaskLayout(8, 0xF, 0, 0, 0xF0, true, layout);  // A4L4
    case 113:
      layout = Special(Encoding::Half4, 8);
      return true;  // A16B16G16R16F
    case 116:
      layout = Special(Encoding::Float4, 16);
      return true;  // A32B32G32R32F
    default:
      return false;
  }
}

// The DXGI formats that have a Direct3D 9 counterpart.
bool DxgiLayout(uint32_t format, Layout& layout) {
  switch (format) {
    case 2:
      layout = Special(Encoding::Float4, 16);
      return true;  // R32G32B32A32_FLOAT
    case 10:
      layout = Special(Encoding::Half4, 8);
      return true;  // R16G16B16A16_FLOAT
    case 11:
      layout = Special(Encoding::Unorm16x4, 8);
      return true;  // R16G16B16A16_UNORM
    case 24:
      return D3dFormatLayout(31, layout);  // R10G10B10A2_UNORM
    case 28:
    case 29:
      return D3dFormatLayout(32, layout);  // R8G8B8A8_UNORM(_SRGB)
    case 35:
      return D3dFormatLayout(34, layout);  // R16G16_UNORM
    case 65:
      return D3dFormatLayout(28, layout);  // A8_UNORM
    case 70:
    case 71:
    case 72:
      layout = Dxt(1);
      return true;  // BC1
    case 73:
    case 74:
    case 75:
      layout = Dxt(3);
      return true;  // BC2
    case 76:
    case 77:
    case 78:
      layout = Dxt(5);
      return true;  // BC3
    case 85:
      return D3dFormatLayout(23, layout);  // B5G6R5_UNORM
    case 86:
      return D3dFormatLayout(25, layout);  // B5G5R5A1_UNORM
    case 87:
    case 91:
      return D3dFormatLayout(21, layout);  // B8G8R8A8_UNORM(_SRGB)
    case 88:
    case 93:
      return D3dFormatLayout(22, layout);  // B8G8R8X8_UNORM(_SRGB)
    case 115:
      return D3dFormatLayout(26, layout);  // B4G4R4A4_UNORM
    default:
      return false;
  }
}

std::string DescribeMasks(const DdsPixelFormat& pf) {
  char masks[128];
  std::snprintf(masks, sizeof masks, "flags 0x%X, %u bits, masks R 0x%X G 0x%X B 0x%X A 0x%X",
                pf.flags, pf.bitCount, pf.r, pf.g, pf.b, pf.a);
  return masks;
}

// Reads the DX10 header when there is one; `volume` may be set by it.
bool IdentifyFormat(ByteReader& in, const DdsPixelFormat& pf, Layout& layout, bool& volume,
                    size_t& dataOffset, std::string& error) {
  dataOffset = kDataOffset;
  if (pf.flags & kDdpfFourCC) {
    if (pf.fourCC == kDx10) {
      uint32_t dxgi = 0, dimension = 0, misc = 0, arraySize = 0, misc2 = 0;
      if (!in.Seek(kDataOffset) || !in.U32(dxgi) || !in.U32(dimension) || !in.U32(misc) ||
          !in.U32(arraySize) || !in.U32(misc2))
        return Fail(error, "file truncated in the DX10 header");
      if (misc & kDx10MiscCube) return Fail(error, "cube maps are not supported");
      if (arraySize > 1) return Fail(error, "texture arrays are not supported");
      if (!DxgiLayout(dxgi, layout))
        return Fail(error, "DXGI format " + std::to_string(dxgi) +
                               " has no Direct3D 9 counterpart and is not supported");
      volume = volume || dimension == kDx10Texture3D;
      dataOffset = kDataOffset + kDx10HeaderSize;
      return true;
    }
    for (int version = 1; version <= 5; ++version) {
      if (pf.fourCC == FourCC('D', 'X', 'T', char('0' + version))) {
        layout = Dxt(version);
        return true;
      }
    }
    if (D3dFormatLayout(pf.fourCC, layout)) return true;
    return Fail(error,
                "compressed or FOURCC texture " + DescribeFourCC(pf.fourCC) + " is not supported");
  }
  const bool alpha = (pf.flags & (kDdpfAlphaPixels | kDdpfAlpha)) != 0;
  const uint32_t a = alpha ? pf.a : 0;
  bool known = false;
  if (pf.flags & kDdpfLuminance)
    known = MaskLayout(pf.bitCount, pf.r, 0, 0, a, true, layout);
  else if (pf.flags & kDdpfRgb)
    known = MaskLayout(pf.bitCount, pf.r, pf.g, pf.b, a, false, layout);
  else if (alpha)
    known = MaskLayout(pf.bitCount, 0, 0, 0, pf.a, false, layout);
  if (!known) return Fail(error, "unsupported pixel format (" + DescribeMasks(pf) + ")");
  return true;
}

uint64_t LittleEndian(const uint8_t* p, uint32_t bytes) {
  uint64_t value = 0;
  for (uint32_t i = 0; i < bytes; ++i) value |= uint64_t{p[i]} << (8 * i);
  return value;
}

uint8_t Unit(float v) {
  if (!(v > 0.0f)) return 0;  // NaN too
  if (v >= 1.0f) return 0xFF;
  return static_cast<uint8_t>(std::lround(v * 255.0f));
}

float HalfToFloat(uint16_t h) {
  const int exponent = h >> 10 & 0x1F;
  const float mantissa = float(h & 0x3FF);
  float magnitude;
  if (exponent == 0)
    magnitude = std::ldexp(mantissa, -24);
  else if (exponent == 31)
    magnitude = mantissa == 0 ? INFINITY : NAN;
  else
    magnitude = std::ldexp(1024.0f + mantissa, exponent - 25);
  return (h & 0x8000) ? -magnitude : magnitude;
}

// One pixel of the four-channel encodings, R, G, B, A in the file, to B, G, R, A.
void DecodeWide(const uint8_t* p, Encoding encoding, uint8_t* dst) {
  float rgba[4];
  for (int k = 0; k < 4; ++k) {
    if (encoding == Encoding::Float4) {
      const uint32_t bits = static_cast<uint32_t>(LittleEndian(p + 4 * k, 4));
      std::memcpy(&rgba[k], &bits, sizeof bits);
    } else {
      const uint16_t v = static_cast<uint16_t>(LittleEndian(p + 2 * k, 2));
      rgba[k] = encoding == Encoding::Half4 ? HalfToFloat(v) : float(v) / 65535.0f;
    }
  }
  dst[0] = Unit(rgba[2]);
  dst[1] = Unit(rgba[1]);
  dst[2] = Unit(rgba[0]);
  dst[3] = Unit(rgba[3]);
}

void DecodePixels(const Layout& layout, const uint8_t* src, uint64_t count, uint8_t* dst) {
  if (layout.encoding == Encoding::Copy) {
    std::memcpy(dst, src, count * layout.fileBpp);
    return;
  }
  if (layout.encoding != Encoding::Masks) {
    for (uint64_t i = 0; i < count; ++i)
      DecodeWide(src + i * layout.fileBpp, layout.encoding, dst + 4 * i);
    return;
  }
  MaskChannel channels[4];
  for (int k = 0; k < 4; ++k) MakeChannel(layout.masks[k], channels[k]);
  for (uint64_t i = 0; i < count; ++i) {
    const uint32_t pixel =
        static_cast<uint32_t>(LittleEndian(src + i * layout.fileBpp, layout.fileBpp));
    const uint8_t red = ExpandChannel(pixel, channels[0]);
    uint8_t* out = dst + 4 * i;
    out[0] = layout.luminance ? red : ExpandChannel(pixel, channels[2]);
    out[1] = layout.luminance ? red : ExpandChannel(pixel, channels[1]);
    out[2] = red;
    out[3] = layout.masks[3] ? ExpandChannel(pixel, channels[3]) : uint8_t{0xFF};
  }
}

void DecodeBlocks(const Layout& layout, const uint8_t* src, uint32_t width, uint32_t height,
                  uint32_t depth, uint8_t* dst) {
  const uint32_t blocksWide = (width + 3) / 4, blocksHigh = (height + 3) / 4;
  const uint32_t blockBytes = DxtBlockBytes(layout.dxtVersion);
  uint8_t block[64];
  for (uint32_t z = 0; z < depth; ++z)
    for (uint32_t by = 0; by < blocksHigh; ++by)
      for (uint32_t bx = 0; bx < blocksWide; ++bx) {
        DecodeDxtBlock(src, layout.dxtVersion, block);
        src += blockBytes;
        // Blocks at the right and bottom edges cover pixels past the picture.
        for (uint32_t y = 0; y < 4 && by * 4 + y < height; ++y)
          for (uint32_t x = 0; x < 4 && bx * 4 + x < width; ++x) {
            const uint64_t at = (uint64_t{z} * height + by * 4 + y) * width + bx * 4 + x;
            std::memcpy(dst + 4 * at, block + 4 * (y * 4 + x), 4);
          }
      }
}

// The file's blocks as they are, level after level while the file holds them whole. DXT2 and
// DXT4 (premultiplied alpha) have no GL form and are only decoded.
void KeepBlocks(const Layout& layout, const DdsHeader& header, const uint8_t* top, ByteReader& in,
                Image& out) {
  static const uint32_t kFormats[] = {0, kFmtDxt1, 0, kFmtDxt3, 0, kFmtDxt5};
  const uint32_t format = kFormats[layout.dxtVersion];
  if (format == 0) return;
  const uint32_t levels = (header.flags & kDdsdMipMapCount) && header.mipCount > 1
                              ? std::min<uint32_t>(header.mipCount, 32)
                              : 1;
  uint32_t width = header.width, height = header.height;
  const uint8_t* level = top;
  for (uint32_t i = 0; i < levels; ++i) {
    const uint64_t bytes = BlockBytes(format, width, height);
    if (i > 0 && !in.Bytes(bytes, level)) break;
    out.blockLevels.emplace_back(level, level + bytes);
    width = std::max(1u, width / 2);
    height = std::max(1u, height / 2);
  }
  out.blockFormat = format;
}

}  // namespace

bool DecodeDds(const uint8_t* data, size_t size, Image& out, std::string& error) {
  ByteReader in(data, size);
  DdsHeader header;
  if (!ReadHeader(in, header, error)) return false;
  if (header.caps2 & kCaps2Cubemap) return Fail(error, "cube maps are not supported");
  bool volume = (header.caps2 & kCaps2Volume) != 0 || (header.flags & kDdsdDepth) != 0;
  Layout layout;
  size_t dataOffset = kDataOffset;
  if (!IdentifyFormat(in, header.pf, layout, volume, dataOffset, error)) return false;

  const uint32_t depth = volume ? header.depth : 1;
  const uint32_t bpp = ImageBytesPerPixel(layout.format);
  if (!CheckImageSize("DDS", header.width, header.height, depth, bpp, size, error)) return false;

  // Rows are tightly packed, whatever the pitch field says, and a volume's top level holds
  // all its slices before the smaller levels; compressed slices are rows of 4x4 blocks.
  const uint64_t count = uint64_t{header.width} * header.height * depth;
  const uint64_t needed = layout.encoding == Encoding::Dxt
                              ? uint64_t{(header.width + 3) / 4} * ((header.height + 3) / 4) *
                                    depth * DxtBlockBytes(layout.dxtVersion)
                              : count * layout.fileBpp;
  const uint8_t* src = nullptr;
  if (!in.Seek(dataOffset) || !in.Bytes(needed, src)) {
    return Fail(error, "file truncated in the pixel data (needs " + std::to_string(needed) +
                           " bytes, has " +
                           std::to_string(size > dataOffset ? size - dataOffset : 0) + ")");
  }
  out.pixels.resize(count * bpp);
  if (layout.encoding == Encoding::Dxt)
    DecodeBlocks(layout, src, header.width, header.height, depth, out.pixels.data());
  else
    DecodePixels(layout, src, count, out.pixels.data());
  out.width = header.width;
  out.height = header.height;
  out.depth = depth;
  out.format = layout.format;
  out.isVolume = volume;
  out.blockFormat = 0;
  out.blockLevels.clear();
  if (layout.encoding == Encoding::Dxt && !volume) KeepBlocks(layout, header, src, in, out);
  return true;
}

}  // namespace ember::image_detail
