// The DDS decoder on arbitrary bytes: 2D pictures and volumes.
#include "runtime/image/codecs.h"
#include "tests/fuzz/image_decode_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ember::fuzz::CheckDecoder(ember::image_detail::DecodeDds, data, size);
  return 0;
}
