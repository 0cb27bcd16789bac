#include "runtime/glyphs/text_layout.h"

namespace ember {

int LayoutText(const GlyphAtlas& atlas, const char* text, int length, int x, int y,
               GlyphQuad* quads, int maxQuads, int* quadCount) {
  int visible = 0;
  int lines = 0;
  if (text) {
    const int tabWidth = 8 * atlas.glyphs[' '].advance;
    int penX = x;
    int baseline = y + atlas.ascent;
    for (int i = 0; length < 0 ? text[i] != '\0' : i < length; ++i) {
      if (lines == 0) lines = 1;
      const unsigned char byte = static_cast<unsigned char>(text[i]);
      if (byte == '\n') {
        penX = x;
        baseline += atlas.lineHeight;
        ++lines;
        continue;
      }
      if (byte == '\t') {
        if (tabWidth > 0) penX = x + ((penX - x) / tabWidth + 1) * tabWidth;
        continue;
      }
      const GlyphInfo& glyph = atlas.glyphs[byte];
      if (!glyph.present) continue;
      if (glyph.width > 0 && glyph.height > 0) {
        if (quads && visible < maxQuads) {
          GlyphQuad& quad = quads[visible];
          quad.x0 = penX + glyph.bearingX;
          quad.y0 = baseline - glyph.bearingY;
          quad.x1 = quad.x0 + glyph.width;
          quad.y1 = quad.y0 + glyph.height;
          quad.atlasX = glyph.atlasX;
          quad.atlasY = glyph.atlasY;
        }
        ++visible;
      }
      penX += glyph.advance;
    }
  }
  if (quadCount) *quadCount = visible;
  return lines * atlas.lineHeight;
}

}  // namespace ember
