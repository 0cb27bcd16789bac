// libpng and libjpeg come from the system, built without coverage, so the fuzzer cannot see
// how far into them an input got. These counters, which libFuzzer reads beside its coverage,
// show it instead: one for each kind of message a decode fails with, one for each format and
// size class of picture that decodes. An input that reaches a new one is kept and mutated.
#pragma once

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/image/image.h"

namespace ember::fuzz {

constexpr size_t kOutcomeCounters = 4096;
__attribute__((used,
               section("__libfuzzer_extra_counters"))) inline uint8_t g_outcomes[kOutcomeCounters];

inline void Note(size_t feature) {
  uint8_t& counter = g_outcomes[feature % kOutcomeCounters];
  if (counter < 255) ++counter;
}

// The message without the chunk name or numbers it quotes, so that one kind of failure is
// one feature whatever bytes caused it.
inline void NoteFailure(const std::string& error) {
  const size_t colon = error.rfind(": ");
  uint32_t hash = 2166136261u;
  for (size_t i = colon == std::string::npos ? 0 : colon + 2; i < error.size(); ++i) {
    if (error.compare(i, 2, "0x") == 0) {
      i += 2;
      while (i < error.size() && std::isxdigit(static_cast<unsigned char>(error[i]))) ++i;
    }
    if (i == error.size() || std::isdigit(static_cast<unsigned char>(error[i]))) continue;
    hash = (hash ^ static_cast<uint8_t>(error[i])) * 16777619u;
  }
  Note(hash);
}

inline uint32_t SizeClass(uint32_t side) {
  uint32_t bits = 0;
  while (side > 1) side >>= 1, ++bits;
  return bits;
}

inline void NoteSuccess(const Image& image) {
  Note(0x9E37u * (image.format * 64 + image.isVolume * 32 + SizeClass(image.width)) +
       SizeClass(image.height) * 17 + SizeClass(image.depth));
}

}  // namespace ember::fuzz
