// Places a string's glyphs on the screen the way DrawTextA does with
// DT_LEFT | DT_TOP | DT_NOCLIP: one quad per visible glyph, pixel exact.
#pragma once

#include "runtime/glyphs/atlas.h"

namespace ember {

struct GlyphQuad {
  int x0, y0, x1, y1;  // screen pixels, y down; the bitmap's size, unscaled
  int atlasX, atlasY;  // the bitmap's top-left texel
};

// text is cp1252; length -1 (any negative) reads up to the NUL. (x, y) is the
// text's top-left; '\n' starts a line, '\r' is ignored, a tab moves to the
// next multiple of eight space widths. Writes at most maxQuads quads; when
// quadCount is given it receives the number of visible glyphs, which may be
// more than were written. Returns the height drawn, lines times lineHeight,
// as DrawText does. Allocates nothing.
int LayoutText(const GlyphAtlas& atlas, const char* text, int length, int x, int y,
               GlyphQuad* quads, int maxQuads, int* quadCount);

}  // namespace ember
