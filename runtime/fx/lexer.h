// Tokens of an effect file. The effect parser only needs the framework's part
// in detail; for the HLSL around it a token stream with brackets is enough.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/fx/model.h"

namespace ember {

enum class FxTokenKind {
  End,
  Identifier,  // letter or '_' first
  Number,      // digits, '.', exponent and suffix letters, checked when read
  String,      // "text", quotes included in `text`
  Punct,       // one character
};

struct FxToken {
  FxTokenKind kind = FxTokenKind::End;
  std::string_view text;
  size_t begin = 0;  // byte offsets into the source
  size_t end = 0;
  FxSourcePos where;

  bool IsPunct(char c) const {
    return kind == FxTokenKind::Punct && text.size() == 1 && text[0] == c;
  }
  bool Is(std::string_view word) const { return kind == FxTokenKind::Identifier && text == word; }
  bool IsNoCase(std::string_view word) const;
};

// Splits `source` into tokens, skipping white space, comments and
// preprocessor lines; the list ends with an End token. An unterminated
// comment or string fails with its position in `errorAt` and the message.
bool TokenizeEffect(std::string_view source, std::vector<FxToken>& tokens, FxSourcePos& errorAt,
                    std::string& error);

}  // namespace ember
