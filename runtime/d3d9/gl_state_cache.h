// The GL state the device last set. Every setter compares first and calls GL only on a change;
// Reset forgets everything (after code outside the cache touched GL).
#pragma once

#include "runtime/d3d9/gl.h"

namespace ember::d3d9 {

class GLStateCache {
 public:
  void Reset() { *this = GLStateCache(); }

  void BindFramebuffer(GLuint framebuffer);
  // After code bound read and draw framebuffers on its own.
  void ForgetFramebuffer() { framebuffer_ = kUnknown; }
  void Viewport(int x, int y, int w, int h);
  void DepthRange(float nearZ, float farZ);
  void Scissor(bool enabled, int x = 0, int y = 0, int w = 0, int h = 0);
  void ColorMask(unsigned rgbaBits);
  void DepthMask(bool write);
  void StencilMask(unsigned mask);
  void ClearColor(float r, float g, float b, float a);
  void ClearDepth(float z);
  void ClearStencil(int s);
  void Blend(bool enabled);
  void BlendFunc(GLenum srcRgb, GLenum dstRgb, GLenum srcAlpha, GLenum dstAlpha);
  void BlendEquation(GLenum rgb, GLenum alpha);
  void BlendColor(float r, float g, float b, float a);
  void DepthTest(bool enabled);
  void DepthFunc(GLenum func);
  void Cull(GLenum face);  // 0 disables culling
  void UseProgram(GLuint program);
  void BindVertexArray(GLuint vao);

  // How many GL state calls the cache has made: tests check that repeats make none.
  unsigned long CallCount() const { return calls_; }

 private:
  static constexpr unsigned kUnknown = 0xFFFFFFFFu;
  unsigned long calls_ = 0;
  GLuint framebuffer_ = kUnknown;
  int viewport_[4] = {-1, -1, -1, -1};
  float depthRange_[2] = {-1.0f, -1.0f};
  int scissorEnabled_ = -1;
  int scissor_[4] = {-1, -1, -1, -1};
  unsigned colorMask_ = kUnknown;
  int depthMask_ = -1;
  unsigned stencilMask_ = kUnknown;
  float clearColor_[4] = {-1.0f, -1.0f, -1.0f, -1.0f};
  float clearDepth_ = -1.0f;
  int clearStencil_ = -1;
  int blend_ = -1;
  GLenum blendFunc_[4] = {kUnknown, kUnknown, kUnknown, kUnknown};
  GLenum blendEquation_[2] = {kUnknown, kUnknown};
  float blendColor_[4] = {-1.0f, -1.0f, -1.0f, -1.0f};
  int depthTest_ = -1;
  GLenum depthFunc_ = kUnknown;
  GLenum cull_ = kUnknown;
  GLuint program_ = kUnknown;
  GLuint vao_ = kUnknown;
};

}  // namespace ember::d3d9
