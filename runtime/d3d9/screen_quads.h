// The device's drawing of screen-space quads for D3DX's sprite and font, as D3DX draws them
// through the device on Windows: a small program, and vertex and index buffers sized once for a
// whole batch, so drawing a batch allocates nothing.
#pragma once

#include <cstdint>

#include "runtime/d3d9/gl.h"

namespace ember::d3d9 {

class Device;

// A corner in render-target pixels (Direct3D's top-left origin), its texture coordinates and
// its colour as a D3DCOLOR.
struct ScreenVertex {
  float x, y, z;
  float u, v;
  uint32_t color;
};

class ScreenQuads {
 public:
  static constexpr int kMaxQuads = 512;

  // Once; needs the device's context current. False, with a debug message, when GL refused.
  bool Create();
  void Destroy();

  // Draws the quads (four corners each: top-left, top-right, bottom-left, bottom-right) into
  // the back buffer with the texture of stage 0, then marks the device state it changed.
  void Draw(Device& device, const ScreenVertex* vertices, int quads, bool alphaBlend);

 private:
  GLuint program_ = 0;
  GLuint vao_ = 0;
  GLuint vertexBuffer_ = 0;
  GLuint indexBuffer_ = 0;
  GLint viewportLocation_ = -1;
};

}  // namespace ember::d3d9
