// The whole effect path on arbitrary text: the framework parser, then the pass compiler on
// each pass. A compiler failure must come back as a message, never end the process.
#include <string>
#include <string_view>

#include "runtime/fx/parser.h"
#include "runtime/fx/pass_compiler.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// Each compile is slow; a mutated file with many passes would spend the run on one input.
constexpr size_t kMaxPasses = 4;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view source(reinterpret_cast<const char*>(data), size);
  ember::FxEffect effect;
  std::string error;
  if (!ember::ParseEffect(source, "fuzz.fx", effect, error)) return 0;
  size_t compiled = 0;
  for (size_t t = 0; t < effect.techniques.size(); ++t) {
    for (size_t p = 0; p < effect.techniques[t].passes.size(); ++p) {
      if (compiled++ == kMaxPasses) return 0;
      ember::FxCompiledPass pass;
      if (!ember::CompilePass(effect, t, p, "fuzz.fx", pass, error))
        EMBER_FUZZ_CHECK(!error.empty());
    }
  }
  return 0;
}
