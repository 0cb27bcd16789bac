// The effect preprocessor and framework parser on arbitrary text: the preprocessor keeps every
// line in place, and the parser's success must give plain data that the effect runtime can
// index without further checks.
#include <algorithm>
#include <string>
#include <string_view>

#include "runtime/fx/parser.h"
#include "runtime/fx/preprocessor.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string source, error;
  if (!ember::PreprocessEffect(input, "fuzz.fx", {}, nullptr, source, error)) {
    EMBER_FUZZ_CHECK(!error.empty());
    return 0;
  }
  // A last line without its line end gets one.
  const auto lines = std::count(input.begin(), input.end(), '\n');
  const auto kept = std::count(source.begin(), source.end(), '\n');
  EMBER_FUZZ_CHECK(kept == lines || kept == lines + 1);
  ember::FxEffect effect;
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
    for (const ember::FxSamplerElement& element : p.samplerElements)
      EMBER_FUZZ_CHECK(element.textureIndex < int(effect.parameters.size()));
    EMBER_FUZZ_CHECK(p.samplerElements.empty() || p.samplerElements.size() == p.arraySize);
  }
  // States and shaders that follow a parameter name one that exists.
  const int count = int(effect.parameters.size());
  for (const ember::FxTechnique& technique : effect.techniques) {
    for (const ember::FxPass& pass : technique.passes) {
      for (const ember::FxState& state : pass.states) EMBER_FUZZ_CHECK(state.parameter < count);
      for (const ember::FxShaderCall* shader : {&pass.vertexShader, &pass.pixelShader}) {
        EMBER_FUZZ_CHECK(shader->selector < count);
        EMBER_FUZZ_CHECK(shader->selector < 0 || !shader->choices.empty());
      }
    }
  }
  return 0;
}
