// One decoder under the fuzzer: success must give a picture within the limits whose pixel
// bytes match its size, and failure must say why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/image/image.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_outcomes.h"

namespace ember::fuzz {

using Decoder = bool (*)(const uint8_t*, size_t, Image&, std::string&);

inline void CheckDecoder(Decoder decode, const uint8_t* data, size_t size) {
  Image image;
  std::string error;
  if (!decode(data, size, image, error)) {
    EMBER_FUZZ_CHECK(!error.empty());
    NoteFailure(error);
    return;
  }
  NoteSuccess(image);
  const uint32_t bpp = ImageBytesPerPixel(image.format);
  EMBER_FUZZ_CHECK(bpp != 0);
  EMBER_FUZZ_CHECK(image.width >= 1 && image.width <= kMaxImageDimension);
  EMBER_FUZZ_CHECK(image.height >= 1 && image.height <= kMaxImageDimension);
  EMBER_FUZZ_CHECK(image.depth >= 1 && image.depth <= kMaxImageDepth);
  EMBER_FUZZ_CHECK(image.pixels.size() == uint64_t{image.width} * image.height * image.depth * bpp);
}

}  // namespace ember::fuzz
