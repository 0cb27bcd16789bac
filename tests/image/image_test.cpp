// Format detection and file loading, shared by every codec.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>

#include "tests/image/image_test_util.h"

#ifdef __SANITIZE_ADDRESS__
// In the sanitized run, one allocation past the load limit fails whichever test makes it, in
// our code or in a decoding library: no file may make a load take more.
extern "C" const char* __asan_default_options() { return "max_allocation_size_mb=512"; }
#endif

namespace ember {
namespace {

TEST(ImageFormats, BytesPerPixel) {
  EXPECT_EQ(ImageBytesPerPixel(kFmtA8R8G8B8), 4u);
  EXPECT_EQ(ImageBytesPerPixel(kFmtX8R8G8B8), 4u);
  EXPECT_EQ(ImageBytesPerPixel(kFmtA8L8), 2u);
  EXPECT_EQ(ImageBytesPerPixel(kFmtL8), 1u);
  EXPECT_EQ(ImageBytesPerPixel(kFmtA8), 1u);
  EXPECT_EQ(ImageBytesPerPixel(20), 0u);  // R8G8B8 is never produced
}

TEST(DecodeImage, RejectsUnknownAndTinyInput) {
  Image image;
  image.width = 7;
  std::string error;
  const uint8_t gif[] = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0};
  EXPECT_FALSE(DecodeImage(gif, sizeof gif, image, error));
  EXPECT_EQ(error, "unrecognised image format (not PNG, JPEG, BMP or DDS)");
  EXPECT_FALSE(DecodeImage(gif, 0, image, error));
  EXPECT_EQ(error, "image data too short to identify (0 bytes)");
  EXPECT_FALSE(DecodeImage(nullptr, 100, image, error));
  EXPECT_FALSE(error.empty());
  const uint8_t brokenPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0, 0, 0, 0};
  EXPECT_FALSE(DecodeImage(brokenPng, sizeof brokenPng, image, error));
  EXPECT_EQ(error, "PNG: damaged or truncated signature");
  EXPECT_EQ(image.width, 7u) << "a failed decode leaves the output alone";
}

TEST(DecodeImage, IdentifiesByContentNotName) {
  // A BMP saved under a .png name still decodes as a BMP.
  const std::string path = test::ScratchPath("really_a_bmp.png");
  const std::vector<uint8_t> pixel = test::BgraBytes({0xFF336699});
  std::string error;
  ASSERT_TRUE(WriteBmp24(path.c_str(), 1, 1, pixel.data(), 4, error)) << error;
  Image image;
  ASSERT_TRUE(LoadImageFile(path.c_str(), image, error)) << error;
  EXPECT_EQ(image.fileFormat, kFileBmp);
  EXPECT_EQ(test::Argb(image, 0, 0), 0xFF336699u);
  unlink(path.c_str());
}

TEST(LoadImageFile, ReportsUnreadablePaths) {
  Image image;
  std::string error;
  const std::string missing = test::ScratchPath("missing.png");
  EXPECT_FALSE(LoadImageFile(missing.c_str(), image, error));
  EXPECT_EQ(error, "cannot open '" + missing + "': No such file or directory");

  const std::string dir = test::ScratchPath("a_directory");
  ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
  EXPECT_FALSE(LoadImageFile(dir.c_str(), image, error));
  EXPECT_EQ(error, "'" + dir + "' is not a regular file");
  rmdir(dir.c_str());

  const std::string fifo = test::ScratchPath("a_fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(LoadImageFile(fifo.c_str(), image, error));
  EXPECT_EQ(error, "'" + fifo + "' is not a regular file");
  unlink(fifo.c_str());

  EXPECT_FALSE(LoadImageFile(nullptr, image, error));
  EXPECT_EQ(error, "no image path given");
}

TEST(LoadImageFile, PrefixesDecodeErrorsWithThePath) {
  const std::string path = test::ScratchPath("junk.bmp");
  { std::ofstream(path) << "BMjunk"; }
  Image image;
  std::string error;
  EXPECT_FALSE(LoadImageFile(path.c_str(), image, error));
  EXPECT_EQ(error, path + ": BMP: file truncated in the file header");
  unlink(path.c_str());
}

}  // namespace
}  // namespace ember
