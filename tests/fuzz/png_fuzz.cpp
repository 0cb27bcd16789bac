// The PNG decoder on arbitrary bytes.
#include "runtime/image/codecs.h"
#include "tests/fuzz/image_decode_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ember::fuzz::CheckDecoder(ember::image_detail::DecodePng, data, size);
  return 0;
}
