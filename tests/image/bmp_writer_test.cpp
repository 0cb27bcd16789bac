// The screenshot writer: the file's layout, a round trip through the decoder, and
// failures that leave nothing behind.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "tests/image/image_test_util.h"

namespace ember {
namespace {

using test::Argb;

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

// Names in `dir` that start with `prefix`.
std::vector<std::string> Matching(const std::string& dir, const std::string& prefix) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* entry = readdir(d)) {
      if (std::string(entry->d_name).rfind(prefix, 0) == 0) names.push_back(entry->d_name);
    }
    closedir(d);
  }
  return names;
}

// 3x2 pixels in rows of 16 bytes (4 spare), alpha values that the file cannot keep.
const std::vector<uint32_t> kPicture = {0x00102030, 0x80405060, 0xFF708090, 0,
                                        0x11A0B0C0, 0x22D0E0F0, 0x33010203, 0};

TEST(WriteBmp24, WritesAPaddedBottomUpFile) {
  const std::string path = test::ScratchPath("layout.bmp");
  const std::vector<uint8_t> pixels = test::BgraBytes(kPicture);
  std::string error;
  ASSERT_TRUE(WriteBmp24(path.c_str(), 3, 2, pixels.data(), 16, error)) << error;
  const std::vector<uint8_t> file = ReadFile(path);
  ASSERT_EQ(file.size(), 54u + 2 * 12);  // rows of 9 bytes padded to 12
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(file[2], 78);
  EXPECT_EQ(file[10], 54);
  EXPECT_EQ(file[22], 2);  // positive height: bottom-up
  EXPECT_EQ(file[28], 24);
  // The first stored row is the picture's bottom row.
  EXPECT_EQ(std::vector<uint8_t>(file.begin() + 54, file.begin() + 66),
            (std::vector<uint8_t>{0xC0, 0xB0, 0xA0, 0xF0, 0xE0, 0xD0, 0x03, 0x02, 0x01, 0, 0, 0}));
  unlink(path.c_str());
}

TEST(WriteBmp24, RoundTripsThroughTheDecoder) {
  const std::string path = test::ScratchPath("roundtrip.bmp");
  const std::vector<uint8_t> pixels = test::BgraBytes(kPicture);
  std::string error;
  ASSERT_TRUE(WriteBmp24(path.c_str(), 3, 2, pixels.data(), 16, error)) << error;
  Image image;
  ASSERT_TRUE(LoadImageFile(path.c_str(), image, error)) << error;
  EXPECT_EQ(image.fileFormat, kFileBmp);
  EXPECT_EQ(image.format, kFmtX8R8G8B8);
  ASSERT_EQ(image.width, 3u);
  ASSERT_EQ(image.height, 2u);
  for (uint32_t y = 0; y < 2; ++y) {
    for (uint32_t x = 0; x < 3; ++x) {
      EXPECT_EQ(Argb(image, x, y), kPicture[y * 4 + x] | 0xFF000000u) << x << "," << y;
    }
  }
  unlink(path.c_str());
}

TEST(WriteBmp24, ReplacesAnExistingFile) {
  const std::string path = test::ScratchPath("replace.bmp");
  {
    std::ofstream(path) << "an older and much longer file than the new picture will be......"
                           "...........................................................";
  }
  const std::vector<uint8_t> pixel = test::BgraBytes({0xFF010203});
  std::string error;
  ASSERT_TRUE(WriteBmp24(path.c_str(), 1, 1, pixel.data(), 4, error)) << error;
  const std::vector<uint8_t> file = ReadFile(path);
  ASSERT_EQ(file.size(), 58u);
  EXPECT_EQ(file[54], 0x03);
  unlink(path.c_str());
}

TEST(WriteBmp24, FailsCleanlyWhereItCannotWrite) {
  const std::vector<uint8_t> pixel = test::BgraBytes({0xFF010203});
  std::string error;
  const std::string missing = test::ScratchPath("no_such_dir/shot.bmp");
  EXPECT_FALSE(WriteBmp24(missing.c_str(), 1, 1, pixel.data(), 4, error));
  EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
  EXPECT_FALSE(Exists(missing));

  // A directory in the way: the data is written, the rename fails, the temporary goes.
  const std::string dir = test::ScratchPath("blocker");
  ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
  EXPECT_FALSE(WriteBmp24(dir.c_str(), 1, 1, pixel.data(), 4, error));
  EXPECT_EQ(error.rfind("cannot write '" + dir + "'", 0), 0u) << error;
  const std::string base = dir.substr(dir.rfind('/') + 1);
  EXPECT_EQ(Matching(dir.substr(0, dir.rfind('/')), base), std::vector<std::string>{base});
  rmdir(dir.c_str());
}

TEST(WriteBmp24, RejectsBadArguments) {
  const std::vector<uint8_t> pixels = test::BgraBytes({0, 0});
  const std::string path = test::ScratchPath("bad.bmp");
  std::string error;
  EXPECT_FALSE(WriteBmp24(path.c_str(), 0, 1, pixels.data(), 8, error));
  EXPECT_FALSE(WriteBmp24(path.c_str(), 2, 1, pixels.data(), 4, error));  // pitch too small
  EXPECT_FALSE(WriteBmp24(path.c_str(), 2, 1, nullptr, 8, error));
  EXPECT_FALSE(WriteBmp24(nullptr, 2, 1, pixels.data(), 8, error));
  EXPECT_EQ(error, "WriteBmp24: invalid arguments");
  EXPECT_FALSE(Exists(path));
}

}  // namespace
}  // namespace ember
