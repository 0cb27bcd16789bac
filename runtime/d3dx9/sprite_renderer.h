// The GL side of the sprite: a small program, and vertex and index buffers sized once for a
// whole batch, so drawing a batch allocates nothing.
#pragma once

#include <cstdint>

#include "runtime/d3d9/gl.h"

namespace ember::d3d9 {
class Device;
}

namespace ember::d3dx {

// A corner in render-target pixels (Direct3D's top-left origin), its texture coordinates and
// its colour as a D3DCOLOR.
struct SpriteVertex {
  float x, y, z;
  float u, v;
  uint32_t color;
};

class SpriteRenderer {
 public:
  static constexpr int kMaxQuads = 512;

  // Needs the device's context current; false, with a debug message, when GL refused.
  bool Create();
  void Destroy();

  // Draws the quads (four corners each: top-left, top-right, bottom-left, bottom-right) into
  // the back buffer with the texture of stage 0, then marks the device state it changed.
  void Draw(d3d9::Device& device, const SpriteVertex* vertices, int quads, bool alphaBlend);

 private:
  GLuint program_ = 0;
  GLuint vao_ = 0;
  GLuint vertexBuffer_ = 0;
  GLuint indexBuffer_ = 0;
  GLint viewportLocation_ = -1;
};

}  // namespace ember::d3dx
