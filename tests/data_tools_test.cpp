// Checks of the picture tools' building blocks and of the files they stage.
#include <gtest/gtest.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "data/tools/canvas.h"
#include "data/tools/image_writers.h"
#include "data/tools/noise.h"
#include "data/tools/text_painter.h"

namespace {

const std::string kStage = EMBER_STAGE_DIR;
const std::string kImages = kStage + "/Immagini/";
const std::string kFlame = kStage + "/Data/flame/";

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return at + 4 <= b.size() ? uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 |
                                  uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24
                            : 0;
}

uint32_t Le16(const std::vector<uint8_t>& b, size_t at) {
  return at + 2 <= b.size() ? uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 : 0;
}

// Decoded pixels, rows top to bottom.
struct Image {
  int width = 0, height = 0, channels = 0;
  std::vector<uint8_t> px;
  int At(int x, int y, int c) const { return px[(size_t(y) * width + x) * channels + c]; }
  float Luma(int x, int y) const {
    return 0.299f * At(x, y, 0) + 0.587f * At(x, y, 1) + 0.114f * At(x, y, 2);
  }
};

Image ReadPng(const std::string& path) {
  Image image;
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return image;
  png.format = PNG_FORMAT_RGBA;
  image.px.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, image.px.data(), 0, nullptr)) return Image{};
  image.width = int(png.width);
  image.height = int(png.height);
  image.channels = 4;
  return image;
}

// The colour type byte of a PNG's IHDR (6 is RGBA), or -1.
int PngColourType(const std::string& path) {
  std::vector<uint8_t> b = ReadBytes(path);
  if (b.size() < 26 || std::memcmp(&b[12], "IHDR", 4) != 0) return -1;
  return b[25];
}

struct JpegFailure {
  jpeg_error_mgr manager;
  jmp_buf jump;
};

void JpegFail(j_common_ptr info) { longjmp(reinterpret_cast<JpegFailure*>(info->err)->jump, 1); }

bool DecodeJpeg(FILE* f, Image& image) {
  jpeg_decompress_struct info;
  JpegFailure failure;
  info.err = jpeg_std_error(&failure.manager);
  failure.manager.error_exit = JpegFail;
  if (setjmp(failure.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, f);
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  image.width = int(info.output_width);
  image.height = int(info.output_height);
  image.channels = 3;
  image.px.resize(size_t(image.width) * image.height * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = &image.px[size_t(info.output_scanline) * image.width * 3];
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

Image ReadJpeg(const std::string& path) {
  Image image;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return image;
  bool ok = DecodeJpeg(f, image);
  std::fclose(f);
  return ok ? image : Image{};
}

// A 24-bit bottom-up BMP as written by WriteBmp24, turned top-down RGB.
Image ReadBmp24(const std::vector<uint8_t>& b) {
  Image image;
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || Le16(b, 28) != 24) return image;
  int width = int(Le32(b, 18)), height = int(Le32(b, 22));
  size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
  if (width <= 0 || height <= 0 || Le32(b, 10) + stride * height > b.size()) return image;
  image.width = width;
  image.height = height;
  image.channels = 3;
  image.px.resize(size_t(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = &b[Le32(b, 10) + stride * size_t(height - 1 - y)];
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) image.px[(size_t(y) * width + x) * 3 + c] = row[x * 3 + 2 - c];
  }
  return image;
}

// Bounding box of the pixels brighter than `threshold` inside a window.
struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};
Box BrightBox(const Image& image, int x0, int y0, int x1, int y1, float threshold) {
  Box box;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (image.Luma(x, y) > threshold) {
        box.left = std::min(box.left, x);
        box.right = std::max(box.right, x);
        box.top = std::min(box.top, y);
        box.bottom = std::max(box.bottom, y);
      }
  return box;
}

}  // namespace

// ---------------------------------------------------------------------------
// Building blocks

TEST(ToolCanvasShapes, SignedDistancesOfDiscAndRoundedRect) {
  EXPECT_FLOAT_EQ(ember::DiscDistance(3, 4, 0, 0, 2), 3.0f);
  const ember::Rect r{0, 0, 100, 40};
  EXPECT_FLOAT_EQ(ember::RoundedRectDistance(50, 20, r, 10), -20.0f);  // centre: half the height in
  EXPECT_FLOAT_EQ(ember::RoundedRectDistance(50, -5, r, 10), 5.0f);    // above the top edge
  // Corner: the arc's centre is (10, 10), so (0, 0) lies 10*sqrt(2) - 10 outside.
  EXPECT_NEAR(ember::RoundedRectDistance(0, 0, r, 10), 10 * std::sqrt(2.0f) - 10, 1e-4f);
  EXPECT_FLOAT_EQ(ember::SegmentDistance(5, 3, 0, 0, 10, 0), 3.0f);
  EXPECT_FLOAT_EQ(ember::SegmentDistance(13, 4, 0, 0, 10, 0), 5.0f);
}

TEST(ToolCanvasShapes, DiscCoverageMatchesItsAreaInAStretchedMask) {
  // A disc of radius 10 design units in a mask stretched 2 x 1.5 covers pi r^2 design
  // units, that is pi r^2 * 3 pixels.
  ember::Mask mask(100, 60, 2, 1.5f);
  mask.AddShape([](float x, float y) { return ember::DiscDistance(x, y, 25, 20, 10); });
  EXPECT_NEAR(mask.Sum(), 3.14159265f * 100 * 3, 3.0f);
  EXPECT_FLOAT_EQ(mask.At(50, 30), 1.0f);  // the centre pixel
  EXPECT_FLOAT_EQ(mask.At(0, 0), 0.0f);
}

TEST(ToolCanvasShapes, BoundedShapeStaysInsideItsBoundsAndIsWeighted) {
  ember::Mask mask(40, 40);
  mask.AddShape([](float x, float y) { return ember::DiscDistance(x, y, 20, 20, 30); },
                ember::Rect{10, 10, 20, 20}, 0.5f);
  EXPECT_FLOAT_EQ(mask.At(15, 15), 0.5f);
  EXPECT_FLOAT_EQ(mask.At(30, 30), 0.0f);  // inside the disc, outside the bounds
}

TEST(ToolCanvasBlur, KeepsTheTotalAwayFromTheEdgesAndSpreads) {
  ember::Mask mask(64, 64, 2, 1);
  mask.At(32, 32) = 1;
  mask.Blur(3);
  EXPECT_NEAR(mask.Sum(), 1.0f, 1e-4f);
  EXPECT_LT(mask.At(32, 32), 0.05f);
  // Sigma is in design units, so the spread across (2 pixels a unit) is twice the spread down.
  EXPECT_GT(mask.At(40, 32), mask.At(32, 36));
  EXPECT_NEAR(mask.At(40, 32), mask.At(32, 36), mask.At(32, 36));
}

TEST(ToolCanvasColour, RampAndStraightAlphaOutput) {
  ember::Color c = ember::Ramp({{0, {0, 0, 0}}, {0.5f, {1, 0.5f, 0}}, {1, {1, 1, 1}}}, 0.75f);
  EXPECT_FLOAT_EQ(c.r, 1);
  EXPECT_FLOAT_EQ(c.g, 0.75f);
  EXPECT_FLOAT_EQ(c.b, 0.5f);
  EXPECT_FLOAT_EQ(ember::Ramp({{0.2f, {0.3f, 0, 0}}, {0.8f, {0.9f, 0, 0}}}, 0).r, 0.3f);

  ember::Canvas canvas(2, 1);
  ember::Mask half(2, 1);
  half.At(0, 0) = 0.5f;
  canvas.Paint(half, ember::Color{1, 0.5f, 0, 1});
  std::vector<uint8_t> rgba = canvas.ToRgba8(false);
  EXPECT_EQ(std::vector<uint8_t>(rgba.begin(), rgba.begin() + 4),
            (std::vector<uint8_t>{255, 128, 0, 128}));
  EXPECT_EQ(std::vector<uint8_t>(rgba.begin() + 4, rgba.end()), (std::vector<uint8_t>{0, 0, 0, 0}));
  std::vector<uint8_t> rgb = canvas.ToRgb8(false);  // over black: premultiplied
  EXPECT_EQ(std::vector<uint8_t>(rgb.begin(), rgb.begin() + 3), (std::vector<uint8_t>{128, 64, 0}));
}

TEST(ToolNoise, GradientNoiseTilesAndVanishesOnTheLattice) {
  for (float x : {0.25f, 1.5f, 3.75f})
    for (float y : {0.5f, 2.125f}) {
      float v = ember::PeriodicGradientNoise3(x, y, 1.25f, 4, 9);
      EXPECT_FLOAT_EQ(ember::PeriodicGradientNoise3(x + 4, y, 1.25f, 4, 9), v);
      EXPECT_FLOAT_EQ(ember::PeriodicGradientNoise3(x, y + 8, 1.25f, 4, 9), v);
      EXPECT_FLOAT_EQ(ember::PeriodicGradientNoise3(x, y, 1.25f - 4, 4, 9), v);
    }
  EXPECT_FLOAT_EQ(ember::PeriodicGradientNoise3(2, 3, 1, 4, 9), 0.0f);
}

TEST(ToolNoise, RandomStreamsRepeatPerSeed) {
  ember::Random a(7), b(7), c(8);
  bool differs = false;
  for (int i = 0; i < 100; ++i) {
    float va = a.Range(-2, 3), vb = b.Range(-2, 3), vc = c.Range(-2, 3);
    EXPECT_EQ(va, vb);
    EXPECT_GE(va, -2);
    EXPECT_LT(va, 3);
    differs = differs || va != vc;
  }
  EXPECT_TRUE(differs);
}

TEST(ToolImageWriters, BmpIsBottomUpBgrWithPaddedRows) {
  // 3 x 2: rows of 9 bytes padded to 12.
  const std::vector<uint8_t> rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
  const std::string path = ::testing::TempDir() + "writer_test.bmp";
  std::string error;
  ASSERT_TRUE(ember::WriteBmp24(path, 3, 2, rgb, error)) << error;
  std::vector<uint8_t> b = ReadBytes(path);
  ASSERT_EQ(b.size(), 54u + 24u);
  EXPECT_EQ(Le32(b, 2), 78u);
  EXPECT_EQ(Le32(b, 10), 54u);
  EXPECT_EQ(Le32(b, 22), 2u);  // positive: bottom-up
  // The file's first row is the picture's bottom row, blue first.
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + 54, b.begin() + 66),
            (std::vector<uint8_t>{12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0}));
  EXPECT_EQ(b[66], 3);
  std::remove(path.c_str());
}

TEST(ToolImageWriters, RejectMismatchedBuffersWithAMessage) {
  std::string error;
  EXPECT_FALSE(
      ember::WriteBmp24(::testing::TempDir() + "x.bmp", 4, 4, std::vector<uint8_t>(5), error));
  EXPECT_FALSE(error.empty());
  error.clear();
  EXPECT_FALSE(ember::WritePngRgba(::testing::TempDir() + "x.png", 0, 4, {}, error));
  EXPECT_FALSE(error.empty());
  error.clear();
  EXPECT_FALSE(ember::WriteDdsVolumeL8("/nonexistent-dir/x.dds", 1, 1, 1, {0}, error));
  EXPECT_FALSE(error.empty());
}

TEST(ToolTextPainter, StretchedTextKeepsItsDesignSizeAndCentre) {
  ember::TextPainter text;
  std::string error;
  ASSERT_TRUE(text.Open(error)) << error;
  ember::TextBox plain = text.Measure("EXIT", 40, 4, 1, 1);
  ember::TextBox stretched = text.Measure("EXIT", 40, 4, 2, 1 / 0.7f);
  EXPECT_GT(plain.Width(), 60);
  EXPECT_NEAR(stretched.Width(), plain.Width(), 1.5f);
  EXPECT_NEAR(stretched.Height(), plain.Height(), 1.5f);

  // The ink's centre of mass lands on the requested point (design units).
  ember::Mask mask(512, 128, 2, 1 / 0.7f);
  text.DrawCentered(mask, "EXIT", 40, 4, 128, 44.8f);
  double sum = 0, sx = 0, sy = 0;
  int left = mask.Width(), right = -1;
  for (int y = 0; y < mask.Height(); ++y)
    for (int x = 0; x < mask.Width(); ++x) {
      float v = mask.At(x, y);
      sum += v;
      sx += v * x;
      sy += v * y;
      if (v > 0.5f) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
  ASSERT_GT(sum, 0);
  EXPECT_NEAR((left + right + 1) / 2.0 / 2.0, 128, 1.0);  // ink box centred across
  EXPECT_NEAR(sy / sum / (1 / 0.7), 44.8, 3.0);           // E X I T: ink mass about the middle
}

// ---------------------------------------------------------------------------
// Staged files

TEST(StagedIntro, LogoFillsTheWindowWithACentredTitle) {
  Image logo = ReadJpeg(kImages + "TAVEK_LOGO.jpg");
  ASSERT_EQ(logo.width, 2048);
  ASSERT_EQ(logo.height, 1024);
  ASSERT_EQ(logo.channels, 3);
  for (auto [x, y] : {std::pair{4, 4}, {2043, 4}, {4, 1019}, {2043, 1019}})
    EXPECT_LT(logo.Luma(x, y), 30) << x;
  // The title, 700 window pixels wide, is 1400 file pixels wide, centred on 1024;
  // its band sits around window row 340, file row 453.
  Box title = BrightBox(logo, 280, 380, 1768, 530, 200);
  ASSERT_GE(title.right, 0);
  EXPECT_NEAR((title.left + title.right) / 2.0, 1023.5, 10);
  EXPECT_NEAR(title.right - title.left, 1400, 40);
  // Fiery: the title's top is pale yellow, its bottom deep orange-red.
  int top = title.top + 6, bottom = title.bottom - 4;
  int best = -1;
  for (int x = 300; x < 1748; ++x)
    if (best < 0 || logo.Luma(x, top) > logo.Luma(best, top)) best = x;
  EXPECT_GT(logo.At(best, top, 1), 200);
  int red = -1;
  for (int x = 300; x < 1748; ++x)
    if (logo.At(x, bottom, 0) > 150 && (red < 0 || logo.At(x, bottom, 1) < logo.At(red, bottom, 1)))
      red = x;
  ASSERT_GE(red, 0);
  EXPECT_LT(logo.At(red, bottom, 1), logo.At(red, bottom, 0) / 2);
}

TEST(StagedIntro, LoadingPictureIsDarkWithACentredWordAndBar) {
  Image loading = ReadJpeg(kImages + "Loading.jpg");
  ASSERT_EQ(loading.width, 2048);
  ASSERT_EQ(loading.height, 1024);
  double sum = 0;
  for (int y = 0; y < loading.height; y += 4)
    for (int x = 0; x < loading.width; x += 4) sum += loading.Luma(x, y);
  EXPECT_LT(sum / (512.0 * 256.0), 40);
  // "Loading..." around window row 352 (file 469), centred across; the window keeps
  // clear of the embers, which are scattered everywhere but here.
  Box word = BrightBox(loading, 600, 420, 1448, 540, 60);
  ASSERT_GE(word.right, 0);
  EXPECT_NEAR((word.left + word.right) / 2.0, 1023.5, 24);
  // The bar's hot head, at window (553, 430).
  EXPECT_GT(loading.At(1106, 573, 0), 200);
  EXPECT_LT(loading.Luma(1330, 573), 80);  // the empty track beyond it
}

class StagedButton : public ::testing::TestWithParam<const char*> {};

TEST_P(StagedButton, IsAnRgbaPowerOfTwoRoundedShape) {
  const std::string path = kImages + "Button/" + GetParam() + ".png";
  EXPECT_EQ(PngColourType(path), 6);
  Image button = ReadPng(path);
  ASSERT_EQ(button.width, 512);
  ASSERT_EQ(button.height, 128);
  // Corners outside the rounded shape are fully transparent; the body is opaque.
  for (auto [x, y] : {std::pair{0, 0}, {3, 3}, {508, 3}, {3, 124}, {511, 127}})
    EXPECT_EQ(button.At(x, y, 3), 0);
  for (auto [x, y] : {std::pair{40, 64}, {256, 10}, {470, 100}}) EXPECT_EQ(button.At(x, y, 3), 255);
  int opaqueBlack = 0, asymmetric = 0;
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 512; ++x) {
      if (button.At(x, y, 3) == 255 && button.At(x, y, 0) == 0 && button.At(x, y, 1) == 0 &&
          button.At(x, y, 2) == 0)
        ++opaqueBlack;
      if (std::abs(button.At(x, y, 3) - button.At(511 - x, y, 3)) > 1) ++asymmetric;
    }
  EXPECT_EQ(opaqueBlack, 0) << "the colour key would punch holes";
  EXPECT_EQ(asymmetric, 0);
}

INSTANTIATE_TEST_SUITE_P(AllFour, StagedButton,
                         ::testing::Values("startGame", "startGameOn", "exitGame", "exitGameOn"));

TEST(StagedButtons, HoverIsBrightWithDarkLabelsIdleIsDarkWithLightLabels) {
  for (std::string name : {"startGame", "exitGame"}) {
    Image idle = ReadPng(kImages + "Button/" + name + ".png");
    Image hover = ReadPng(kImages + "Button/" + name + "On.png");
    ASSERT_EQ(idle.width, 512);
    ASSERT_EQ(hover.width, 512);
    EXPECT_LT(idle.Luma(40, 64), 50) << name;
    EXPECT_GT(hover.Luma(40, 64), 140) << name;
    // Across the label's middle row: light letters on the idle button, dark on the hover one.
    float idleMax = 0, hoverMin = 255;
    for (int x = 100; x < 412; ++x) {
      idleMax = std::max(idleMax, idle.Luma(x, 64));
      hoverMin = std::min(hoverMin, hover.Luma(x, 64));
    }
    EXPECT_GT(idleMax, 200) << name;
    EXPECT_LT(hoverMin, 70) << name;
  }
  Image start = ReadPng(kImages + "Button/startGame.png");
  Image exit = ReadPng(kImages + "Button/exitGame.png");
  EXPECT_NE(start.px, exit.px);
}

TEST(StagedCursor, ArrowWithItsTipAtTheTopLeftOnAKeyedBackground) {
  std::vector<uint8_t> b = ReadBytes(kImages + "Mouse/cursore.bmp");
  ASSERT_EQ(b.size(), 54u + 32u * 32u * 3u);
  EXPECT_EQ(Le32(b, 22), 32u);  // bottom-up
  EXPECT_EQ(Le16(b, 28), 24u);
  EXPECT_EQ(Le32(b, 30), 0u);  // BI_RGB
  Image cursor = ReadBmp24(b);
  ASSERT_EQ(cursor.width, 32);
  auto grey = [&](int x, int y) { return cursor.At(x, y, 0); };
  EXPECT_EQ(grey(0, 0), 16);   // the tip is outline, not key colour
  EXPECT_EQ(grey(2, 5), 255);  // body
  EXPECT_EQ(grey(31, 31), 0);  // background
  EXPECT_EQ(grey(31, 0), 0);
  int white = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      int v = grey(x, y);
      ASSERT_TRUE(v == 0 || v == 16 || v == 255) << x << "," << y;
      EXPECT_TRUE(cursor.At(x, y, 1) == v && cursor.At(x, y, 2) == v);
      if (v != 255) continue;
      ++white;
      // The outline is closed: no body pixel touches the transparent background.
      const int nx[] = {x - 1, x + 1, x, x}, ny[] = {y, y, y - 1, y + 1};
      for (int i = 0; i < 4; ++i)
        if (nx[i] >= 0 && nx[i] < 32 && ny[i] >= 0 && ny[i] < 32) {
          EXPECT_NE(grey(nx[i], ny[i]), 0);
        }
    }
  EXPECT_GT(white, 80);
}

TEST(StagedBackground, DarkWithWarmLightWhereTheFireBurns) {
  std::vector<uint8_t> b = ReadBytes(kImages + "sfondo.bmp");
  ASSERT_EQ(b.size(), 54u + 1024u * 768u * 3u);
  EXPECT_EQ(Le32(b, 22), 768u);
  Image bg = ReadBmp24(b);
  ASSERT_EQ(bg.width, 1024);
  auto meanLuma = [&](int x0, int y0, int x1, int y1) {
    double s = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) s += bg.Luma(x, y);
    return s / double((x1 - x0) * (y1 - y0));
  };
  EXPECT_LT(meanLuma(0, 0, 1024, 768), 30);
  double fire = meanLuma(432, 380, 592, 470), corner = meanLuma(0, 0, 160, 120);
  EXPECT_GT(fire, 30);
  EXPECT_GT(fire, 5 * corner);
  long red = 0, blue = 0;
  for (int y = 380; y < 470; ++y)
    for (int x = 432; x < 592; ++x) {
      red += bg.At(x, y, 0);
      blue += bg.At(x, y, 2);
    }
  EXPECT_GT(red, 2 * blue);
}

TEST(StagedFlame, NoiseVolumeIsAnL8VolumeDdsUsingTheFullRange) {
  std::vector<uint8_t> b = ReadBytes(kFlame + "noiseL8_32x32x32.dds");
  ASSERT_EQ(b.size(), 128u + 32768u);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "DDS ");
  EXPECT_EQ(Le32(b, 4), 124u);
  EXPECT_EQ(Le32(b, 8) & 0x801007u, 0x801007u);  // caps, height, width, pixel format, depth
  EXPECT_EQ(Le32(b, 12), 32u);
  EXPECT_EQ(Le32(b, 16), 32u);
  EXPECT_EQ(Le32(b, 24), 32u);
  EXPECT_EQ(Le32(b, 28), 1u);
  EXPECT_EQ(Le32(b, 76), 32u);       // pixel format size
  EXPECT_EQ(Le32(b, 80), 0x20000u);  // DDPF_LUMINANCE
  EXPECT_EQ(Le32(b, 88), 8u);
  EXPECT_EQ(Le32(b, 92), 0xFFu);
  EXPECT_EQ(Le32(b, 108) & 0x1000u, 0x1000u);
  EXPECT_EQ(Le32(b, 112), 0x200000u);  // DDSCAPS2_VOLUME

  auto v = [&](int x, int y, int z) { return int(b[128 + (size_t(z) * 32 + y) * 32 + x]); };
  int lo = 255, hi = 0;
  double sum = 0;
  for (size_t i = 128; i < b.size(); ++i) {
    lo = std::min(lo, int(b[i]));
    hi = std::max(hi, int(b[i]));
    sum += b[i];
  }
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 255);
  EXPECT_NEAR(sum / 32768.0, 127.5, 2);
  // Tiling: stepping across the wrap changes values no more than an ordinary step.
  double inner = 0, wrap[3] = {0, 0, 0};
  for (int a = 0; a < 32; ++a)
    for (int c = 0; c < 32; ++c) {
      inner += std::abs(v(10, a, c) - v(11, a, c));
      wrap[0] += std::abs(v(31, a, c) - v(0, a, c));
      wrap[1] += std::abs(v(a, 31, c) - v(a, 0, c));
      wrap[2] += std::abs(v(a, c, 31) - v(a, c, 0));
    }
  for (double w : wrap) EXPECT_LT(w, 1.6 * inner);
}

TEST(StagedFlame, FlameImageIsASmoothTaperingSilhouette) {
  const std::string path = kFlame + "flame.PNG";
  EXPECT_EQ(PngColourType(path), 6);
  Image flame = ReadPng(path);
  ASSERT_EQ(flame.width, 128);
  ASSERT_EQ(flame.height, 256);
  auto alpha = [&](int x, int y) { return flame.At(x, y, 3); };
  int roughest = 0;
  for (int y = 0; y < 256; ++y) {
    EXPECT_EQ(alpha(0, y), 0);
    EXPECT_EQ(alpha(127, y), 0);
    for (int x = 0; x < 128; ++x) {
      EXPECT_LE(std::abs(alpha(x, y) - alpha(127 - x, y)), 1);
      if (x > 0) roughest = std::max(roughest, std::abs(alpha(x, y) - alpha(x - 1, y)));
      if (y > 0) roughest = std::max(roughest, std::abs(alpha(x, y) - alpha(x, y - 1)));
    }
  }
  EXPECT_LE(roughest, 64);  // every edge ramps over several texels
  auto width = [&](int y) {
    int n = 0;
    for (int x = 0; x < 128; ++x) n += alpha(x, y) >= 128;
    return n / 128.0;
  };
  EXPECT_NEAR(width(256 - 256 / 5), 0.73, 0.05);  // 20 % of the way up
  EXPECT_LT(width(64), width(160));               // narrower towards the tip
  for (int x = 0; x < 128; ++x) EXPECT_LT(alpha(x, 0), 16);
  // White-yellow at the base's centre, red at the tip.
  EXPECT_GT(flame.At(64, 235, 0), 245);
  EXPECT_GT(flame.At(64, 235, 1), 220);
  EXPECT_GT(flame.At(64, 235, 2), 150);
  EXPECT_GT(alpha(64, 30), 0);
  EXPECT_LT(flame.At(64, 30, 1) * 2, flame.At(64, 30, 0));
  // Beside the body halfway up, a faint red glow.
  EXPECT_GT(alpha(104, 128), 0);
  EXPECT_LT(alpha(104, 128), 80);
  EXPECT_GT(flame.At(104, 128, 0), 2 * flame.At(104, 128, 1));
}

TEST(StagedFlame, ToolsAreDeterministic) {
  const std::string out = ::testing::TempDir() + "noise_again.dds";
  const std::string command = std::string(EMBER_MAKE_NOISE) + " " + out;
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(ReadBytes(out), ReadBytes(kFlame + "noiseL8_32x32x32.dds"));
  std::remove(out.c_str());
  const std::string flame = ::testing::TempDir() + "flame_again.png";
  ASSERT_EQ(std::system((std::string(EMBER_MAKE_FLAME) + " " + flame).c_str()), 0);
  EXPECT_EQ(ReadBytes(flame), ReadBytes(kFlame + "flame.PNG"));
  std::remove(flame.c_str());
}
