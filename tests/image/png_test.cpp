// PNG decoding: every colour type to the format D3DX reports, exact pixel values,
// and damaged files failing with a message.
#include <gtest/gtest.h>
#include <zlib.h>

#include "tests/image/image_test_util.h"

namespace ember {
namespace {

using test::Argb;
using test::EncodePng;
using test::PngSpec;

Image MustDecode(const std::vector<uint8_t>& file) {
  Image image;
  std::string error;
  EXPECT_TRUE(DecodeImage(file.data(), file.size(), image, error)) << error;
  EXPECT_EQ(image.fileFormat, kFilePng);
  return image;
}

TEST(PngDecode, RgbBecomesOpaqueX8R8G8B8) {
  PngSpec spec;
  spec.width = 2;
  spec.height = 2;
  const Image image = MustDecode(EncodePng(spec, {10, 20, 30, 40, 50, 60,  //
                                                  70, 80, 90, 255, 0, 128}));
  EXPECT_EQ(image.format, kFmtX8R8G8B8);
  EXPECT_EQ(image.width, 2u);
  EXPECT_EQ(image.height, 2u);
  EXPECT_EQ(image.depth, 1u);
  EXPECT_FALSE(image.isVolume);
  EXPECT_EQ(Argb(image, 0, 0), 0xFF0A141Eu);
  EXPECT_EQ(Argb(image, 1, 0), 0xFF28323Cu);
  EXPECT_EQ(Argb(image, 0, 1), 0xFF46505Au);
  EXPECT_EQ(Argb(image, 1, 1), 0xFFFF0080u);
}

TEST(PngDecode, RgbaKeepsAlpha) {
  PngSpec spec;
  spec.width = 2;
  spec.colorType = PNG_COLOR_TYPE_RGBA;
  const Image image = MustDecode(EncodePng(spec, {1, 2, 3, 4, 200, 100, 50, 255}));
  EXPECT_EQ(image.format, kFmtA8R8G8B8);
  EXPECT_EQ(Argb(image, 0, 0), 0x04010203u);
  EXPECT_EQ(Argb(image, 1, 0), 0xFFC86432u);
}

TEST(PngDecode, GrayBecomesL8) {
  PngSpec spec;
  spec.width = 3;
  spec.colorType = PNG_COLOR_TYPE_GRAY;
  const Image image = MustDecode(EncodePng(spec, {0, 127, 255}));
  EXPECT_EQ(image.format, kFmtL8);
  EXPECT_EQ(image.pixels, (std::vector<uint8_t>{0, 127, 255}));
}

TEST(PngDecode, OneBitGrayExpandsToFullRange) {
  PngSpec spec;
  spec.width = 8;
  spec.colorType = PNG_COLOR_TYPE_GRAY;
  spec.bitDepth = 1;
  const Image image = MustDecode(EncodePng(spec, {0xA5}));
  EXPECT_EQ(image.format, kFmtL8);
  EXPECT_EQ(image.pixels, (std::vector<uint8_t>{255, 0, 255, 0, 0, 255, 0, 255}));
}

TEST(PngDecode, SixteenBitChannelsReduceToEight) {
  PngSpec gray;
  gray.width = 3;
  gray.colorType = PNG_COLOR_TYPE_GRAY;
  gray.bitDepth = 16;
  // Multiples of 257 scale to 8 bits exactly: 0x8080 is 128, 0x0101 is 1.
  const Image g = MustDecode(EncodePng(gray, {0x80, 0x80, 0xFF, 0xFF, 0x01, 0x01}));
  EXPECT_EQ(g.format, kFmtL8);
  EXPECT_EQ(g.pixels, (std::vector<uint8_t>{128, 255, 1}));

  PngSpec rgb;
  rgb.bitDepth = 16;
  const Image c = MustDecode(EncodePng(rgb, {0x40, 0x40, 0x00, 0x00, 0xFF, 0xFF}));
  EXPECT_EQ(c.format, kFmtX8R8G8B8);
  EXPECT_EQ(Argb(c, 0, 0), 0xFF4000FFu);
}

TEST(PngDecode, PaletteWithoutTransparencyIsOpaque) {
  PngSpec spec;
  spec.width = 3;
  spec.colorType = PNG_COLOR_TYPE_PALETTE;
  spec.bitDepth = 4;
  spec.palette = {{255, 0, 0}, {0, 255, 0}, {1, 2, 3}};
  const Image image = MustDecode(EncodePng(spec, {0x21, 0x00}));
  EXPECT_EQ(image.format, kFmtX8R8G8B8);
  EXPECT_EQ(Argb(image, 0, 0), 0xFF010203u);
  EXPECT_EQ(Argb(image, 1, 0), 0xFF00FF00u);
  EXPECT_EQ(Argb(image, 2, 0), 0xFFFF0000u);
}

TEST(PngDecode, PaletteTransparencyGivesAlpha) {
  PngSpec spec;
  spec.width = 3;
  spec.colorType = PNG_COLOR_TYPE_PALETTE;
  spec.palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
  spec.paletteAlpha = {0, 128};  // the third entry has no alpha and stays opaque
  const Image image = MustDecode(EncodePng(spec, {0, 1, 2}));
  EXPECT_EQ(image.format, kFmtA8R8G8B8);
  EXPECT_EQ(Argb(image, 0, 0), 0x000A141Eu);
  EXPECT_EQ(Argb(image, 1, 0), 0x8028323Cu);
  EXPECT_EQ(Argb(image, 2, 0), 0xFF46505Au);
}

TEST(PngDecode, GrayAlphaBecomesArgbGrey) {
  PngSpec spec;
  spec.width = 2;
  spec.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
  const Image image = MustDecode(EncodePng(spec, {0x30, 0x80, 0xF0, 0xFF}));
  EXPECT_EQ(image.format, kFmtA8R8G8B8);
  EXPECT_EQ(Argb(image, 0, 0), 0x80303030u);
  EXPECT_EQ(Argb(image, 1, 0), 0xFFF0F0F0u);
}

TEST(PngDecode, RgbColourKeyChunkMakesThatColourTransparent) {
  PngSpec spec;
  spec.width = 2;
  spec.colorKey = true;
  spec.keyValue.red = 5;
  spec.keyValue.green = 6;
  spec.keyValue.blue = 7;
  const Image image = MustDecode(EncodePng(spec, {5, 6, 7, 5, 6, 8}));
  EXPECT_EQ(image.format, kFmtA8R8G8B8);
  EXPECT_EQ(Argb(image, 0, 0), 0x00050607u);
  EXPECT_EQ(Argb(image, 1, 0), 0xFF050608u);
}

TEST(PngDecode, InterlacedMatchesProgressive) {
  PngSpec spec;
  spec.width = 9;
  spec.height = 9;
  std::vector<uint8_t> rows;
  for (uint32_t i = 0; i < 9 * 9; ++i) {
    rows.push_back(static_cast<uint8_t>(i));
    rows.push_back(static_cast<uint8_t>(i * 3));
    rows.push_back(static_cast<uint8_t>(255 - i));
  }
  const Image plain = MustDecode(EncodePng(spec, rows));
  spec.interlaced = true;
  const std::vector<uint8_t> file = EncodePng(spec, rows);
  EXPECT_EQ(file[28], 1) << "the test file should be Adam7 interlaced";
  const Image interlaced = MustDecode(file);
  EXPECT_EQ(interlaced.pixels, plain.pixels);
  // Pixel (5, 7) is number 68: R 68, G 204, B 187.
  EXPECT_EQ(Argb(interlaced, 5, 7), 0xFF44CCBBu);
}

std::vector<uint8_t> SmallRgbPng() {
  PngSpec spec;
  spec.width = 3;
  spec.height = 2;
  return EncodePng(spec, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18});
}

TEST(PngMalformed, EveryTruncationFails) {
  const std::vector<uint8_t> file = SmallRgbPng();
  for (size_t length = 0; length < file.size(); ++length) {
    Image image;
    std::string error;
    EXPECT_FALSE(DecodeImage(file.data(), length, image, error)) << "length " << length;
    EXPECT_FALSE(error.empty()) << "length " << length;
    EXPECT_TRUE(image.pixels.empty());
  }
}

TEST(PngMalformed, TruncatedDataNamesTheProblem) {
  const std::vector<uint8_t> file = SmallRgbPng();
  Image image;
  std::string error;
  EXPECT_FALSE(DecodeImage(file.data(), file.size() - 20, image, error));
  EXPECT_EQ(error, "PNG: file truncated");
}

TEST(PngMalformed, CorruptChunkFailsQuietly) {
  std::vector<uint8_t> file = SmallRgbPng();
  file[29] ^= 0xFF;  // the IHDR chunk's CRC
  Image image;
  std::string error;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(DecodeImage(file.data(), file.size(), image, error));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(error.rfind("PNG: ", 0), 0u) << error;
  EXPECT_NE(error.find("CRC"), std::string::npos) << error;
}

// Rewrites the IHDR size fields and fixes the chunk's CRC, so only the size is wrong.
std::vector<uint8_t> WithSize(std::vector<uint8_t> file, uint32_t width, uint32_t height) {
  const uint32_t values[2] = {width, height};
  for (int i = 0; i < 2; ++i) {
    for (int b = 0; b < 4; ++b) {
      file[16 + 4 * i + b] = static_cast<uint8_t>(values[i] >> (24 - 8 * b));
    }
  }
  const uLong crc = crc32(0, file.data() + 12, 17);
  for (int b = 0; b < 4; ++b) file[29 + b] = static_cast<uint8_t>(crc >> (24 - 8 * b));
  return file;
}

TEST(PngMalformed, AbsurdSizesAreRejectedBeforeDecoding) {
  struct Case {
    uint32_t width, height;
    const char* expected;
  };
  const Case cases[] = {{100000, 100000, "PNG: image size 100000x100000x1 is out of range"},
                        {16384, 16384, "larger than the 512 MiB limit"}};
  for (const Case& c : cases) {
    const std::vector<uint8_t> file = WithSize(SmallRgbPng(), c.width, c.height);
    Image image;
    std::string error;
    EXPECT_FALSE(DecodeImage(file.data(), file.size(), image, error));
    EXPECT_NE(error.find(c.expected), std::string::npos) << error;
  }
}

// A header that claims more rows than the data holds is a broken file, not a picture
// padded with black.
TEST(PngMalformed, DataEndingBeforeTheLastRowFails) {
  const std::vector<uint8_t> file = WithSize(SmallRgbPng(), 3, 200);
  Image image;
  std::string error;
  EXPECT_FALSE(DecodeImage(file.data(), file.size(), image, error));
  EXPECT_EQ(error, "PNG: Not enough image data");
  EXPECT_TRUE(image.pixels.empty());
}

// The limit counts the file's bytes beside the picture decoded from them.
TEST(PngMalformed, TheFileCountsTowardsTheMemoryLimit) {
  const std::vector<uint8_t> file = WithSize(SmallRgbPng(), 16384, 8192);  // 512 MiB of pixels
  Image image;
  std::string error;
  EXPECT_FALSE(DecodeImage(file.data(), file.size(), image, error));
  EXPECT_EQ(error, "PNG: image of 536870912 bytes with its " + std::to_string(file.size()) +
                       " bytes of source passes the 512 MiB limit");
}

// Deflate packs at most 1032 bytes into one: a small file that claims a large picture fails
// before the picture's memory is taken, while a real picture compressed that far still loads.
TEST(PngMalformed, ASmallFileCannotClaimALargePicture) {
  const std::vector<uint8_t> file = WithSize(SmallRgbPng(), 8192, 4096);
  Image image;
  std::string error;
  EXPECT_FALSE(DecodeImage(file.data(), file.size(), image, error));
  EXPECT_EQ(error, "PNG: a file of " + std::to_string(file.size()) +
                       " bytes cannot hold a 8192 by 4096 picture");

  PngSpec black;
  black.width = 4096;
  black.height = 1024;
  black.colorType = PNG_COLOR_TYPE_GRAY;
  const std::vector<uint8_t> compressed = EncodePng(black, std::vector<uint8_t>(4096 * 1024, 0));
  ASSERT_LT(compressed.size() * 500, size_t(4096) * 1024);
  const Image decoded = MustDecode(compressed);
  EXPECT_EQ(decoded.width, 4096u);
  EXPECT_EQ(decoded.height, 1024u);
}

// libpng would allocate the length a text chunk claims before reading it; ancillary chunks
// are skipped unread instead (the sanitized run fails any allocation past the load limit).
TEST(PngMalformed, AChunkClaimingGigabytesIsNotAllocated) {
  std::vector<uint8_t> file = SmallRgbPng();
  file.resize(33);  // signature and IHDR
  test::Append(file, {0x78, 0xFF, 0x7C, 0x08, 't', 'E', 'X', 't', 'a', 'b', 'c'});
  Image image;
  std::string error;
  EXPECT_FALSE(DecodeImage(file.data(), file.size(), image, error));
  EXPECT_EQ(error, "PNG: file truncated");
}

}  // namespace
}  // namespace ember
