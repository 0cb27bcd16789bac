// HLSL's matrix swizzles (`m._m02_m12_m22`, `m._11`) reach glslang badly: it folds them into
// constants or crashes on them. Written as indexing, which glslang gets right, they compute
// what Direct3D computes.
#pragma once

#include <string>

namespace ember {

// `m._mRC` (zero-based) and `m._RC` (one-based) become `m[R][C]`; several elements become
// `floatN(m[R0][C0], ...)`. Comments and strings are left alone, and no line moves.
std::string RewriteMatrixSwizzles(const std::string& hlsl);

}  // namespace ember
