// Effect compiler messages in the form editors and the Direct3D tools use:
// "file(line,col): error: what is wrong".
#pragma once

#include <string>

#include "runtime/fx/model.h"

namespace ember {

std::string FormatFxError(const char* fileName, const FxSourcePos& at, const std::string& message);

// The lines around `at` with line numbers, the line itself marked and a caret
// under its column; empty when `at` lies outside `source`.
std::string FxSourceContext(const std::string& source, const FxSourcePos& at);

// Maps glslang's info log back onto the effect file: one line per error, at
// its line and (where glslang gives none) the column of the token it quotes,
// then the source around the first error. Messages without a place in the
// file, or placed past its end (the code added for compile arguments), go to
// `fallback`, the entry point on the pass's compile line.
std::string FormatGlslangLog(const std::string& log, const char* fileName,
                             const std::string& source, const FxSourcePos& fallback);

}  // namespace ember
