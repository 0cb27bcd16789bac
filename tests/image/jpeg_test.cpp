// JPEG decoding: colour and grey pictures within the codec's tolerance, and damaged
// files failing with libjpeg's message and nothing printed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/image/image_test_util.h"

namespace ember {
namespace {

using test::Argb;
using test::EncodeJpeg;

// Compares 0xAARRGGBB values channel by channel.
void ExpectNear(uint32_t actual, uint32_t expected, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = static_cast<int>((actual >> shift) & 0xFF);
    const int e = static_cast<int>((expected >> shift) & 0xFF);
    EXPECT_LE(std::abs(a - e), tolerance)
        << std::hex << "actual 0x" << actual << ", expected 0x" << expected;
  }
}

// 16x8: the left half (200, 30, 40), the right half (20, 50, 220).
std::vector<uint8_t> TwoColourJpeg() {
  std::vector<uint8_t> samples;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool left = x < 8;
      samples.push_back(left ? 200 : 20);
      samples.push_back(left ? 30 : 50);
      samples.push_back(left ? 40 : 220);
    }
  }
  return EncodeJpeg(16, 8, 3, samples);
}

TEST(JpegDecode, ColourBecomesX8R8G8B8) {
  const std::vector<uint8_t> file = TwoColourJpeg();
  Image image;
  std::string error;
  ASSERT_TRUE(DecodeImage(file.data(), file.size(), image, error)) << error;
  EXPECT_EQ(image.fileFormat, kFileJpg);
  EXPECT_EQ(image.format, kFmtX8R8G8B8);
  EXPECT_EQ(image.width, 16u);
  EXPECT_EQ(image.height, 8u);
  for (uint32_t y : {0u, 4u, 7u}) {
    ExpectNear(Argb(image, 2, y), 0xFFC81E28u, 6);
    ExpectNear(Argb(image, 13, y), 0xFF1432DCu, 6);
    EXPECT_EQ(Argb(image, 2, y) >> 24, 0xFFu);
  }
}

TEST(JpegDecode, GreyBecomesL8) {
  std::vector<uint8_t> samples;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) samples.push_back(static_cast<uint8_t>(x * 32));
  }
  const std::vector<uint8_t> file = EncodeJpeg(8, 8, 1, samples);
  Image image;
  std::string error;
  ASSERT_TRUE(DecodeImage(file.data(), file.size(), image, error)) << error;
  EXPECT_EQ(image.format, kFmtL8);
  ASSERT_EQ(image.pixels.size(), 64u);
  for (size_t i = 0; i < samples.size(); ++i) {
    EXPECT_LE(std::abs(image.pixels[i] - samples[i]), 3) << "pixel " << i;
  }
}

TEST(JpegMalformed, EveryTruncationFailsWithoutPrinting) {
  const std::vector<uint8_t> file = TwoColourJpeg();
  testing::internal::CaptureStderr();
  for (size_t length = 4; length < file.size(); ++length) {
    Image image;
    std::string error;
    EXPECT_FALSE(DecodeImage(file.data(), length, image, error)) << "length " << length;
    EXPECT_EQ(error.rfind("JPEG: ", 0), 0u) << "length " << length << ": " << error;
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(JpegMalformed, TruncatedScanSaysSo) {
  const std::vector<uint8_t> file = TwoColourJpeg();
  Image image;
  std::string error;
  EXPECT_FALSE(DecodeImage(file.data(), file.size() - 40, image, error));
  EXPECT_EQ(error, "JPEG: Premature end of JPEG file");
}

TEST(JpegMalformed, GarbageAfterTheMagicIsAnError) {
  const std::vector<uint8_t> file = {0xFF, 0xD8, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};
  Image image;
  std::string error;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(DecodeImage(file.data(), file.size(), image, error));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(error.rfind("JPEG: ", 0), 0u) << error;
  EXPECT_GT(error.size(), 6u);
}

TEST(JpegMalformed, OversizedFrameIsRejected) {
  std::vector<uint8_t> file = TwoColourJpeg();
  size_t sof = 2;
  while (sof + 9 < file.size() && !(file[sof] == 0xFF && file[sof + 1] == 0xC0)) ++sof;
  ASSERT_LT(sof + 9, file.size());
  file[sof + 7] = 0x4E;  // width 20000, big-endian
  file[sof + 8] = 0x20;
  Image image;
  std::string error;
  EXPECT_FALSE(DecodeImage(file.data(), file.size(), image, error));
  EXPECT_EQ(error,
            "JPEG: image size 20000x8x1 is out of range (1 to 16384 a side, depth up to 2048)");
}

// The size fields of the first frame header (SOF0, or `marker`), big-endian.
void SetFrameSize(std::vector<uint8_t>& file, uint16_t width, uint16_t height,
                  uint8_t marker = 0xC0) {
  size_t sof = 2;
  while (sof + 9 < file.size() && !(file[sof] == 0xFF && file[sof + 1] == marker)) ++sof;
  ASSERT_LT(sof + 9, file.size());
  file[sof + 5] = static_cast<uint8_t>(height >> 8);
  file[sof + 6] = static_cast<uint8_t>(height);
  file[sof + 7] = static_cast<uint8_t>(width >> 8);
  file[sof + 8] = static_cast<uint8_t>(width);
}

// The process's peak resident memory since the last reset, in bytes (Linux).
long PeakResidentBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6)) * 1024;
  return -1;
}

bool ResetPeakResident() { return bool(std::ofstream("/proc/self/clear_refs") << "5"); }

// libjpeg only warns when the scan data runs out before the rows do, and pads with grey; a
// small file claiming a huge picture must fail instead, at once, and without touching the
// 134 MB that the picture would take.
TEST(JpegMalformed, AFrameLargerThanItsDataFails) {
  std::vector<uint8_t> file = TwoColourJpeg();
  SetFrameSize(file, 8193, 4097);
  Image image;
  std::string error;
  ASSERT_TRUE(ResetPeakResident());
  const long before = PeakResidentBytes();
  EXPECT_FALSE(DecodeImage(file.data(), file.size(), image, error));
  EXPECT_LT(PeakResidentBytes() - before, 32l << 20);
  EXPECT_EQ(error, "JPEG: Corrupt JPEG data: premature end of data segment");
  EXPECT_TRUE(image.pixels.empty());
}

TEST(JpegMalformed, AProgressiveFrameLargerThanItsDataFails) {
  std::vector<uint8_t> samples(16 * 16, 90);
  std::vector<uint8_t> file = test::EncodeJpeg(16, 16, 1, samples, test::JpegCoding::Progressive);
  SetFrameSize(file, 4000, 3000, 0xC2);
  Image image;
  std::string error;
  EXPECT_FALSE(DecodeImage(file.data(), file.size(), image, error));
  EXPECT_EQ(error, "JPEG: Corrupt JPEG data: premature end of data segment");
}

// Arithmetic-coded data ends without a warning, so a short file could not be told apart.
TEST(JpegMalformed, ArithmeticCodingIsRefused) {
  std::vector<uint8_t> samples(8 * 8, 200);
  const std::vector<uint8_t> file =
      test::EncodeJpeg(8, 8, 1, samples, test::JpegCoding::Arithmetic);
  Image image;
  std::string error;
  EXPECT_FALSE(DecodeImage(file.data(), file.size(), image, error));
  EXPECT_EQ(error, "JPEG: arithmetic-coded files are not supported");
}

}  // namespace
}  // namespace ember
