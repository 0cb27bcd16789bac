// Where Direct3D 9's conventions meet OpenGL's, in one place.
//
// Row order. Every render target and texture holds Direct3D's top row at GL row 0, so surface
// memory, glReadPixels and glTexSubImage2D all use Direct3D's top-down order unchanged. To draw
// that way, vertex shaders negate clip-space y; Present flips once more when it blits to the
// window, whose origin GL puts at the bottom.
//
// Winding. Under that flip a triangle Direct3D sees clockwise, GL sees counter-clockwise. The
// GL front face stays GL_CCW, so D3DCULL_CCW (cull Direct3D's counter-clockwise faces) culls
// GL's back faces and D3DCULL_CW culls GL's front faces.
//
// Depth. Direct3D clip space runs z from 0 to w, GL's from -w to w: vertex shaders rewrite
// z as 2z - w.
//
// Colour byte order. D3DFMT_A8R8G8B8 is the 32-bit value 0xAARRGGBB, bytes B, G, R, A in
// memory: GL_BGRA with GL_UNSIGNED_INT_8_8_8_8_REV. A D3DCOLOR vertex element has the same
// bytes and is read with attribute size GL_BGRA, so vertex shaders see (r, g, b, a).
//
// Pixel centres. Direct3D 9 samples pixel (i, j) at (i, j), GL at (i + 0.5, j + 0.5). Screen
// space drawing (sprites, text) places quads on pixel edges in GL terms, so a texel drawn at
// (2, 1) covers exactly pixel (2, 1) as in Direct3D 9 with its usual half-pixel correction.
#pragma once

#include "runtime/d3d9/d3d9types.h"
#include "runtime/d3d9/gl.h"

namespace ember::d3d9 {

constexpr GLenum kPixelFormatBGRA = GL_BGRA;
constexpr GLenum kPixelTypeBGRA = GL_UNSIGNED_INT_8_8_8_8_REV;

// GL's glCullFace face for a Direct3D cull mode; 0 when nothing is culled.
inline GLenum CulledFace(DWORD d3dCullMode) {
  if (d3dCullMode == D3DCULL_CCW) return GL_BACK;
  if (d3dCullMode == D3DCULL_CW) return GL_FRONT;
  return 0;
}

// glBlitFramebuffer's destination rows for a Direct3D-ordered source shown in a window.
inline void WindowRowsForTopDown(int destY, int destHeight, int& glY0, int& glY1,
                                 int drawableHeight) {
  glY0 = drawableHeight - destY;
  glY1 = drawableHeight - (destY + destHeight);
}

}  // namespace ember::d3d9
