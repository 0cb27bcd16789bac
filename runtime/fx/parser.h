// Reads a Direct3D 9 effect file (HLSL with the effect framework's
// parameters, sampler_state blocks and techniques) into plain data.
#pragma once

#include <string>
#include <string_view>

#include "runtime/fx/model.h"

namespace ember {

// Parses `source`. On failure returns false with `error` set to
// "fileName(line,col): error: what is wrong"; `out` is then unspecified.
// Any input is safe to pass: bad text gives an error, never a crash.
bool ParseEffect(std::string_view source, const char* fileName, FxEffect& out, std::string& error);

// Index of the parameter called `name`, or -1.
int FindParameter(const FxEffect& effect, std::string_view name);

}  // namespace ember
