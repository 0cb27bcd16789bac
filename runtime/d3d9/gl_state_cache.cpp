#include "runtime/d3d9/gl_state_cache.h"

namespace ember::d3d9 {

void GLStateCache::BindFramebuffer(GLuint framebuffer) {
  if (framebuffer_ == framebuffer) return;
  framebuffer_ = framebuffer;
  ++calls_;
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
}

void GLStateCache::Viewport(int x, int y, int w, int h) {
  if (viewport_[0] == x && viewport_[1] == y && viewport_[2] == w && viewport_[3] == h) return;
  viewport_[0] = x;
  viewport_[1] = y;
  viewport_[2] = w;
  viewport_[3] = h;
  ++calls_;
  glViewport(x, y, w, h);
}

void GLStateCache::DepthRange(float nearZ, float farZ) {
  if (depthRange_[0] == nearZ && depthRange_[1] == farZ) return;
  depthRange_[0] = nearZ;
  depthRange_[1] = farZ;
  ++calls_;
  glDepthRange(nearZ, farZ);
}

void GLStateCache::Scissor(bool enabled, int x, int y, int w, int h) {
  if (scissorEnabled_ != int(enabled)) {
    scissorEnabled_ = enabled;
    ++calls_;
    if (enabled)
      glEnable(GL_SCISSOR_TEST);
    else
      glDisable(GL_SCISSOR_TEST);
  }
  if (!enabled) return;
  if (scissor_[0] == x && scissor_[1] == y && scissor_[2] == w && scissor_[3] == h) return;
  scissor_[0] = x;
  scissor_[1] = y;
  scissor_[2] = w;
  scissor_[3] = h;
  ++calls_;
  glScissor(x, y, w, h);
}

void GLStateCache::ColorMask(unsigned rgbaBits) {
  if (colorMask_ == rgbaBits) return;
  colorMask_ = rgbaBits;
  ++calls_;
  glColorMask(rgbaBits & 1 ? GL_TRUE : GL_FALSE, rgbaBits & 2 ? GL_TRUE : GL_FALSE,
              rgbaBits & 4 ? GL_TRUE : GL_FALSE, rgbaBits & 8 ? GL_TRUE : GL_FALSE);
}

void GLStateCache::DepthMask(bool write) {
  if (depthMask_ == int(write)) return;
  depthMask_ = write;
  ++calls_;
  glDepthMask(write ? GL_TRUE : GL_FALSE);
}

void GLStateCache::StencilMask(unsigned mask) {
  if (stencilMask_ == mask) return;
  stencilMask_ = mask;
  ++calls_;
  glStencilMask(mask);
}

void GLStateCache::ClearColor(float r, float g, float b, float a) {
  if (clearColor_[0] == r && clearColor_[1] == g && clearColor_[2] == b && clearColor_[3] == a)
    return;
  clearColor_[0] = r;
  clearColor_[1] = g;
  clearColor_[2] = b;
  clearColor_[3] = a;
  ++calls_;
  glClearColor(r, g, b, a);
}

void GLStateCache::ClearDepth(float z) {
  if (clearDepth_ == z) return;
  clearDepth_ = z;
  ++calls_;
  glClearDepth(z);
}

void GLStateCache::ClearStencil(int s) {
  if (clearStencil_ == s) return;
  clearStencil_ = s;
  ++calls_;
  glClearStencil(s);
}

void GLStateCache::Blend(bool enabled) {
  if (blend_ == int(enabled)) return;
  blend_ = enabled;
  ++calls_;
  if (enabled)
    glEnable(GL_BLEND);
  else
    glDisable(GL_BLEND);
}

void GLStateCache::BlendFunc(GLenum srcRgb, GLenum dstRgb, GLenum srcAlpha, GLenum dstAlpha) {
  if (blendFunc_[0] == srcRgb && blendFunc_[1] == dstRgb && blendFunc_[2] == srcAlpha &&
      blendFunc_[3] == dstAlpha)
    return;
  blendFunc_[0] = srcRgb;
  blendFunc_[1] = dstRgb;
  blendFunc_[2] = srcAlpha;
  blendFunc_[3] = dstAlpha;
  ++calls_;
  glBlendFuncSeparate(srcRgb, dstRgb, srcAlpha, dstAlpha);
}

void GLStateCache::BlendEquation(GLenum rgb, GLenum alpha) {
  if (blendEquation_[0] == rgb && blendEquation_[1] == alpha) return;
  blendEquation_[0] = rgb;
  blendEquation_[1] = alpha;
  ++calls_;
  glBlendEquationSeparate(rgb, alpha);
}

void GLStateCache::BlendColor(float r, float g, float b, float a) {
  if (blendColor_[0] == r && blendColor_[1] == g && blendColor_[2] == b && blendColor_[3] == a)
    return;
  blendColor_[0] = r;
  blendColor_[1] = g;
  blendColor_[2] = b;
  blendColor_[3] = a;
  ++calls_;
  glBlendColor(r, g, b, a);
}

void GLStateCache::DepthTest(bool enabled) {
  if (depthTest_ == int(enabled)) return;
  depthTest_ = enabled;
  ++calls_;
  if (enabled)
    glEnable(GL_DEPTH_TEST);
  else
    glDisable(GL_DEPTH_TEST);
}

void GLStateCache::DepthFunc(GLenum func) {
  if (depthFunc_ == func) return;
  depthFunc_ = func;
  ++calls_;
  glDepthFunc(func);
}

void GLStateCache::Cull(GLenum face) {
  if (cull_ == face) return;
  bool wasEnabled = cull_ != 0 && cull_ != kUnknown;
  cull_ = face;
  ++calls_;
  if (face == 0) {
    glDisable(GL_CULL_FACE);
    return;
  }
  if (!wasEnabled) glEnable(GL_CULL_FACE);
  glCullFace(face);
}

void GLStateCache::UseProgram(GLuint program) {
  if (program_ == program) return;
  program_ = program;
  ++calls_;
  glUseProgram(program);
}

void GLStateCache::BindVertexArray(GLuint vao) {
  if (vao_ == vao) return;
  vao_ = vao;
  ++calls_;
  glBindVertexArray(vao);
}

}  // namespace ember::d3d9
