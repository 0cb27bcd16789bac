// 24-bit BMP writer for screenshots. The picture goes to a temporary file beside the
// target and is renamed over it once complete, so a failed write never leaves a
// partial picture under the real name.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "runtime/image/image.h"

namespace ember {
namespace {

constexpr uint32_t kHeadersSize = 14 + 40;

void Put16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

std::vector<uint8_t> MakeHeaders(uint32_t width, uint32_t height, uint32_t imageSize) {
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, kHeadersSize + imageSize);
  Put32(out, 0);
  Put32(out, kHeadersSize);
  Put32(out, 40);
  Put32(out, width);
  Put32(out, height);  // positive: bottom-up rows
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);  // BI_RGB
  Put32(out, imageSize);
  Put32(out, 2835);  // 72 dpi, in pixels a metre
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  return out;
}

bool WriteAll(int fd, const uint8_t* bytes, size_t size) {
  while (size > 0) {
    const ssize_t done = write(fd, bytes, size);
    if (done < 0 && errno == EINTR) continue;
    if (done < 0) return false;
    if (done == 0) {
      errno = EIO;
      return false;
    }
    bytes += done;
    size -= static_cast<size_t>(done);
  }
  return true;
}

std::string TemporaryName(const char* path) {
  static std::atomic<unsigned> counter{0};
  return std::string(path) + ".tmp-" + std::to_string(getpid()) + "-" +
         std::to_string(counter.fetch_add(1));
}

}  // namespace

bool WriteBmp24(const char* path, uint32_t width, uint32_t height, const uint8_t* bgra,
                size_t pitchBytes, std::string& error) {
  error.clear();
  if (path == nullptr || bgra == nullptr || width == 0 || height == 0 ||
      width > kMaxImageDimension || height > kMaxImageDimension || pitchBytes < size_t{width} * 4) {
    error = "WriteBmp24: invalid arguments";
    return false;
  }
  const uint32_t rowSize = (width * 3 + 3) / 4 * 4;
  const uint32_t imageSize = rowSize * height;  // at most about 805 MB under the caps
  const std::vector<uint8_t> headers = MakeHeaders(width, height, imageSize);

  const std::string temporary = TemporaryName(path);
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = std::string("cannot create '") + path + "': " + std::strerror(errno);
    return false;
  }
  bool ok = WriteAll(fd, headers.data(), headers.size());
  std::vector<uint8_t> row(rowSize, 0);
  for (uint32_t y = height; ok && y-- > 0;) {
    const uint8_t* src = bgra + y * pitchBytes;
    for (uint32_t x = 0; x < width; ++x) {
      row[3 * x + 0] = src[4 * x + 0];
      row[3 * x + 1] = src[4 * x + 1];
      row[3 * x + 2] = src[4 * x + 2];
    }
    ok = WriteAll(fd, row.data(), row.size());
  }
  int savedErrno = ok ? 0 : errno;
  if (close(fd) != 0 && ok) {
    ok = false;
    savedErrno = errno;
  }
  if (ok && rename(temporary.c_str(), path) != 0) {
    ok = false;
    savedErrno = errno;
  }
  if (!ok) {
    unlink(temporary.c_str());
    error = std::string("cannot write '") + path + "': " + std::strerror(savedErrno);
  }
  return ok;
}

}  // namespace ember
