#include "bench/reference/frame_renderer.h"

#include <cstdio>

namespace ember::reference {

FrameRenderer::~FrameRenderer() {
  if (backgroundBuffer_) glDeleteFramebuffers(1, &backgroundBuffer_);
  if (backgroundTexture_) glDeleteTextures(1, &backgroundTexture_);
  if (frameBuffer_) glDeleteFramebuffers(1, &frameBuffer_);
  if (frameColor_) glDeleteRenderbuffers(1, &frameColor_);
  if (frameDepthStencil_) glDeleteRenderbuffers(1, &frameDepthStencil_);
}

bool FrameRenderer::Create(const SceneData& scene, int width, int height, std::string& error) {
  width_ = width;
  height_ = height;
  if (!CreateFrameBuffer(error) || !CreateBackground(scene.background, error)) return false;
  if (!flame_.Create(scene, error) || !text_.Create(scene.font, width, height, error)) return false;
  glViewport(0, 0, width, height);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClearDepth(1.0);
  glClearStencil(0);
  return CheckGLErrors("while making the frame's objects", error);
}

bool FrameRenderer::CreateFrameBuffer(std::string& error) {
  glGenRenderbuffers(1, &frameColor_);
  glBindRenderbuffer(GL_RENDERBUFFER, frameColor_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width_, height_);
  glGenRenderbuffers(1, &frameDepthStencil_);
  glBindRenderbuffer(GL_RENDERBUFFER, frameDepthStencil_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width_, height_);
  glBindRenderbuffer(GL_RENDERBUFFER, 0);
  glGenFramebuffers(1, &frameBuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer_);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, frameColor_);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                            frameDepthStencil_);
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  if (!complete) error = "the GL driver refused the frame's framebuffer";
  return complete;
}

bool FrameRenderer::CreateBackground(const Image& picture, std::string& error) {
  // UpdateSurface refuses a picture that does not fit the back buffer.
  if (picture.width > uint32_t(width_) || picture.height > uint32_t(height_)) {
    error = "the background picture is larger than the frame";
    return false;
  }
  backgroundWidth_ = GLsizei(picture.width);
  backgroundHeight_ = GLsizei(picture.height);
  glGenTextures(1, &backgroundTexture_);
  glBindTexture(GL_TEXTURE_2D, backgroundTexture_);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, backgroundWidth_, backgroundHeight_, 0, GL_BGRA,
               GL_UNSIGNED_INT_8_8_8_8_REV, picture.pixels.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glBindTexture(GL_TEXTURE_2D, 0);
  glGenFramebuffers(1, &backgroundBuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, backgroundBuffer_);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, backgroundTexture_,
                         0);
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  if (!complete) error = "the GL driver refused the background's framebuffer";
  return complete;
}

void FrameRenderer::DrawBackground() {
  glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer_);
  // The flame leaves depth writes off; a clear needs them on.
  glDepthMask(GL_TRUE);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  // Both keep the top row at GL row 0: no flip.
  glBindFramebuffer(GL_READ_FRAMEBUFFER, backgroundBuffer_);
  glBlitFramebuffer(0, 0, backgroundWidth_, backgroundHeight_, 0, 0, backgroundWidth_,
                    backgroundHeight_, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer_);
}

void FrameRenderer::DrawFlame(float ticks, const Matrix& wvp, const Matrix& world) {
  flame_.Draw(ticks, wvp, world);
}

void FrameRenderer::DrawText(const char* text, int textX, int textY) {
  text_.Draw(text, textX, textY);
}

void FrameRenderer::Present() {
  glBindFramebuffer(GL_READ_FRAMEBUFFER, frameBuffer_);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  glBlitFramebuffer(0, 0, width_, height_, 0, height_, width_, 0, GL_COLOR_BUFFER_BIT, GL_NEAREST);
}

bool FrameRenderer::CheckGLErrors(const char* when, std::string& error) {
  const GLenum status = glGetError();
  if (status == GL_NO_ERROR) return true;
  char line[96];
  std::snprintf(line, sizeof line, "GL error 0x%04X %s", status, when);
  error = line;
  return false;
}

void FrameRenderer::ReadFrame(uint8_t* bgra) {
  glBindFramebuffer(GL_READ_FRAMEBUFFER, frameBuffer_);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
}

}  // namespace ember::reference
