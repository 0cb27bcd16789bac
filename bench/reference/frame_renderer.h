// The demo frame drawn by hand. The frame lives in a framebuffer of its own with a 24/8
// depth-stencil, as the device's back buffer, and keeps Direct3D's top row at GL row 0: the
// background picture goes in unflipped, the effect compiler's flame shaders (which negate
// clip-space y) draw upright in it, and the text is placed with y down. Present turns it
// right way up once, onto the window's framebuffer.
#pragma once

#include <cstdint>
#include <string>

#include "bench/reference/flame_pass.h"
#include "bench/reference/gl.h"
#include "bench/reference/matrices.h"
#include "bench/reference/scene_data.h"
#include "bench/reference/text_overlay.h"

namespace ember::reference {

class FrameRenderer {
 public:
  FrameRenderer() = default;
  FrameRenderer(const FrameRenderer&) = delete;
  FrameRenderer& operator=(const FrameRenderer&) = delete;
  ~FrameRenderer();

  // Sends the scene's background picture to the GL once: it never changes.
  bool Create(const SceneData& scene, int width, int height, std::string& error);

  // The frame's parts, in this order: the clear and the background, the flame, then `text`
  // with its top-left at pixel (textX, textY).
  void DrawBackground();
  void DrawFlame(float ticks, const Matrix& wvp, const Matrix& world);
  void DrawText(const char* text, int textX, int textY);

  // The frame onto the window's framebuffer, bottom row first as GL shows it.
  void Present();

  // False, with `error` naming the first GL error since the last check and `when`.
  bool CheckGLErrors(const char* when, std::string& error);

  // The frame's pixels, top row first, B, G, R, A: width * height * 4 bytes.
  void ReadFrame(uint8_t* bgra);

 private:
  bool CreateFrameBuffer(std::string& error);
  bool CreateBackground(const Image& picture, std::string& error);

  int width_ = 0, height_ = 0;
  GLuint frameBuffer_ = 0, frameColor_ = 0, frameDepthStencil_ = 0;
  GLsizei backgroundWidth_ = 0, backgroundHeight_ = 0;
  GLuint backgroundBuffer_ = 0, backgroundTexture_ = 0;
  FlamePass flame_;
  TextOverlay text_;
};

}  // namespace ember::reference
