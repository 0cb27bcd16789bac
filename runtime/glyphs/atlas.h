// A font's glyphs for the 256 bytes of Windows code page 1252, rasterised
// once into one 8-bit coverage texture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ember {

struct GlyphInfo {
  int atlasX = 0, atlasY = 0, width = 0, height = 0;  // texels of the bitmap
  int bearingX = 0, bearingY = 0;  // pen on the baseline to the bitmap's top-left, y up
  int advance = 0;                 // whole pixels
  bool present = false;            // false for control bytes and unassigned cp1252 bytes
};

struct GlyphAtlas {
  int width = 0, height = 0;  // width is a power of two; coverage is width * height bytes
  std::vector<uint8_t> coverage;
  GlyphInfo glyphs[256];
  int ascent = 0, descent = 0;
  int lineHeight = 0;  // ascent + descent, the Windows tmHeight
};

// Heights beyond this are refused: the atlas would not fit a texture.
constexpr int kMaxGlyphPixelHeight = 256;

// Unicode code point of a Windows-1252 byte; 0 for control bytes and the
// five bytes the code page leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D).
uint32_t Cp1252ToUnicode(unsigned char byte);

// height follows LOGFONT's lfHeight: negative is the em height in pixels,
// positive the cell height (ascent + descent), 0 a default 12-pixel em.
// weight is a Windows FW_ value; 600 or more emboldens a face that is not
// bold itself. Characters the face lacks get its missing-glyph shape.
bool BuildGlyphAtlas(const std::string& path, int faceIndex, int height, int weight,
                     GlyphAtlas& out, std::string& error);

}  // namespace ember
