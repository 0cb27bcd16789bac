// HLSL that Direct3D's compiler takes and glslang's front end gets wrong or refuses, rewritten
// into forms that compute the same before glslang sees it. Comments and strings are left
// alone, and no line moves.
#pragma once

#include <string>

namespace ember {

// Matrix swizzles, which glslang folds into constants or crashes on: `m._mRC` (zero-based) and
// `m._RC` (one-based) become `m[R][C]`; several elements become `floatN(m[R0][C0], ...)`.
std::string RewriteMatrixSwizzles(const std::string& hlsl);

// A vector cast to an array in an initializer, `float w[4] = (float[4])v;`, which glslang
// refuses: the array's elements one by one, `{ (v)[0], (v)[1], (v)[2], (v)[3] }`.
std::string RewriteArrayCasts(const std::string& hlsl);

}  // namespace ember
