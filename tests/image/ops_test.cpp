// Scaling, mip halving, conversion to A8R8G8B8 and the colour key, against values
// worked out by hand.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "tests/image/image_test_util.h"

namespace ember {
namespace {

using test::Argb;

Image Make(uint32_t format, uint32_t width, uint32_t height, uint32_t depth,
           std::vector<uint8_t> pixels) {
  Image image;
  image.format = format;
  image.width = width;
  image.height = height;
  image.depth = depth;
  image.isVolume = depth > 1;
  image.pixels = std::move(pixels);
  return image;
}

Image Gray(uint32_t width, uint32_t height, std::vector<uint8_t> pixels) {
  return Make(kFmtL8, width, height, 1, std::move(pixels));
}

Image Argb32(uint32_t format, uint32_t width, uint32_t height, const std::vector<uint32_t>& v) {
  return Make(format, width, height, 1, test::BgraBytes(v));
}

std::vector<uint8_t> Resized(const Image& src, uint32_t w, uint32_t h, uint32_t d = 1) {
  Image out;
  EXPECT_TRUE(ResizeImage(src, w, h, d, out));
  EXPECT_EQ(out.width, w);
  EXPECT_EQ(out.height, h);
  EXPECT_EQ(out.depth, d);
  EXPECT_EQ(out.format, src.format);
  return out.pixels;
}

TEST(ResizeImage, ShrinkingAveragesBoxes) {
  const Image src = Gray(4, 2, {10, 20, 30, 40, 50, 60, 70, 80});
  EXPECT_EQ(Resized(src, 2, 1), (std::vector<uint8_t>{35, 55}));
}

TEST(ResizeImage, ShrinkingByAFractionWeighsPartlyCoveredPixels) {
  // 3 to 2: each output covers 1.5 inputs, (2a + b) / 3 and (b + 2c) / 3.
  EXPECT_EQ(Resized(Gray(3, 1, {30, 60, 90}), 2, 1), (std::vector<uint8_t>{40, 80}));
}

TEST(ResizeImage, GrowingInterpolatesBetweenPixelCentres) {
  EXPECT_EQ(Resized(Gray(2, 1, {0, 100}), 4, 1), (std::vector<uint8_t>{0, 25, 75, 100}));
  EXPECT_EQ(Resized(Gray(1, 2, {0, 200}), 1, 4), (std::vector<uint8_t>{0, 50, 150, 200}));
}

TEST(ResizeImage, MixedAxesAndSameSize) {
  const Image src = Gray(4, 1, {10, 20, 30, 40});
  EXPECT_EQ(Resized(src, 2, 2), (std::vector<uint8_t>{15, 35, 15, 35}));
  EXPECT_EQ(Resized(src, 4, 1), src.pixels);
}

TEST(ResizeImage, ChannelsAreFilteredSeparately) {
  const Image argb = Argb32(kFmtA8R8G8B8, 2, 1, {0xFF102030, 0x01305070});
  Image out;
  ASSERT_TRUE(ResizeImage(argb, 1, 1, 1, out));
  EXPECT_EQ(Argb(out, 0, 0), 0x80203850u);

  const Image la = Make(kFmtA8L8, 2, 1, 1, {10, 200, 30, 100});
  EXPECT_EQ(Resized(la, 1, 1), (std::vector<uint8_t>{20, 150}));
}

TEST(ResizeImage, VolumesScaleAlongDepth) {
  const Image cube = Make(kFmtL8, 2, 2, 2, {10, 20, 30, 40, 50, 60, 70, 80});
  EXPECT_EQ(Resized(cube, 1, 1, 1), (std::vector<uint8_t>{45}));
  const Image column = Make(kFmtL8, 1, 1, 4, {10, 20, 30, 40});
  Image out;
  ASSERT_TRUE(ResizeImage(column, 1, 1, 2, out));
  EXPECT_TRUE(out.isVolume);
  EXPECT_EQ(out.pixels, (std::vector<uint8_t>{15, 35}));
}

TEST(ResizeImage, OutputMayBeTheSource) {
  Image image = Gray(2, 1, {0, 100});
  ASSERT_TRUE(ResizeImage(image, 4, 1, 1, image));
  EXPECT_EQ(image.width, 4u);
  EXPECT_EQ(image.pixels, (std::vector<uint8_t>{0, 25, 75, 100}));
}

TEST(ResizeImage, RejectsBadInput) {
  Image out;
  EXPECT_FALSE(ResizeImage(Gray(2, 1, {1, 2, 3}), 1, 1, 1, out));   // wrong pixel count
  EXPECT_FALSE(ResizeImage(Make(99, 1, 1, 1, {1}), 1, 1, 1, out));  // unknown format
  EXPECT_FALSE(ResizeImage(Gray(1, 1, {1}), 0, 1, 1, out));
  EXPECT_FALSE(ResizeImage(Gray(1, 1, {1}), 20000, 1, 1, out));
  EXPECT_TRUE(out.pixels.empty());
}

TEST(HalveImage, BoxFiltersEachLevel) {
  const Image src = Gray(4, 4,
                         {0, 10, 20, 30,     //
                          40, 50, 60, 70,    //
                          80, 90, 100, 110,  //
                          120, 130, 140, 150});
  Image level1, level2;
  ASSERT_TRUE(HalveImage(src, level1));
  EXPECT_EQ(level1.width, 2u);
  EXPECT_EQ(level1.height, 2u);
  EXPECT_EQ(level1.pixels, (std::vector<uint8_t>{25, 45, 105, 125}));
  ASSERT_TRUE(HalveImage(level1, level2));
  EXPECT_EQ(level2.pixels, (std::vector<uint8_t>{75}));
}

TEST(HalveImage, NarrowAndOddSizes) {
  Image out;
  ASSERT_TRUE(HalveImage(Gray(1, 4, {10, 20, 30, 40}), out));
  EXPECT_EQ(out.width, 1u);
  EXPECT_EQ(out.pixels, (std::vector<uint8_t>{15, 35}));
  ASSERT_TRUE(HalveImage(Gray(3, 1, {30, 60, 120}), out));
  EXPECT_EQ(out.pixels, (std::vector<uint8_t>{70}));
  ASSERT_TRUE(HalveImage(Gray(1, 1, {77}), out));
  EXPECT_EQ(out.width, 1u);
  EXPECT_EQ(out.pixels, (std::vector<uint8_t>{77}));
  // Exact halves round up.
  ASSERT_TRUE(HalveImage(Gray(2, 1, {0, 1}), out));
  EXPECT_EQ(out.pixels, (std::vector<uint8_t>{1}));
}

TEST(HalveImage, VolumesHalveDepthToo) {
  Image out;
  ASSERT_TRUE(HalveImage(Make(kFmtL8, 2, 2, 2, {10, 20, 30, 40, 50, 60, 70, 80}), out));
  EXPECT_EQ(out.depth, 1u);
  EXPECT_TRUE(out.isVolume);
  EXPECT_EQ(out.pixels, (std::vector<uint8_t>{45}));
}

TEST(ConvertImageToArgb, EachFormat) {
  Image l8 = Gray(2, 1, {0x40, 0xC0});
  ASSERT_TRUE(ConvertImageToArgb(l8));
  EXPECT_EQ(l8.format, kFmtA8R8G8B8);
  EXPECT_EQ(Argb(l8, 0, 0), 0xFF404040u);
  EXPECT_EQ(Argb(l8, 1, 0), 0xFFC0C0C0u);

  Image la = Make(kFmtA8L8, 1, 1, 1, {0x20, 0x80});
  ASSERT_TRUE(ConvertImageToArgb(la));
  EXPECT_EQ(Argb(la, 0, 0), 0x80202020u);

  Image a8 = Make(kFmtA8, 1, 1, 1, {0x33});
  ASSERT_TRUE(ConvertImageToArgb(a8));
  EXPECT_EQ(Argb(a8, 0, 0), 0x33000000u);

  Image x8 = Argb32(kFmtX8R8G8B8, 1, 1, {0x00123456});
  ASSERT_TRUE(ConvertImageToArgb(x8));
  EXPECT_EQ(Argb(x8, 0, 0), 0xFF123456u);

  Image broken = Gray(2, 2, {1});
  EXPECT_FALSE(ConvertImageToArgb(broken));
}

TEST(ApplyColorKey, MatchingPixelsBecomeTransparentBlack) {
  Image image = Argb32(kFmtX8R8G8B8, 3, 1, {0xFF00FF00, 0xFF112233, 0xFF00FF00});
  ApplyColorKey(image, 0xFF00FF00);
  EXPECT_EQ(image.format, kFmtA8R8G8B8);
  EXPECT_EQ(Argb(image, 0, 0), 0u);
  EXPECT_EQ(Argb(image, 1, 0), 0xFF112233u);
  EXPECT_EQ(Argb(image, 2, 0), 0u);
}

TEST(ApplyColorKey, ComparesAlphaToo) {
  Image image = Argb32(kFmtA8R8G8B8, 2, 1, {0x8000FF00, 0xFF00FF00});
  ApplyColorKey(image, 0xFF00FF00);
  EXPECT_EQ(Argb(image, 0, 0), 0x8000FF00u);
  EXPECT_EQ(Argb(image, 1, 0), 0u);
}

TEST(ApplyColorKey, GreyImagesAreKeyedAsOpaqueGrey) {
  Image image = Gray(2, 1, {0x80, 0x40});
  ApplyColorKey(image, 0xFF808080);
  EXPECT_EQ(image.format, kFmtA8R8G8B8);
  EXPECT_EQ(Argb(image, 0, 0), 0u);
  EXPECT_EQ(Argb(image, 1, 0), 0xFF404040u);
}

TEST(ApplyColorKey, EverySliceOfAVolume) {
  Image image = Make(kFmtL8, 1, 1, 3, {5, 6, 5});
  ApplyColorKey(image, 0xFF050505);
  EXPECT_EQ(Argb(image, 0, 0, 0), 0u);
  EXPECT_EQ(Argb(image, 0, 0, 1), 0xFF060606u);
  EXPECT_EQ(Argb(image, 0, 0, 2), 0u);
}

TEST(ApplyColorKey, ZeroKeyChangesNothing) {
  Image image = Gray(2, 1, {0, 9});
  ApplyColorKey(image, 0);
  EXPECT_EQ(image.format, kFmtL8);
  EXPECT_EQ(image.pixels, (std::vector<uint8_t>{0, 9}));
}

// A load holds a step's source and result at once, so the two together stay within the
// limit; either one alone would.
TEST(ResizeImage, RefusesWhenSourceAndResultTogetherPassTheLoadLimit) {
  const Image src = Make(kFmtA8R8G8B8, 4096, 4096, 1, std::vector<uint8_t>(64u << 20));
  Image out;
  EXPECT_FALSE(ResizeImage(src, 16384, 8192, 1, out));  // 64 MiB beside 512 MiB
  EXPECT_TRUE(out.pixels.empty());
  EXPECT_TRUE(ResizeImage(src, 16384, 4096, 1, out));  // 64 MiB beside 256 MiB
}

TEST(ApplyColorKey, RefusesWhenTheArgbCopyPassesTheLoadLimit) {
  Image image = Gray(16384, 8192, std::vector<uint8_t>(128u << 20));  // 512 MiB as A8R8G8B8
  EXPECT_FALSE(ApplyColorKey(image, 0xFF000000));
  EXPECT_EQ(image.format, kFmtL8);
  EXPECT_EQ(image.pixels.size(), 128u << 20);
}

// The peak growth of resident memory while resizing, in MiB, measured in a child process so
// that nothing else of the test's runs counts.
long ResizeGrowthMiB(const Image& src, uint32_t width, uint32_t height) {
  const pid_t child = fork();
  if (child == 0) {
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    Image out;
    const bool ok = ResizeImage(src, width, height, 1, out);
    getrusage(RUSAGE_SELF, &after);
    _exit(ok ? static_cast<int>(std::min(250L, (after.ru_maxrss - before.ru_maxrss) >> 10)) : 255);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Resizing works a row at a time: beyond the result it needs one source row, not float
// copies of the whole picture (four bytes a channel).
TEST(ResizeImage, NeedsLittleMemoryBeyondTheResult) {
  std::vector<uint8_t> pixels(1024 * 1024 * 4);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 7);
  const Image src = Make(kFmtA8R8G8B8, 1024, 1024, 1, std::move(pixels));
  const long growth = ResizeGrowthMiB(src, 2048, 2048);  // a 16 MiB result
  EXPECT_GE(growth, 15);
  EXPECT_LE(growth, 20);
}

TEST(ConvertImage, BetweenEveryPairOfFormats) {
  Image image = Argb32(kFmtA8R8G8B8, 2, 1, {0x80FF0000, 0xFF00FF00});
  ASSERT_TRUE(ConvertImage(image, kFmtA8L8));
  // Rec. 709: pure red reads 54, pure green 182.
  EXPECT_EQ(image.pixels, (std::vector<uint8_t>{54, 0x80, 182, 0xFF}));
  ASSERT_TRUE(ConvertImage(image, kFmtX8R8G8B8));
  EXPECT_EQ(Argb(image, 0, 0), 0xFF363636u);
  ASSERT_TRUE(ConvertImage(image, kFmtA8));
  EXPECT_EQ(image.pixels, (std::vector<uint8_t>{0xFF, 0xFF}));
  EXPECT_FALSE(ConvertImage(image, 99));
  EXPECT_EQ(image.format, kFmtA8);
}

}  // namespace
}  // namespace ember
