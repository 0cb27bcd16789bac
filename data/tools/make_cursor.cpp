// Makes the menu's mouse cursor: make_cursor <cursore.bmp>
//
// A 32 x 32 24-bit BMP drawn pixel for pixel so it stays crisp at its own size.
// The hot spot is the top-left pixel, so the arrow's tip is there. The program
// loads the picture with an opaque-black colour key: the background is pure
// black and becomes transparent, while the outline is a near black that stays.
#include <cstdio>
#include <string>
#include <vector>

#include "data/tools/image_writers.h"

namespace {

const int kSize = 32;

// 'O' outline, 'W' white body, a space the background.
const char* const kArrow[] = {
    "O",
    "OO",
    "OWO",
    "OWWO",
    "OWWWO",
    "OWWWWO",
    "OWWWWWO",
    "OWWWWWWO",
    "OWWWWWWWO",
    "OWWWWWWWWO",
    "OWWWWWWWWWO",
    "OWWWWWWWWWWO",
    "OWWWWWWWWWWWO",
    "OWWWWWWWWWWWWO",
    "OWWWWWWWWOOOOOO",
    "OWWWWOWWWO",
    "OWWWOOWWWO",
    "OWWO  OWWWO",
    "OWO   OWWWO",
    "OO     OWWWO",
    "O      OWWWO",
    "        OWWWO",
    "        OWWWO",
    "         OOO",
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <cursore.bmp>\n", argv[0]);
    return 2;
  }
  std::vector<uint8_t> rgb(size_t(kSize) * kSize * 3, 0);
  const int rows = int(sizeof kArrow / sizeof kArrow[0]);
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; kArrow[y][x] != '\0' && x < kSize; ++x) {
      uint8_t value;
      switch (kArrow[y][x]) {
        case 'O':
          value = 16;
          break;
        case 'W':
          value = 255;
          break;
        default:
          continue;
      }
      uint8_t* p = &rgb[(size_t(y) * kSize + size_t(x)) * 3];
      p[0] = p[1] = p[2] = value;
    }
  }
  std::string error;
  if (!ember::WriteBmp24(argv[1], kSize, kSize, rgb, error)) {
    std::fprintf(stderr, "make_cursor: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
