// Screen text as ID3DXFont draws it: one textured quad per glyph from a coverage atlas,
// blended over the frame in the glyphs' colour.
#pragma once

#include <string>

#include "bench/reference/gl.h"
#include "runtime/glyphs/atlas.h"
#include "runtime/glyphs/text_layout.h"

namespace ember::reference {

class TextOverlay {
 public:
  TextOverlay() = default;
  TextOverlay(const TextOverlay&) = delete;
  TextOverlay& operator=(const TextOverlay&) = delete;
  ~TextOverlay();

  // The atlas texture, the program and buffers for a frame of the given size.
  bool Create(const GlyphAtlas& atlas, int frameWidth, int frameHeight, std::string& error);

  // Draws `text` with its top-left at pixel (x, y), y down, in opaque white. Allocates nothing.
  void Draw(const char* text, int x, int y);

 private:
  static constexpr int kMaxQuads = 256;

  GlyphAtlas atlas_;
  GLuint program_ = 0;
  GLuint vertexArray_ = 0, vertexBuffer_ = 0, indexBuffer_ = 0;
  GLuint atlasTexture_ = 0;
  GlyphQuad quads_[kMaxQuads];
  float vertices_[kMaxQuads * 4 * 4];  // x, y, u, v a corner
};

}  // namespace ember::reference
