// Format detection, file reading and the size limits shared by the decoders.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "runtime/image/codecs.h"
#include "runtime/image/image.h"

namespace ember {
namespace image_detail {

bool CheckImageSize(const char* codec, uint64_t width, uint64_t height, uint64_t depth,
                    uint32_t bytesPerPixel, uint64_t inputBytes, std::string& error) {
  if (width == 0 || height == 0 || depth == 0 || width > kMaxImageDimension ||
      height > kMaxImageDimension || depth > kMaxImageDepth) {
    error = std::string(codec) + ": image size " + std::to_string(width) + "x" +
            std::to_string(height) + "x" + std::to_string(depth) + " is out of range (1 to " +
            std::to_string(kMaxImageDimension) + " a side, depth up to " +
            std::to_string(kMaxImageDepth) + ")";
    return false;
  }
  // The dimension caps keep this product far from overflowing 64 bits.
  const uint64_t bytes = width * height * depth * bytesPerPixel;
  if (bytes > kMaxImageBytes) {
    error = std::string(codec) + ": image of " + std::to_string(bytes) +
            " bytes is larger than the " + std::to_string(kMaxImageBytes >> 20) + " MiB limit";
    return false;
  }
  if (inputBytes > kMaxImageBytes - bytes) {
    error = std::string(codec) + ": image of " + std::to_string(bytes) + " bytes with its " +
            std::to_string(inputBytes) + " bytes of source passes the " +
            std::to_string(kMaxImageBytes >> 20) + " MiB limit";
    return false;
  }
  return true;
}

}  // namespace image_detail

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool ReadWholeFile(const char* path, std::vector<uint8_t>& bytes, std::string& error) {
  // O_NONBLOCK keeps a FIFO from hanging the open; it is refused just below.
  const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    error = std::string("cannot open '") + path + "': " + std::strerror(errno);
    return false;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    error = std::string("'") + path + "' is not a regular file";
    close(fd);
    return false;
  }
  if (static_cast<uint64_t>(info.st_size) > kMaxImageFileBytes) {
    error = std::string("'") + path + "' is too large for an image (" +
            std::to_string(info.st_size) + " bytes)";
    close(fd);
    return false;
  }
  bytes.resize(static_cast<size_t>(info.st_size));
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error = std::string("cannot read '") + path + "': " + std::strerror(errno);
      close(fd);
      return false;
    }
    if (got == 0) break;  // the file shrank while we read it
    done += static_cast<size_t>(got);
  }
  bytes.resize(done);
  close(fd);
  return true;
}

}  // namespace

uint32_t ImageBytesPerPixel(uint32_t format) {
  switch (format) {
    case kFmtA8R8G8B8:
    case kFmtX8R8G8B8:
      return 4;
    case kFmtA8L8:
      return 2;
    case kFmtA8:
    case kFmtL8:
      return 1;
    default:
      return 0;
  }
}

uint64_t BlockBytes(uint32_t blockFormat, uint32_t width, uint32_t height) {
  const uint64_t blocks = uint64_t{(width + 3) / 4} * ((height + 3) / 4);
  switch (blockFormat) {
    case kFmtDxt1:
      return blocks * 8;
    case kFmtDxt3:
    case kFmtDxt5:
      return blocks * 16;
    default:
      return 0;
  }
}

bool DecodeImage(const uint8_t* data, size_t size, Image& out, std::string& error) {
  error.clear();
  if (data == nullptr || size < 4) {
    error = "image data too short to identify (" + std::to_string(data ? size : 0) + " bytes)";
    return false;
  }
  Image image;
  bool ok = false;
  if (std::memcmp(data, kPngSignature, 4) == 0) {
    image.fileFormat = kFilePng;
    if (size < sizeof kPngSignature ||
        std::memcmp(data, kPngSignature, sizeof kPngSignature) != 0) {
      error = "PNG: damaged or truncated signature";
      return false;
    }
    ok = image_detail::DecodePng(data, size, image, error);
  } else if (data[0] == 0xFF && data[1] == 0xD8) {
    image.fileFormat = kFileJpg;
    ok = image_detail::DecodeJpeg(data, size, image, error);
  } else if (data[0] == 'B' && data[1] == 'M') {
    image.fileFormat = kFileBmp;
    ok = image_detail::DecodeBmp(data, size, image, error);
  } else if (std::memcmp(data, "DDS ", 4) == 0) {
    image.fileFormat = kFileDds;
    ok = image_detail::DecodeDds(data, size, image, error);
  } else {
    error = "unrecognised image format (not PNG, JPEG, BMP or DDS)";
    return false;
  }
  if (!ok) return false;
  out = std::move(image);
  return true;
}

bool LoadImageFile(const char* path, Image& out, std::string& error) {
  error.clear();
  if (path == nullptr) {
    error = "no image path given";
    return false;
  }
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes, error)) return false;
  if (!DecodeImage(bytes.data(), bytes.size(), out, error)) {
    error = std::string(path) + ": " + error;
    return false;
  }
  return true;
}

}  // namespace ember
