// Puts the mirrored render states a draw depends on into GL, one dirty group at a time and
// through the GL cache, so an unchanged state costs nothing.
//
// Applied: blending (enable, factors, operations, the separate alpha factors, the blend
// factor colour), the colour write mask, depth (enable, write, function), culling and the
// scissor test (over the whole render target: the device has no SetScissorRect). Not applied:
// alpha testing, which GL core leaves to the fragment shader, and, not yet, stencil and fill
// mode: GL keeps its stencil test off and fills solid. Those groups stay dirty.
#pragma once

#include "runtime/d3d9/device_states.h"
#include "runtime/d3d9/gl_state_cache.h"

namespace ember::d3d9 {

void FlushRenderStates(DeviceStates& states, GLStateCache& gl, int targetWidth, int targetHeight);

// GL's blend factor for a Direct3D one on the source or the destination side (the two
// D3DBLEND_BOTH* values stand for a different factor on each side).
GLenum BlendFactor(DWORD d3dBlend, bool source);
GLenum BlendOperation(DWORD d3dBlendOp);
GLenum CompareFunction(DWORD d3dCmp);

}  // namespace ember::d3d9
