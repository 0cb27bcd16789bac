#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "runtime/xfile/scene.h"
#include "runtime/xfile/xfile.h"

namespace ember {

bool ParseXFile(const char* text, size_t size, XMesh& out, std::string& error) {
  out = XMesh();
  if (size > kMaxXFileBytes) {
    error = "X file is larger than " + std::to_string(kMaxXFileBytes >> 20) + " MiB";
    return false;
  }
  XScene scene;
  return ParseXScene(text, size, scene, error) && BuildXMesh(scene, out, error);
}

namespace {

bool ReadWholeFile(const char* path, std::string& contents, std::string& error) {
  int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = std::string("cannot open: ") + std::strerror(errno);
    return false;
  }
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    error = "not a regular file";
    return false;
  }
  if (static_cast<uint64_t>(info.st_size) > kMaxXFileBytes) {
    ::close(fd);
    error = "X file is larger than " + std::to_string(kMaxXFileBytes >> 20) + " MiB";
    return false;
  }
  contents.resize(static_cast<size_t>(info.st_size));
  size_t done = 0;
  while (done < contents.size()) {
    ssize_t got = ::read(fd, &contents[done], contents.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      error = got < 0 ? std::string("read failed: ") + std::strerror(errno)
                      : "file shrank while reading";
      ::close(fd);
      return false;
    }
    done += static_cast<size_t>(got);
  }
  ::close(fd);
  return true;
}

}  // namespace

bool LoadXFile(const char* path, XMesh& out, std::string& error) {
  out = XMesh();
  if (!path || !*path) {
    error = "no X file path";
    return false;
  }
  std::string contents;
  if (!ReadWholeFile(path, contents, error) ||
      !ParseXFile(contents.data(), contents.size(), out, error)) {
    error = std::string(path) + ": " + error;
    return false;
  }
  return true;
}

}  // namespace ember
