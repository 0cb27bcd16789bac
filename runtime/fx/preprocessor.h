// The C preprocessor that Direct3D's effect compiler runs over the whole effect file before
// reading it: #define (with parameters), #undef, #if, #ifdef, #ifndef, #elif, #else, #endif,
// #include and #error. #pragma and #line stay for the shader compiler. Lines the directives and
// the skipped branches take become empty, so the file's own lines keep their numbers; an
// included file's lines come in place of its #include line.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ember {

struct FxMacro {
  std::string name;
  std::string value;
};

// Reads the file an #include names ("local" for quotes, "system" for angle brackets), from
// the file that includes it: `includer` is the path this reader gave that file, or the effect's
// own name. Sets `path` to where the text came from, which the included file's own #includes
// and messages then use (empty: the name as written). False with a reason when it cannot.
using FxIncludeReader =
    std::function<bool(const std::string& name, bool system, const std::string& includer,
                       std::string& text, std::string& path, std::string& reason)>;

// On failure returns false with "fileName(line,1): error: what is wrong" in `error`.
bool PreprocessEffect(std::string_view source, const char* fileName,
                      const std::vector<FxMacro>& defines, const FxIncludeReader& include,
                      std::string& out, std::string& error);

}  // namespace ember
