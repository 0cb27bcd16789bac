// BMP decoding: each bit depth, both row orders, bit field masks, and malformed files.
#include <gtest/gtest.h>

#include "tests/image/image_test_util.h"

namespace ember {
namespace {

using test::Argb;
using test::Put16;
using test::Put32;

struct BmpSpec {
  int32_t width = 1, height = 1;
  uint16_t bitCount = 24;
  uint32_t compression = 0;
  uint32_t headerSize = 40;
  uint32_t colorsUsed = 0;
  std::vector<uint32_t> palette;  // 0x00RRGGBB
  std::vector<uint32_t> masks;    // red, green, blue[, alpha]
  std::vector<uint8_t> pixels;    // rows as stored, padding included
};

std::vector<uint8_t> BuildBmp(const BmpSpec& s) {
  std::vector<uint8_t> info;
  Put32(info, s.headerSize);
  if (s.headerSize == 12) {
    Put16(info, static_cast<uint32_t>(s.width));
    Put16(info, static_cast<uint32_t>(s.height));
    Put16(info, 1);
    Put16(info, s.bitCount);
  } else {
    Put32(info, static_cast<uint32_t>(s.width));
    Put32(info, static_cast<uint32_t>(s.height));
    Put16(info, 1);
    Put16(info, s.bitCount);
    Put32(info, s.compression);
    Put32(info, static_cast<uint32_t>(s.pixels.size()));
    Put32(info, 2835);
    Put32(info, 2835);
    Put32(info, s.colorsUsed);
    Put32(info, 0);
  }
  // Masks sit inside headers of 52 bytes and more, and just after a 40-byte one.
  for (uint32_t mask : s.masks) Put32(info, mask);
  while (info.size() < s.headerSize) info.push_back(0);
  for (uint32_t colour : s.palette) {
    Put16(info, colour & 0xFFFF);
    info.push_back(static_cast<uint8_t>(colour >> 16));
    if (s.headerSize != 12) info.push_back(0);
  }
  std::vector<uint8_t> file = {'B', 'M'};
  Put32(file, static_cast<uint32_t>(14 + info.size() + s.pixels.size()));
  Put32(file, 0);
  Put32(file, static_cast<uint32_t>(14 + info.size()));
  test::Append(file, info);
  test::Append(file, s.pixels);
  return file;
}

Image MustDecode(const BmpSpec& spec) {
  const std::vector<uint8_t> file = BuildBmp(spec);
  Image image;
  std::string error;
  EXPECT_TRUE(DecodeImage(file.data(), file.size(), image, error)) << error;
  EXPECT_EQ(image.fileFormat, kFileBmp);
  return image;
}

std::string DecodeError(const std::vector<uint8_t>& file) {
  Image image;
  std::string error;
  EXPECT_FALSE(DecodeImage(file.data(), file.size(), image, error));
  EXPECT_TRUE(image.pixels.empty());
  return error;
}

std::vector<uint32_t> AllPixels(const Image& image) {
  std::vector<uint32_t> out;
  for (uint32_t y = 0; y < image.height; ++y) {
    for (uint32_t x = 0; x < image.width; ++x) out.push_back(Argb(image, x, y));
  }
  return out;
}

TEST(BmpDecode, OneBitPaletteBottomUp) {
  BmpSpec spec;
  spec.width = 3;
  spec.height = 2;
  spec.bitCount = 1;
  spec.palette = {0x102030, 0xA0B0C0};
  spec.pixels = {0x60, 0, 0, 0,   // bottom row: 0 1 1
                 0xA0, 0, 0, 0};  // top row:    1 0 1
  const Image image = MustDecode(spec);
  EXPECT_EQ(image.format, kFmtX8R8G8B8);
  EXPECT_EQ(AllPixels(image), (std::vector<uint32_t>{0xFFA0B0C0, 0xFF102030, 0xFFA0B0C0, 0xFF102030,
                                                     0xFFA0B0C0, 0xFFA0B0C0}));
}

TEST(BmpDecode, FourBitPaletteTopDownWithShortTable) {
  BmpSpec spec;
  spec.width = 3;
  spec.height = -2;
  spec.bitCount = 4;
  spec.colorsUsed = 3;
  spec.palette = {0x000001, 0x000200, 0x030000};
  spec.pixels = {0x21, 0x00, 0, 0,   // top row:    2 1 0
                 0x02, 0x50, 0, 0};  // bottom row: 0 2 5 (past the table: black)
  const Image image = MustDecode(spec);
  EXPECT_EQ(AllPixels(image), (std::vector<uint32_t>{0xFF030000, 0xFF000200, 0xFF000001, 0xFF000001,
                                                     0xFF030000, 0xFF000000}));
}

TEST(BmpDecode, EightBitPaletteBothRowOrdersAgree) {
  BmpSpec spec;
  spec.width = 2;
  spec.height = 2;
  spec.bitCount = 8;
  spec.colorsUsed = 4;
  spec.palette = {0x111111, 0x222222, 0x333333, 0xFF8000};
  spec.pixels = {3, 2, 0, 0,   // bottom row
                 0, 1, 0, 0};  // top row
  const Image bottomUp = MustDecode(spec);
  spec.height = -2;
  spec.pixels = {0, 1, 0, 0, 3, 2, 0, 0};
  const Image topDown = MustDecode(spec);
  const std::vector<uint32_t> expected = {0xFF111111, 0xFF222222, 0xFFFF8000, 0xFF333333};
  EXPECT_EQ(AllPixels(bottomUp), expected);
  EXPECT_EQ(AllPixels(topDown), expected);
}

TEST(BmpDecode, TwentyFourBitBothRowOrdersWithPadding) {
  BmpSpec spec;
  spec.width = 3;
  spec.height = 2;
  spec.pixels = {
      1,  2,  3,  4,  5,  6,  7,  8,  9,  0xEE, 0xEE, 0xEE,  // bottom row, 3 bytes padding
      10, 11, 12, 13, 14, 15, 16, 17, 18, 0xEE, 0xEE, 0xEE};
  const std::vector<uint32_t> expected = {0xFF0C0B0A, 0xFF0F0E0D, 0xFF121110,
                                          0xFF030201, 0xFF060504, 0xFF090807};
  const Image bottomUp = MustDecode(spec);
  EXPECT_EQ(bottomUp.format, kFmtX8R8G8B8);
  EXPECT_EQ(AllPixels(bottomUp), expected);

  spec.height = -2;
  std::rotate(spec.pixels.begin(), spec.pixels.begin() + 12, spec.pixels.end());
  EXPECT_EQ(AllPixels(MustDecode(spec)), expected);
}

TEST(BmpDecode, ThirtyTwoBitPlainIgnoresTheFourthByte) {
  BmpSpec spec;
  spec.width = 2;
  spec.bitCount = 32;
  spec.pixels = {0x10, 0x20, 0x30, 0x00, 0x40, 0x50, 0x60, 0x7F};
  const Image image = MustDecode(spec);
  EXPECT_EQ(image.format, kFmtX8R8G8B8);
  EXPECT_EQ(AllPixels(image), (std::vector<uint32_t>{0xFF302010, 0xFF605040}));
}

TEST(BmpDecode, ThirtyTwoBitFieldsWithAlphaMask) {
  BmpSpec spec;
  spec.width = 2;
  spec.bitCount = 32;
  spec.compression = 3;
  spec.headerSize = 108;
  // Bytes in R, G, B, A order rather than the usual B, G, R, A.
  spec.masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};
  spec.pixels = {0x10, 0x20, 0x30, 0x40, 0xAA, 0xBB, 0xCC, 0x00};
  const Image image = MustDecode(spec);
  EXPECT_EQ(image.format, kFmtA8R8G8B8);
  EXPECT_EQ(AllPixels(image), (std::vector<uint32_t>{0x40102030, 0x00AABBCC}));
}

TEST(BmpDecode, ThirtyTwoBitFieldsWithoutAlphaAreOpaque) {
  BmpSpec spec;
  spec.bitCount = 32;
  spec.compression = 3;
  spec.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
  spec.pixels = {0x01, 0x02, 0x03, 0x04};
  const Image image = MustDecode(spec);
  EXPECT_EQ(image.format, kFmtX8R8G8B8);
  EXPECT_EQ(Argb(image, 0, 0), 0xFF030201u);
}

TEST(BmpDecode, SixteenBitFiveFiveFive) {
  BmpSpec spec;
  spec.width = 4;
  spec.bitCount = 16;
  // 0x7C00 full red; 0x4210 is 16 in each channel (16 widens to 0x84); the top bit
  // is unused; 0x001F full blue.
  spec.pixels = {0x00, 0x7C, 0x10, 0x42, 0x00, 0x80, 0x1F, 0x00};
  const Image image = MustDecode(spec);
  EXPECT_EQ(image.format, kFmtX8R8G8B8);
  EXPECT_EQ(AllPixels(image),
            (std::vector<uint32_t>{0xFFFF0000, 0xFF848484, 0xFF000000, 0xFF0000FF}));
}

TEST(BmpDecode, SixteenBitFiveSixFiveBitFields) {
  BmpSpec spec;
  spec.width = 4;
  spec.bitCount = 16;
  spec.compression = 3;
  spec.masks = {0xF800, 0x07E0, 0x001F};
  // Full red; green 32 of 63 (widens to 0x82); green 1 (0x04) with blue 1 (0x08); white.
  spec.pixels = {0x00, 0xF8, 0x00, 0x04, 0x21, 0x00, 0xFF, 0xFF};
  const Image image = MustDecode(spec);
  EXPECT_EQ(AllPixels(image),
            (std::vector<uint32_t>{0xFFFF0000, 0xFF008200, 0xFF000408, 0xFFFFFFFF}));
}

TEST(BmpDecode, CoreHeaderWithThreeBytePalette) {
  BmpSpec spec;
  spec.width = 2;
  spec.headerSize = 12;
  spec.bitCount = 8;
  spec.palette.assign(256, 0);
  spec.palette[7] = 0x123456;
  spec.pixels = {7, 0, 0, 0};
  const Image image = MustDecode(spec);
  EXPECT_EQ(AllPixels(image), (std::vector<uint32_t>{0xFF123456, 0xFF000000}));
}

// 4x2 at 24 bits: rows of 12 bytes, no padding, so any cut removes needed bytes.
BmpSpec SmallBmp() {
  BmpSpec spec;
  spec.width = 4;
  spec.height = 2;
  for (uint8_t i = 0; i < 24; ++i) spec.pixels.push_back(i);
  return spec;
}

TEST(BmpMalformed, EveryTruncationFails) {
  const std::vector<uint8_t> file = BuildBmp(SmallBmp());
  for (size_t length = 0; length < file.size(); ++length) {
    Image image;
    std::string error;
    EXPECT_FALSE(DecodeImage(file.data(), length, image, error)) << "length " << length;
    EXPECT_FALSE(error.empty()) << "length " << length;
  }
  EXPECT_EQ(DecodeError({file.begin(), file.begin() + 20}),
            "BMP: file truncated in the info header");
  EXPECT_EQ(DecodeError({file.begin(), file.end() - 1}),
            "BMP: file truncated in the pixel data (needs 24 bytes, has 23)");
}

TEST(BmpMalformed, AbsurdSizesAreRejected) {
  BmpSpec spec = SmallBmp();
  spec.width = 100000;
  spec.height = 100000;
  EXPECT_EQ(DecodeError(BuildBmp(spec)),
            "BMP: image size 100000x100000x1 is out of range (1 to 16384 a side, depth up to "
            "2048)");
  spec.width = 16384;
  spec.height = -16384;
  EXPECT_EQ(DecodeError(BuildBmp(spec)),
            "BMP: image of 1073741824 bytes is larger than the 512 MiB limit");
  spec.width = -4;
  spec.height = 2;
  EXPECT_EQ(DecodeError(BuildBmp(spec)), "BMP: invalid image size -4x2");
  spec.width = 4;
  spec.height = 0;
  EXPECT_EQ(DecodeError(BuildBmp(spec)), "BMP: invalid image size 4x0");
}

// A 4x3 palette bitmap whose index i is the colour 0x0000i0.
BmpSpec RleBmp(uint32_t compression, std::vector<uint8_t> stream) {
  BmpSpec spec;
  spec.width = 4;
  spec.height = 3;
  spec.bitCount = compression == 1 ? 8 : 4;
  spec.compression = compression;
  spec.colorsUsed = 16;
  spec.palette.resize(16);
  for (uint32_t i = 0; i < 16; ++i) spec.palette[i] = i << 4;
  spec.pixels = std::move(stream);
  return spec;
}

// Rows of palette indices, top row first, from a decoded RleBmp.
std::vector<std::vector<uint32_t>> Indices(const Image& image) {
  std::vector<std::vector<uint32_t>> rows(image.height);
  for (uint32_t y = 0; y < image.height; ++y)
    for (uint32_t x = 0; x < image.width; ++x) rows[y].push_back((Argb(image, x, y) & 0xFF) >> 4);
  return rows;
}

TEST(BmpRle, Rle8RunsLiteralsAndTheEndOfEachRow) {
  // Bottom row: a run of three 5s and a 1; middle: a literal 7 8 9 (padded) and a run of one 2;
  // top: two 3s, then the end of the picture leaves the rest at entry 0.
  const Image image = MustDecode(RleBmp(1, {3, 5, 1, 1, 0, 0,              //
                                            0, 3, 7, 8, 9, 0, 1, 2, 0, 0,  //
                                            2, 3, 0, 1}));
  EXPECT_EQ(image.format, kFmtX8R8G8B8);
  EXPECT_EQ(Indices(image),
            (std::vector<std::vector<uint32_t>>{{3, 3, 0, 0}, {7, 8, 9, 2}, {5, 5, 5, 1}}));
  EXPECT_EQ(Argb(image, 0, 2), 0xFF000050u);
}

TEST(BmpRle, Rle4AlternatesNibblesAndJumpsWithDeltas) {
  // Bottom row: a run of four alternating 1 and 2, the end of the row; then a jump two right
  // and one up, to the top row, and a literal of three nibbles 4 5 6 that runs past the row's
  // end and is cut there. The middle row is skipped whole.
  const Image image = MustDecode(RleBmp(2, {4, 0x12, 0, 0,  //
                                            0, 2, 2, 1,     //
                                            0, 3, 0x45, 0x60, 0, 1}));
  EXPECT_EQ(Indices(image),
            (std::vector<std::vector<uint32_t>>{{0, 0, 4, 5}, {0, 0, 0, 0}, {1, 2, 1, 2}}));
}

TEST(BmpRle, DamagedStreamsFailAndOverlongOnesStop) {
  // Cut anywhere before the end of the picture, the stream fails and says so.
  const std::vector<uint8_t> stream = {3, 5, 1, 1, 0, 0, 0, 3, 7, 8, 9, 0, 1, 2, 0, 0, 2, 3, 0, 1};
  for (size_t length = 0; length < stream.size(); ++length) {
    BmpSpec spec = RleBmp(1, std::vector<uint8_t>(stream.begin(), stream.begin() + length));
    EXPECT_EQ(DecodeError(BuildBmp(spec)), "BMP: file truncated in the RLE data")
        << "length " << length;
  }
  // Runs past the right edge, and rows past the top, are cut, not written out of bounds.
  const Image image = MustDecode(RleBmp(1, {255, 9, 0, 2, 255, 255, 200, 7}));
  EXPECT_EQ(Indices(image)[2], (std::vector<uint32_t>{9, 9, 9, 9}));
  EXPECT_EQ(Indices(image)[0], (std::vector<uint32_t>{0, 0, 0, 0}));
  // Run-length bitmaps are bottom-up by definition.
  BmpSpec topDown = RleBmp(1, {4, 1, 0, 1});
  topDown.height = -3;
  EXPECT_EQ(DecodeError(BuildBmp(topDown)), "BMP: RLE bitmaps cannot be top-down");
}

TEST(BmpMalformed, UnsupportedLayoutsSayWhy) {
  BmpSpec spec = SmallBmp();
  spec.bitCount = 24;
  spec.compression = 1;
  EXPECT_EQ(DecodeError(BuildBmp(spec)), "BMP: RLE8 needs 8-bit pixels");

  spec = SmallBmp();
  spec.bitCount = 2;
  EXPECT_EQ(DecodeError(BuildBmp(spec)), "BMP: unsupported bit depth 2");

  spec = SmallBmp();
  spec.headerSize = 20;
  EXPECT_EQ(DecodeError(BuildBmp(spec)), "BMP: unsupported info header size 20");

  spec = SmallBmp();
  spec.bitCount = 16;
  spec.compression = 3;
  spec.masks = {0xF00F, 0x0F00, 0x00F0};  // red is not one run of bits
  EXPECT_EQ(DecodeError(BuildBmp(spec)), "BMP: invalid colour mask");
}

TEST(BmpMalformed, PixelOffsetPastTheEnd) {
  std::vector<uint8_t> file = BuildBmp(SmallBmp());
  file[10] = 0xFF;
  file[11] = 0xFF;
  EXPECT_EQ(DecodeError(file), "BMP: file truncated in the pixel data (needs 24 bytes, has 0)");
}

TEST(BmpMalformed, ColourTablePastTheEnd) {
  BmpSpec spec;
  spec.bitCount = 8;
  spec.colorsUsed = 200;
  spec.palette = {0x123456};
  EXPECT_EQ(DecodeError(BuildBmp(spec)), "BMP: file truncated in the colour table");
}

}  // namespace
}  // namespace ember
