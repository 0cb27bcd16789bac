// DDS decoding: the uncompressed formats recognised by their masks, volumes, the top
// mip level only, and malformed files.
#include <gtest/gtest.h>

#include "tests/image/image_test_util.h"

namespace ember {
namespace {

using test::Argb;
using test::Put32;

constexpr uint32_t kDdsdBasic = 0x1 | 0x2 | 0x4 | 0x1000;  // caps, height, width, pixel format
constexpr uint32_t kDdsdMipCount = 0x20000;
constexpr uint32_t kDdsdDepth = 0x800000;
constexpr uint32_t kDdpfAlphaPixels = 0x1;
constexpr uint32_t kDdpfAlpha = 0x2;
constexpr uint32_t kDdpfFourCC = 0x4;
constexpr uint32_t kDdpfRgb = 0x40;
constexpr uint32_t kDdpfLuminance = 0x20000;
constexpr uint32_t kCaps2Cubemap = 0x200 | 0xFC00;
constexpr uint32_t kCaps2Volume = 0x200000;

struct DdsSpec {
  uint32_t width = 1, height = 1, depth = 0, mipCount = 0;
  uint32_t flags = kDdsdBasic;
  uint32_t pfFlags = kDdpfRgb, fourCC = 0, bitCount = 32;
  uint32_t r = 0xFF0000, g = 0xFF00, b = 0xFF, a = 0;
  uint32_t caps2 = 0;
  std::vector<uint8_t> data;
};

std::vector<uint8_t> BuildDds(const DdsSpec& s) {
  std::vector<uint8_t> file = {'D', 'D', 'S', ' '};
  Put32(file, 124);
  Put32(file, s.flags);
  Put32(file, s.height);
  Put32(file, s.width);
  Put32(file, s.width * s.bitCount / 8);
  Put32(file, s.depth);
  Put32(file, s.mipCount);
  for (int i = 0; i < 11; ++i) Put32(file, 0);
  for (uint32_t v : {32u, s.pfFlags, s.fourCC, s.bitCount, s.r, s.g, s.b, s.a}) Put32(file, v);
  Put32(file, 0x1000);  // DDSCAPS_TEXTURE
  Put32(file, s.caps2);
  for (int i = 0; i < 3; ++i) Put32(file, 0);
  test::Append(file, s.data);
  return file;
}

Image MustDecode(const DdsSpec& spec) {
  const std::vector<uint8_t> file = BuildDds(spec);
  Image image;
  std::string error;
  EXPECT_TRUE(DecodeImage(file.data(), file.size(), image, error)) << error;
  EXPECT_EQ(image.fileFormat, kFileDds);
  return image;
}

std::string DecodeError(const DdsSpec& spec) {
  const std::vector<uint8_t> file = BuildDds(spec);
  Image image;
  std::string error;
  EXPECT_FALSE(DecodeImage(file.data(), file.size(), image, error));
  return error;
}

DdsSpec Luminance8() {
  DdsSpec spec;
  spec.width = 2;
  spec.height = 2;
  spec.pfFlags = kDdpfLuminance;
  spec.bitCount = 8;
  spec.r = 0xFF;
  spec.g = spec.b = 0;
  spec.data = {0, 64, 128, 255};
  return spec;
}

TEST(DdsDecode, Luminance8) {
  const Image image = MustDecode(Luminance8());
  EXPECT_EQ(image.format, kFmtL8);
  EXPECT_EQ(image.width, 2u);
  EXPECT_EQ(image.height, 2u);
  EXPECT_EQ(image.depth, 1u);
  EXPECT_FALSE(image.isVolume);
  EXPECT_EQ(image.pixels, (std::vector<uint8_t>{0, 64, 128, 255}));
}

TEST(DdsDecode, Alpha8AndLuminanceAlpha) {
  DdsSpec a8;
  a8.width = 3;
  a8.pfFlags = kDdpfAlpha;
  a8.bitCount = 8;
  a8.r = a8.g = a8.b = 0;
  a8.a = 0xFF;
  a8.data = {1, 2, 3};
  const Image alpha = MustDecode(a8);
  EXPECT_EQ(alpha.format, kFmtA8);
  EXPECT_EQ(alpha.pixels, (std::vector<uint8_t>{1, 2, 3}));

  DdsSpec a8l8;
  a8l8.width = 2;
  a8l8.pfFlags = kDdpfLuminance | kDdpfAlphaPixels;
  a8l8.bitCount = 16;
  a8l8.r = 0xFF;
  a8l8.g = a8l8.b = 0;
  a8l8.a = 0xFF00;
  a8l8.data = {10, 20, 30, 40};
  const Image la = MustDecode(a8l8);
  EXPECT_EQ(la.format, kFmtA8L8);
  EXPECT_EQ(la.pixels, (std::vector<uint8_t>{10, 20, 30, 40}));
}

TEST(DdsDecode, ArgbKeepsAlpha) {
  DdsSpec spec;
  spec.width = 2;
  spec.pfFlags = kDdpfRgb | kDdpfAlphaPixels;
  spec.a = 0xFF000000;
  spec.data = test::BgraBytes({0x80112233, 0x00FFEEDD});
  const Image image = MustDecode(spec);
  EXPECT_EQ(image.format, kFmtA8R8G8B8);
  EXPECT_EQ(Argb(image, 0, 0), 0x80112233u);
  EXPECT_EQ(Argb(image, 1, 0), 0x00FFEEDDu);
}

TEST(DdsDecode, XrgbAndRgbBecomeOpaqueX8R8G8B8) {
  DdsSpec xrgb;
  xrgb.width = 2;
  xrgb.data = test::BgraBytes({0x12345678, 0x00ABCDEF});
  const Image x = MustDecode(xrgb);
  EXPECT_EQ(x.format, kFmtX8R8G8B8);
  EXPECT_EQ(Argb(x, 0, 0), 0xFF345678u);
  EXPECT_EQ(Argb(x, 1, 0), 0xFFABCDEFu);

  DdsSpec rgb;
  rgb.width = 2;
  rgb.bitCount = 24;
  rgb.data = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
  const Image r = MustDecode(rgb);
  EXPECT_EQ(r.format, kFmtX8R8G8B8);
  EXPECT_EQ(Argb(r, 0, 0), 0xFF030201u);
  EXPECT_EQ(Argb(r, 1, 0), 0xFF060504u);
}

TEST(DdsDecode, VolumeKeepsAllSlicesOfTheTopLevel) {
  DdsSpec spec;
  spec.width = 2;
  spec.height = 1;
  spec.depth = 3;
  spec.mipCount = 2;
  spec.flags = kDdsdBasic | kDdsdDepth | kDdsdMipCount;
  spec.caps2 = kCaps2Volume;
  spec.data = test::BgraBytes({0x01, 0x02, 0x03, 0x04, 0x05, 0x06,  // 2x1x3 top level
                               0x07});                              // 1x1x1 second level
  const Image image = MustDecode(spec);
  EXPECT_TRUE(image.isVolume);
  EXPECT_EQ(image.depth, 3u);
  EXPECT_EQ(image.format, kFmtX8R8G8B8);
  ASSERT_EQ(image.pixels.size(), 2u * 1 * 3 * 4);
  EXPECT_EQ(Argb(image, 0, 0, 0), 0xFF000001u);
  EXPECT_EQ(Argb(image, 1, 0, 1), 0xFF000004u);
  EXPECT_EQ(Argb(image, 1, 0, 2), 0xFF000006u);
}

TEST(DdsDecode, MipChainIsDroppedFrom2DTextures) {
  DdsSpec spec = Luminance8();
  spec.mipCount = 2;
  spec.flags |= kDdsdMipCount;
  spec.data.push_back(99);  // the 1x1 second level
  const Image image = MustDecode(spec);
  EXPECT_EQ(image.pixels, (std::vector<uint8_t>{0, 64, 128, 255}));
}

TEST(DdsMalformed, CompressedFormatsAreRejectedByName) {
  DdsSpec spec;
  spec.width = spec.height = 4;
  spec.pfFlags = kDdpfFourCC;
  spec.fourCC = 0x31545844;  // "DXT1"
  spec.data.assign(8, 0);
  EXPECT_EQ(DecodeError(spec),
            "DDS: compressed or FOURCC texture 'DXT1' is not supported (only uncompressed "
            "formats are)");
}

TEST(DdsMalformed, OtherLayoutsAreRejected) {
  DdsSpec cube = Luminance8();
  cube.caps2 = kCaps2Cubemap;
  EXPECT_EQ(DecodeError(cube), "DDS: cube maps are not supported");

  DdsSpec r5g6b5;
  r5g6b5.bitCount = 16;
  r5g6b5.r = 0xF800;
  r5g6b5.g = 0x07E0;
  r5g6b5.b = 0x001F;
  r5g6b5.data = {0, 0};
  EXPECT_EQ(DecodeError(r5g6b5),
            "DDS: unsupported pixel format (flags 0x40, 16 bits, masks R 0xF800 G 0x7E0 B 0x1F "
            "A 0x0)");

  std::vector<uint8_t> file = BuildDds(Luminance8());
  file[4] = 100;
  Image image;
  std::string error;
  EXPECT_FALSE(DecodeImage(file.data(), file.size(), image, error));
  EXPECT_EQ(error, "DDS: bad header size 100");
}

TEST(DdsMalformed, EveryTruncationFails) {
  const std::vector<uint8_t> file = BuildDds(Luminance8());
  for (size_t length = 0; length < file.size(); ++length) {
    Image image;
    std::string error;
    EXPECT_FALSE(DecodeImage(file.data(), length, image, error)) << "length " << length;
    EXPECT_FALSE(error.empty()) << "length " << length;
  }
  Image image;
  std::string error;
  EXPECT_FALSE(DecodeImage(file.data(), 100, image, error));
  EXPECT_EQ(error, "DDS: file truncated in the header");
  EXPECT_FALSE(DecodeImage(file.data(), file.size() - 1, image, error));
  EXPECT_EQ(error, "DDS: file truncated in the pixel data (needs 4 bytes, has 3)");
}

TEST(DdsMalformed, AbsurdSizesAreRejected) {
  DdsSpec spec = Luminance8();
  spec.width = 100000;
  EXPECT_EQ(DecodeError(spec),
            "DDS: image size 100000x2x1 is out of range (1 to 16384 a side, depth up to 2048)");

  spec = Luminance8();
  spec.flags |= kDdsdDepth;
  spec.caps2 = kCaps2Volume;
  spec.depth = 3000;
  EXPECT_NE(DecodeError(spec).find("out of range"), std::string::npos);
  spec.depth = 0;
  EXPECT_NE(DecodeError(spec).find("out of range"), std::string::npos);

  DdsSpec big;
  big.width = big.height = 1024;
  big.depth = 200;  // 800 MiB of four-byte pixels
  big.flags |= kDdsdDepth;
  big.caps2 = kCaps2Volume;
  EXPECT_EQ(DecodeError(big), "DDS: image of 838860800 bytes is larger than the 512 MiB limit");
}

}  // namespace
}  // namespace ember
