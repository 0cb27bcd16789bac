// The effect framework parser on arbitrary text: success must give plain data that the
// effect runtime can index without further checks.
#include <algorithm>
#include <string>
#include <string_view>

#include "runtime/fx/parser.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view source(reinterpret_cast<const char*>(data), size);
  ember::FxEffect effect;
  std::string error;
  if (!ember::ParseEffect(source, "fuzz.fx", effect, error)) {
    EMBER_FUZZ_CHECK(!error.empty());
    return 0;
  }
  // Blanking keeps every line in place for the compiler's messages (a replacement longer
  // than what it replaces pushes the rest of its own line to the right).
  EMBER_FUZZ_CHECK(std::count(effect.hlsl.begin(), effect.hlsl.end(), '\n') ==
                   std::count(source.begin(), source.end(), '\n'));
  for (const ember::FxParameter& p : effect.parameters) {
    const size_t count = size_t{p.rows} * p.columns * (p.arraySize ? p.arraySize : 1);
    EMBER_FUZZ_CHECK(p.initialValue.empty() || p.initialValue.size() == count);
    EMBER_FUZZ_CHECK(p.samplerTextureIndex < int(effect.parameters.size()));
    EMBER_FUZZ_CHECK(ember::FindParameter(effect, p.name) >= 0);
  }
  return 0;
}
