// Runs a fuzz target once on every file named, or found in the folders named, without
// libFuzzer: the plain build replays the seed corpora and the kept crashing inputs this way.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int Replay(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return 0;  // a folder with no cases yet
  if (S_ISDIR(info.st_mode)) {
    int count = 0;
    DIR* dir = opendir(path.c_str());
    if (!dir) return 0;
    while (const dirent* entry = readdir(dir)) {
      if (entry->d_name[0] != '.') count += Replay(path + "/" + entry->d_name);
    }
    closedir(dir);
    return count;
  }
  std::ifstream file(path, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                   std::istreambuf_iterator<char>());
  std::fprintf(stderr, "replaying %s\n", path.c_str());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  int count = 0;
  for (int i = 1; i < argc; ++i) count += Replay(argv[i]);
  std::printf("%d inputs replayed\n", count);
  return 0;
}
