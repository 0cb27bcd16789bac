// An offscreen GL framebuffer standing in for a Direct3D surface that can be rendered to.
#pragma once

#include "runtime/d3d9/gl.h"

namespace ember::d3d9 {

struct RenderTarget {
  GLuint framebuffer = 0;
  GLuint color = 0;         // GL_RGBA8 texture
  GLuint depthStencil = 0;  // GL_DEPTH24_STENCIL8 renderbuffer, 0 when none
  int width = 0;
  int height = 0;

  bool Create(int w, int h, bool withDepthStencil);
  void Destroy();
};

}  // namespace ember::d3d9
