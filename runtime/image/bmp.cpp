// Windows BMP decoding: 1, 4 and 8 bit palettes, plain or run-length encoded (RLE4, RLE8),
// 16, 24 and 32 bit pixels (plain or with BI_BITFIELDS masks), bottom-up or top-down rows.
// Embedded JPEG/PNG bitmaps are rejected.
#include <cstdint>
#include <vector>

#include "runtime/image/codecs.h"

namespace ember::image_detail {
namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiJpeg = 4;
constexpr uint32_t kBiPng = 5;
constexpr uint32_t kBiAlphaBitfields = 6;

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;  // OS/2 1.x BITMAPCOREHEADER

struct BmpHeader {
  uint32_t dataOffset = 0;
  uint32_t headerSize = 0;
  int64_t width = 0;
  int64_t height = 0;  // negative for top-down rows
  uint16_t bitCount = 0;
  uint32_t compression = kBiRgb;
  uint32_t colorsUsed = 0;
  uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  size_t paletteOffset = 0;
};

struct Rgba {
  uint8_t b = 0, g = 0, r = 0, a = 0xFF;
};

bool Fail(std::string& error, const std::string& message) {
  error = "BMP: " + message;
  return false;
}

bool ReadHeader(ByteReader& in, BmpHeader& header, std::string& error) {
  if (!in.Skip(10) || !in.U32(header.dataOffset) || !in.U32(header.headerSize)) {
    return Fail(error, "file truncated in the file header");
  }
  const uint32_t size = header.headerSize;
  if (size == kCoreHeaderSize) {
    uint16_t width = 0, height = 0, planes = 0;
    if (!in.U16(width) || !in.U16(height) || !in.U16(planes) || !in.U16(header.bitCount)) {
      return Fail(error, "file truncated in the info header");
    }
    header.width = width;
    header.height = height;
    header.paletteOffset = kFileHeaderSize + size;
    return true;
  }
  if (size != 40 && size != 52 && size != 56 && size != 108 && size != 124) {
    return Fail(error, "unsupported info header size " + std::to_string(size));
  }
  int32_t width = 0, height = 0;
  uint16_t planes = 0;
  if (!in.I32(width) || !in.I32(height) || !in.U16(planes) || !in.U16(header.bitCount) ||
      !in.U32(header.compression) || !in.Skip(12) || !in.U32(header.colorsUsed) || !in.Skip(4)) {
    return Fail(error, "file truncated in the info header");
  }
  header.width = width;
  header.height = height;
  // Masks sit inside the larger headers; after a 40-byte header they follow it.
  const bool bitfields =
      header.compression == kBiBitfields || header.compression == kBiAlphaBitfields;
  uint32_t maskCount = size >= 56 ? 4 : size >= 52 ? 3 : 0;
  size_t afterHeader = 0;
  if (size == 40 && bitfields) {
    maskCount = header.compression == kBiAlphaBitfields ? 4 : 3;
    afterHeader = 4 * maskCount;
  }
  for (uint32_t i = 0; i < maskCount; ++i) {
    if (!in.U32(header.masks[i])) return Fail(error, "file truncated in the colour masks");
  }
  header.paletteOffset = kFileHeaderSize + size + afterHeader;
  return true;
}

bool ReadPalette(ByteReader& in, const BmpHeader& header, std::vector<Rgba>& palette,
                 std::string& error) {
  const uint32_t maxColors = 1u << header.bitCount;
  uint32_t count = header.colorsUsed == 0 ? maxColors : header.colorsUsed;
  if (count > maxColors) count = maxColors;
  const size_t entrySize = header.headerSize == kCoreHeaderSize ? 3 : 4;
  const uint8_t* bytes = nullptr;
  if (!in.Seek(header.paletteOffset) || !in.Bytes(count * entrySize, bytes)) {
    return Fail(error, "file truncated in the colour table");
  }
  // Indices past the table's end read as black.
  palette.assign(maxColors, Rgba{0, 0, 0, 0xFF});
  for (uint32_t i = 0; i < count; ++i) {
    palette[i] =
        Rgba{bytes[i * entrySize], bytes[i * entrySize + 1], bytes[i * entrySize + 2], 0xFF};
  }
  return true;
}

// Picks the format and the channel layout, and rejects what we do not decode.
bool CheckLayout(const BmpHeader& header, MaskChannel channels[4], bool& hasAlpha,
                 std::string& error) {
  const uint32_t c = header.compression;
  if (c == kBiRle8 || c == kBiRle4) {
    if (header.bitCount != (c == kBiRle8 ? 8 : 4))
      return Fail(error, "RLE" + std::to_string(c == kBiRle8 ? 8 : 4) + " needs " +
                             std::to_string(c == kBiRle8 ? 8 : 4) + "-bit pixels");
    if (header.height < 0) return Fail(error, "RLE bitmaps cannot be top-down");
    hasAlpha = false;
    return true;
  }
  if (c == kBiJpeg || c == kBiPng) {
    return Fail(error, "embedded JPEG or PNG bitmaps are not supported");
  }
  const bool bitfields = c == kBiBitfields || c == kBiAlphaBitfields;
  if (c != kBiRgb && !bitfields) return Fail(error, "unknown compression " + std::to_string(c));
  const uint16_t bits = header.bitCount;
  hasAlpha = false;
  if (bits == 1 || bits == 4 || bits == 8 || bits == 24) {
    if (bitfields) return Fail(error, "bit field masks need 16 or 32 bit pixels");
    return true;
  }
  if (bits != 16 && bits != 32) return Fail(error, "unsupported bit depth " + std::to_string(bits));

  uint32_t masks[4] = {header.masks[0], header.masks[1], header.masks[2], header.masks[3]};
  if (!bitfields) {
    const bool is16 = bits == 16;
    masks[0] = is16 ? 0x7C00 : 0xFF0000;
    masks[1] = is16 ? 0x03E0 : 0x00FF00;
    masks[2] = is16 ? 0x001F : 0x0000FF;
    masks[3] = 0;
  }
  for (int i = 0; i < 4; ++i) {
    if ((bits == 16 && masks[i] > 0xFFFF) || !MakeChannel(masks[i], channels[i])) {
      return Fail(error, "invalid colour mask");
    }
  }
  hasAlpha = masks[3] != 0;
  return true;
}

void DecodeRow(const uint8_t* src, uint32_t width, uint16_t bits, const std::vector<Rgba>& palette,
               const MaskChannel channels[4], bool hasAlpha, uint8_t* dst) {
  for (uint32_t x = 0; x < width; ++x) {
    Rgba px;
    if (bits <= 8) {
      const uint32_t bitPos = x * bits;
      const uint32_t index = (src[bitPos / 8] >> (8 - bits - bitPos % 8)) & ((1u << bits) - 1);
      px = palette[index];
    } else if (bits == 24) {
      px = Rgba{src[3 * x], src[3 * x + 1], src[3 * x + 2], 0xFF};
    } else {
      const uint8_t* p = src + x * (bits / 8);
      uint32_t value = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
      if (bits == 32) {
        value |= static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
      }
      px = Rgba{ExpandChannel(value, channels[2]), ExpandChannel(value, channels[1]),
                ExpandChannel(value, channels[0]),
                hasAlpha ? ExpandChannel(value, channels[3]) : uint8_t{0xFF}};
    }
    dst[4 * x + 0] = px.b;
    dst[4 * x + 1] = px.g;
    dst[4 * x + 2] = px.r;
    dst[4 * x + 3] = px.a;
  }
}

// Plain rows, padded to 4 bytes; the last row's padding may be missing.
bool DecodeRows(const uint8_t* data, size_t size, const BmpHeader& header, uint64_t width,
                uint64_t height, bool topDown, const std::vector<Rgba>& palette,
                const MaskChannel channels[4], bool hasAlpha, Image& out, std::string& error) {
  const uint64_t rowBits = width * header.bitCount;
  const uint64_t stride = (rowBits + 31) / 32 * 4;
  const uint64_t needed = stride * (height - 1) + (rowBits + 7) / 8;
  if (header.dataOffset > size || needed > size - header.dataOffset) {
    return Fail(error, "file truncated in the pixel data (needs " + std::to_string(needed) +
                           " bytes, has " +
                           std::to_string(header.dataOffset > size ? 0 : size - header.dataOffset) +
                           ")");
  }

  out.pixels.assign(width * height * 4, 0);
  const uint8_t* pixelData = data + header.dataOffset;
  for (uint64_t y = 0; y < height; ++y) {
    const uint64_t srcRow = topDown ? y : height - 1 - y;
    DecodeRow(pixelData + srcRow * stride, static_cast<uint32_t>(width), header.bitCount, palette,
              channels, hasAlpha, out.pixels.data() + y * width * 4);
  }
  return true;
}

// Run-length encoded palette indices, bottom row first: runs of one index (RLE4 alternates
// two), literal stretches padded to a 16-bit boundary, and escapes for the end of a row, the
// end of the picture and a jump ahead. Pixels the stream skips keep palette entry 0; runs past
// a row's end are cut there. Without `pixels` (width x height, top row first, B, G, R, A) the
// stream is only checked, so that a damaged one fails before any pixel memory is taken.
bool DecodeRle(ByteReader& in, bool rle4, uint64_t width, uint64_t height,
               const std::vector<Rgba>& palette, uint8_t* pixels, std::string& error) {
  uint64_t x = 0, row = 0;  // row counts from the bottom
  auto put = [&](uint8_t index) {
    if (pixels && x < width && row < height) {
      const Rgba& px = palette[index];
      uint8_t* dst = pixels + 4 * ((height - 1 - row) * width + x);
      dst[0] = px.b;
      dst[1] = px.g;
      dst[2] = px.r;
      dst[3] = px.a;
    }
    ++x;
  };
  for (;;) {
    uint8_t count = 0, value = 0;
    if (!in.U8(count) || !in.U8(value)) return Fail(error, "file truncated in the RLE data");
    if (count > 0) {
      for (int i = 0; i < count; ++i) put(rle4 ? (i % 2 ? value & 0xF : value >> 4) : value);
      continue;
    }
    if (value == 0) {  // end of the row
      x = 0;
      ++row;
    } else if (value == 1) {  // end of the picture
      return true;
    } else if (value == 2) {  // jump right and up
      uint8_t dx = 0, dy = 0;
      if (!in.U8(dx) || !in.U8(dy)) return Fail(error, "file truncated in the RLE data");
      x += dx;
      row += dy;
    } else {  // `value` indices as they are
      const size_t bytes = rle4 ? (value + 1) / 2 : value;
      const uint8_t* literal = nullptr;
      if (!in.Bytes(bytes, literal) || !in.Skip(bytes % 2))
        return Fail(error, "file truncated in the RLE data");
      for (int i = 0; i < value; ++i)
        put(rle4 ? (i % 2 ? literal[i / 2] & 0xF : literal[i / 2] >> 4) : literal[i]);
    }
    if (row >= height) return true;  // a stream that runs on past the last row is done
  }
}

// Checks the whole stream, then fills the picture with entry 0 and decodes it.
bool DecodeRleBitmap(const uint8_t* data, size_t size, const BmpHeader& header, uint64_t width,
                     uint64_t height, const std::vector<Rgba>& palette, Image& out,
                     std::string& error) {
  const bool rle4 = header.compression == kBiRle4;
  ByteReader check(data, size);
  if (!check.Seek(header.dataOffset)) return Fail(error, "file truncated before the RLE data");
  if (!DecodeRle(check, rle4, width, height, palette, nullptr, error)) return false;
  out.pixels.resize(width * height * 4);
  const Rgba& background = palette[0];
  for (uint64_t i = 0; i < width * height; ++i) {
    uint8_t* dst = out.pixels.data() + 4 * i;
    dst[0] = background.b;
    dst[1] = background.g;
    dst[2] = background.r;
    dst[3] = background.a;
  }
  ByteReader in(data, size);
  in.Seek(header.dataOffset);
  return DecodeRle(in, rle4, width, height, palette, out.pixels.data(), error);
}

}  // namespace

bool DecodeBmp(const uint8_t* data, size_t size, Image& out, std::string& error) {
  ByteReader in(data, size);
  BmpHeader header;
  if (!ReadHeader(in, header, error)) return false;
  if (header.width <= 0 || header.height == 0) {
    return Fail(error, "invalid image size " + std::to_string(header.width) + "x" +
                           std::to_string(header.height));
  }
  const bool topDown = header.height < 0;
  const uint64_t width = static_cast<uint64_t>(header.width);
  const uint64_t height = static_cast<uint64_t>(topDown ? -header.height : header.height);
  if (!CheckImageSize("BMP", width, height, 1, 4, size, error)) return false;

  MaskChannel channels[4];
  bool hasAlpha = false;
  if (!CheckLayout(header, channels, hasAlpha, error)) return false;
  std::vector<Rgba> palette;
  if (header.bitCount <= 8 && !ReadPalette(in, header, palette, error)) return false;

  if (header.compression == kBiRle8 || header.compression == kBiRle4) {
    if (!DecodeRleBitmap(data, size, header, width, height, palette, out, error)) return false;
  } else if (!DecodeRows(data, size, header, width, height, topDown, palette, channels, hasAlpha,
                         out, error)) {
    return false;
  }
  out.width = static_cast<uint32_t>(width);
  out.height = static_cast<uint32_t>(height);
  out.depth = 1;
  out.format = hasAlpha ? kFmtA8R8G8B8 : kFmtX8R8G8B8;
  out.isVolume = false;
  return true;
}

}  // namespace ember::image_detail
