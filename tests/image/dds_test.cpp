// DDS decoding: the uncompressed formats recognised by their masks, volumes, the top
// mip level only, and malformed files.
#include <gtest/gtest.h>

#include "tests/image/image_test_util.h"

namespace ember {
namespace {

using namespace test;  // the DDS writer and pixel helpers

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

const int kCorners[16] = {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3};

TEST(DdsCompressed, Dxt1FourColoursAndThePunchThroughMode) {
  // Endpoints pure red (0xF800) and pure blue (0x001F): the two between are thirds.
  std::vector<uint8_t> block;
  test::Put16(block, 0xF800);
  test::Put16(block, 0x001F);
  PutIndices(block, kCorners);
  const Image four = MustDecode(FourCCSpec(4, 4, "DXT1", block));
  EXPECT_EQ(four.format, kFmtA8R8G8B8);
  EXPECT_EQ(Argb(four, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(Argb(four, 1, 3), 0xFF0000FFu);
  EXPECT_EQ(Argb(four, 2, 1), 0xFFAA0055u);  // two thirds red
  EXPECT_EQ(Argb(four, 3, 2), 0xFF5500AAu);

  // The first endpoint not above the second: the midpoint, and index 3 transparent black.
  std::vector<uint8_t> punch;
  test::Put16(punch, 0x001F);
  test::Put16(punch, 0xF800);
  PutIndices(punch, kCorners);
  const Image three = MustDecode(FourCCSpec(4, 4, "DXT1", punch));
  EXPECT_EQ(Argb(three, 2, 0), 0xFF800080u);
  EXPECT_EQ(Argb(three, 3, 0), 0x00000000u);
}

TEST(DdsCompressed, Dxt3AndDxt5CarryTheirAlpha) {
  std::vector<uint8_t> colour;
  test::Put16(colour, 0xFFFF);
  test::Put16(colour, 0x0000);
  PutIndices(colour, {});  // all white

  std::vector<uint8_t> dxt3;
  for (int i = 0; i < 8; ++i) dxt3.push_back(uint8_t(0x10 * (2 * i + 1) + 2 * i));  // 4-bit steps
  test::Append(dxt3, colour);
  const Image explicitAlpha = MustDecode(FourCCSpec(4, 4, "DXT3", dxt3));
  EXPECT_EQ(Argb(explicitAlpha, 0, 0), 0x00FFFFFFu);
  EXPECT_EQ(Argb(explicitAlpha, 1, 0), 0x11FFFFFFu);
  EXPECT_EQ(Argb(explicitAlpha, 3, 3), 0xFFFFFFFFu);

  // Alpha endpoints 255 and 0 with eight steps; then 0 and 255 with six and the two extremes.
  auto dxt5 = [&](uint8_t a0, uint8_t a1) {
    std::vector<uint8_t> block = {a0, a1};
    uint64_t indices = 0;
    for (int i = 0; i < 16; ++i) indices |= uint64_t(i % 8) << (3 * i);
    for (int i = 0; i < 6; ++i) block.push_back(uint8_t(indices >> (8 * i)));
    test::Append(block, colour);
    return MustDecode(FourCCSpec(4, 4, "DXT5", block));
  };
  const Image eight = dxt5(255, 0);
  EXPECT_EQ(Argb(eight, 0, 0) >> 24, 255u);
  EXPECT_EQ(Argb(eight, 1, 0) >> 24, 0u);
  EXPECT_EQ(Argb(eight, 2, 0) >> 24, 219u);  // (6 * 255 + 3) / 7
  const Image six = dxt5(0, 255);
  EXPECT_EQ(Argb(six, 2, 0) >> 24, 51u);   // (4 * 0 + 255) / 5
  EXPECT_EQ(Argb(six, 2, 1) >> 24, 0u);    // index 6
  EXPECT_EQ(Argb(six, 3, 1) >> 24, 255u);  // index 7
}

TEST(DdsCompressed, EdgeBlocksAreCutAndVolumesHoldBlocksPerSlice) {
  // 5x2 is two blocks wide: the second block's first column is the picture's last.
  std::vector<uint8_t> data;
  for (uint16_t c : {uint16_t(0xF800), uint16_t(0x07E0)}) {
    test::Put16(data, c);
    test::Put16(data, c);
    PutIndices(data, {});
  }
  const Image image = MustDecode(FourCCSpec(5, 2, "DXT1", data));
  ASSERT_EQ(image.pixels.size(), 5u * 2 * 4);
  EXPECT_EQ(Argb(image, 3, 1), 0xFFFF0000u);
  EXPECT_EQ(Argb(image, 4, 0), 0xFF00FF00u);

  DdsSpec volume = FourCCSpec(4, 4, "DXT1", data);  // one block a slice, two slices
  volume.depth = 2;
  volume.flags |= kDdsdDepth;
  volume.caps2 = kCaps2Volume;
  const Image slices = MustDecode(volume);
  EXPECT_TRUE(slices.isVolume);
  EXPECT_EQ(Argb(slices, 2, 2, 0), 0xFFFF0000u);
  EXPECT_EQ(Argb(slices, 2, 2, 1), 0xFF00FF00u);

  DdsSpec cut = FourCCSpec(5, 2, "DXT1", data);
  cut.data.pop_back();
  EXPECT_EQ(DecodeError(cut), "DDS: file truncated in the pixel data (needs 16 bytes, has 15)");
}

TEST(DdsCompressed, The2DFilesKeepTheirBlocksForEveryLevelTheyHold) {
  // 8x8 with four levels: 4 blocks, then one block for each of 4x4, 2x2 and 1x1.
  std::vector<uint8_t> data;
  for (uint32_t i = 0; i < 7; ++i) {
    test::Put16(data, 0xF800 + i);
    test::Put16(data, 0x001F);
    PutIndices(data, kCorners);
  }
  DdsSpec spec = FourCCSpec(8, 8, "DXT1", data);
  spec.mipCount = 4;
  spec.flags |= kDdsdMipCount;
  const Image image = MustDecode(spec);
  EXPECT_EQ(image.format, kFmtA8R8G8B8);  // decoded all the same
  EXPECT_EQ(image.blockFormat, kFmtDxt1);
  ASSERT_EQ(image.blockLevels.size(), 4u);
  EXPECT_EQ(image.blockLevels[0], std::vector<uint8_t>(data.begin(), data.begin() + 32));
  EXPECT_EQ(image.blockLevels[3], std::vector<uint8_t>(data.end() - 8, data.end()));

  // A file cut inside its smaller levels keeps the levels it holds whole.
  DdsSpec cut = spec;
  cut.data.resize(cut.data.size() - 4);
  EXPECT_EQ(MustDecode(cut).blockLevels.size(), 3u);
  // DXT3 blocks are 16 bytes; DXT2 (premultiplied) has no GL form and keeps none.
  std::vector<uint8_t> wide(16, 0);
  EXPECT_EQ(MustDecode(FourCCSpec(4, 4, "DXT3", wide)).blockFormat, kFmtDxt3);
  EXPECT_EQ(MustDecode(FourCCSpec(4, 4, "DXT3", wide)).blockLevels[0].size(), 16u);
  EXPECT_EQ(MustDecode(FourCCSpec(4, 4, "DXT2", wide)).blockFormat, 0u);
  EXPECT_TRUE(MustDecode(Luminance8()).blockLevels.empty());
}

TEST(DdsLayouts, MasksOfOtherLayoutsAreWidenedToEightBits) {
  DdsSpec r5g6b5;
  r5g6b5.width = 2;
  r5g6b5.bitCount = 16;
  r5g6b5.r = 0xF800;
  r5g6b5.g = 0x07E0;
  r5g6b5.b = 0x001F;
  r5g6b5.data = {0x1F, 0xF8, 0xE0, 0x07};  // magenta, green
  const Image rgb = MustDecode(r5g6b5);
  EXPECT_EQ(rgb.format, kFmtX8R8G8B8);
  EXPECT_EQ(Argb(rgb, 0, 0), 0xFFFF00FFu);
  EXPECT_EQ(Argb(rgb, 1, 0), 0xFF00FF00u);

  DdsSpec abgr;  // bytes R, G, B, A
  abgr.pfFlags = kDdpfRgb | kDdpfAlphaPixels;
  abgr.r = 0xFF;
  abgr.g = 0xFF00;
  abgr.b = 0xFF0000;
  abgr.a = 0xFF000000;
  abgr.data = {0x11, 0x22, 0x33, 0x44};
  const Image swapped = MustDecode(abgr);
  EXPECT_EQ(swapped.format, kFmtA8R8G8B8);
  EXPECT_EQ(Argb(swapped, 0, 0), 0x44112233u);

  DdsSpec a1r5g5b5 = r5g6b5;
  a1r5g5b5.pfFlags = kDdpfRgb | kDdpfAlphaPixels;
  a1r5g5b5.r = 0x7C00;
  a1r5g5b5.g = 0x03E0;
  a1r5g5b5.b = 0x001F;
  a1r5g5b5.a = 0x8000;
  a1r5g5b5.data = {0x00, 0xFC, 0x1F, 0x00};  // opaque red, transparent blue
  const Image fifteen = MustDecode(a1r5g5b5);
  EXPECT_EQ(Argb(fifteen, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(Argb(fifteen, 1, 0), 0x000000FFu);
}

TEST(DdsLayouts, DirectXFormatNumbersInTheFourCCField) {
  // A4L4 (52): luminance in the low nibble.
  DdsSpec a4l4 = FourCCSpec(1, 1, "\x34\0\0\0", {0x8F});
  const Image la = MustDecode(a4l4);
  EXPECT_EQ(Argb(la, 0, 0), 0x88FFFFFFu);

  // A16B16G16R16F (113): R 1.0, G 0.5, B 0.0, A 2.0 (clamped), as halves.
  std::vector<uint8_t> halves;
  for (uint16_t h : {uint16_t(0x3C00), uint16_t(0x3800), uint16_t(0x0000), uint16_t(0x4000)})
    test::Put16(halves, h);
  const Image half = MustDecode(FourCCSpec(1, 1, "\x71\0\0\0", halves));
  EXPECT_EQ(half.format, kFmtA8R8G8B8);
  EXPECT_EQ(Argb(half, 0, 0), 0xFFFF8000u);

  // A32B32G32R32F (116) with a NaN and a negative, which read as 0.
  std::vector<uint8_t> floats;
  for (uint32_t f : {0x3F800000u, 0x7FC00000u, 0xBF800000u, 0x3F000000u}) Put32(floats, f);
  EXPECT_EQ(Argb(MustDecode(FourCCSpec(1, 1, "\x74\0\0\0", floats)), 0, 0), 0x80FF0000u);

  // A16B16G16R16 (36): 16-bit unsigned.
  std::vector<uint8_t> wide;
  for (uint16_t v : {uint16_t(0xFFFF), uint16_t(0), uint16_t(0x8080), uint16_t(0xFFFF)})
    test::Put16(wide, v);
  EXPECT_EQ(Argb(MustDecode(FourCCSpec(1, 1, "\x24\0\0\0", wide)), 0, 0), 0xFFFF0080u);

  EXPECT_EQ(DecodeError(FourCCSpec(4, 4, "ATI2", std::vector<uint8_t>(16))),
            "DDS: compressed or FOURCC texture 'ATI2' is not supported");
}

// A DDS with the DX10 header after the usual one.
DdsSpec Dx10Spec(uint32_t dxgi, uint32_t dimension, uint32_t misc, uint32_t arraySize,
                 std::vector<uint8_t> data) {
  std::vector<uint8_t> header;
  for (uint32_t v : {dxgi, dimension, misc, arraySize, 0u}) Put32(header, v);
  test::Append(header, data);
  return FourCCSpec(2, 1, "DX10", header);
}

TEST(DdsLayouts, TheDx10HeaderForTheFormatsDirect3D9Has) {
  const Image rgba = MustDecode(Dx10Spec(28, 3, 0, 1, {1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(rgba.format, kFmtA8R8G8B8);
  EXPECT_EQ(Argb(rgba, 0, 0), 0x04010203u);
  EXPECT_EQ(Argb(rgba, 1, 0), 0x08050607u);

  std::vector<uint8_t> block;
  test::Put16(block, 0x07E0);
  test::Put16(block, 0x07E0);
  PutIndices(block, {});
  EXPECT_EQ(Argb(MustDecode(Dx10Spec(71, 3, 0, 1, block)), 1, 0), 0xFF00FF00u);

  DdsSpec volume = Dx10Spec(87, 4, 0, 1, test::BgraBytes({1, 2, 3, 4}));
  volume.depth = 2;
  const Image slices = MustDecode(volume);
  EXPECT_TRUE(slices.isVolume);
  EXPECT_EQ(Argb(slices, 1, 0, 1), 4u);

  EXPECT_EQ(DecodeError(Dx10Spec(28, 3, 0x4, 1, std::vector<uint8_t>(48))),
            "DDS: cube maps are not supported");
  EXPECT_EQ(DecodeError(Dx10Spec(28, 3, 0, 2, std::vector<uint8_t>(16))),
            "DDS: texture arrays are not supported");
  EXPECT_EQ(DecodeError(Dx10Spec(98, 3, 0, 1, std::vector<uint8_t>(16))),
            "DDS: DXGI format 98 has no Direct3D 9 counterpart and is not supported");
  DdsSpec cut = Dx10Spec(28, 3, 0, 1, {});
  cut.data.resize(12);
  EXPECT_EQ(DecodeError(cut), "DDS: file truncated in the DX10 header");
}

TEST(DdsMalformed, OtherLayoutsAreRejected) {
  DdsSpec cube = Luminance8();
  cube.caps2 = kCaps2Cubemap;
  EXPECT_EQ(DecodeError(cube), "DDS: cube maps are not supported");

  DdsSpec broken;
  broken.bitCount = 16;
  broken.r = 0xF00F;  // not one run of bits
  broken.g = 0x0F00;
  broken.b = 0x00F0;
  broken.data = {0, 0};
  EXPECT_EQ(DecodeError(broken),
            "DDS: unsupported pixel format (flags 0x40, 16 bits, masks R 0xF00F G 0xF00 B 0xF0 "
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
