#pragma once

#include "runtime/d3d9/d3d9caps.h"

namespace ember::d3d9 {

// What a device on the current GL 3.3 core context can do, in Direct3D's terms. Needs the
// context current.
void FillCaps(D3DDEVTYPE type, D3DCAPS9& caps);

}  // namespace ember::d3d9
