#include "runtime/glyphs/atlas.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace ember {
namespace {

constexpr int kDefaultEmPixels = 12;
constexpr int kMaxAtlasSide = 4096;

struct LibraryCloser {
  void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceCloser {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using LibraryPtr = std::unique_ptr<FT_LibraryRec_, LibraryCloser>;
using FacePtr = std::unique_ptr<FT_FaceRec_, FaceCloser>;

struct RasterGlyph {
  GlyphInfo info;
  std::vector<uint8_t> pixels;  // info.width * info.height, top row first
};

long RoundPixels(FT_Pos value26_6) { return (value26_6 + 32) >> 6; }

const TT_OS2* Os2Table(FT_Face face) {
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  return os2 && os2->version != 0xFFFF ? os2 : nullptr;
}

// GDI's cell is usWinAscent + usWinDescent, which covers every glyph of the
// face; fonts without an OS/2 table fall back to their ascender and descender.
void CellExtentsInUnits(FT_Face face, long& ascent, long& descent) {
  const TT_OS2* os2 = Os2Table(face);
  if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
    ascent = os2->usWinAscent;
    descent = os2->usWinDescent;
  } else {
    ascent = face->ascender;
    descent = -face->descender;
  }
  if (ascent + descent <= 0) {
    ascent = face->units_per_EM * 4 / 5;
    descent = face->units_per_EM / 5;
  }
}

bool IsFaceBold(FT_Face face) {
  if (face->style_flags & FT_STYLE_FLAG_BOLD) return true;
  const TT_OS2* os2 = Os2Table(face);
  return os2 && os2->usWeightClass >= 600;
}

int EmPixels(FT_Face face, int height) {
  if (height == 0) return kDefaultEmPixels;
  if (height < 0) return -height;
  if (!FT_IS_SCALABLE(face)) return height;
  long ascent = 0, descent = 0;
  CellExtentsInUnits(face, ascent, descent);
  long long cell = ascent + descent;
  long long em = (static_cast<long long>(height) * face->units_per_EM + cell / 2) / cell;
  return static_cast<int>(std::max(1LL, em));
}

// Bitmap-only faces come in fixed strikes; take the one nearest the request.
bool SelectNearestStrike(FT_Face face, int emPixels) {
  if (face->num_fixed_sizes <= 0) return false;
  int best = 0;
  for (int i = 1; i < face->num_fixed_sizes; ++i) {
    long distance = std::labs(RoundPixels(face->available_sizes[i].y_ppem) - emPixels);
    long bestDistance = std::labs(RoundPixels(face->available_sizes[best].y_ppem) - emPixels);
    if (distance < bestDistance) best = i;
  }
  return FT_Select_Size(face, best) == 0;
}

bool SetFaceSize(FT_Face face, int height, GlyphAtlas& atlas, std::string& error) {
  if (height < -kMaxGlyphPixelHeight || height > kMaxGlyphPixelHeight) {
    error = "font height " + std::to_string(height) + " is out of range";
    return false;
  }
  if (FT_IS_SCALABLE(face) && face->units_per_EM == 0) {
    error = "font has no em size";
    return false;
  }
  int em = EmPixels(face, height);
  if (FT_IS_SCALABLE(face)) {
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(em)) != 0) {
      error = "font cannot be scaled to " + std::to_string(em) + " pixels";
      return false;
    }
    long ascent = 0, descent = 0;
    CellExtentsInUnits(face, ascent, descent);
    FT_Fixed scale = face->size->metrics.y_scale;
    // Rounding the whole cell once keeps ascent + descent within half a
    // pixel of the face's true cell height.
    atlas.ascent = static_cast<int>(RoundPixels(FT_MulFix(ascent, scale)));
    atlas.lineHeight = static_cast<int>(RoundPixels(FT_MulFix(ascent + descent, scale)));
  } else {
    if (!SelectNearestStrike(face, em)) {
      error = "bitmap font has no usable size";
      return false;
    }
    atlas.ascent = static_cast<int>(RoundPixels(face->size->metrics.ascender));
    atlas.lineHeight = atlas.ascent - static_cast<int>(RoundPixels(face->size->metrics.descender));
  }
  atlas.descent = atlas.lineHeight - atlas.ascent;
  if (atlas.ascent < 0 || atlas.descent < 0 || atlas.lineHeight > 4 * kMaxGlyphPixelHeight) {
    error = "font has implausible vertical metrics";
    return false;
  }
  return true;
}

// Symbol-encoded faces put their glyphs at U+F000 plus the byte, as GDI
// expects of SYMBOL_CHARSET fonts.
bool SelectCharmap(FT_Face face, bool& symbol, std::string& error) {
  symbol = false;
  if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) == 0) return true;
  if (FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) == 0) {
    symbol = true;
    return true;
  }
  error = "font has no Unicode character map";
  return false;
}

FT_UInt GlyphIndexFor(FT_Face face, bool symbol, unsigned char byte) {
  if (symbol) {
    FT_UInt index = FT_Get_Char_Index(face, 0xF000u | byte);
    return index ? index : FT_Get_Char_Index(face, byte);
  }
  return FT_Get_Char_Index(face, Cp1252ToUnicode(byte));
}

bool WithinLimit(FT_Pos value26_6, long limitPixels) {
  return value26_6 >= -limitPixels * 64 && value26_6 <= limitPixels * 64;
}

// The slot holds an 8-bit gray or BGRA bitmap here; BGRA is premultiplied,
// so its alpha is the coverage.
void CopyCoverage(const FT_Bitmap& bitmap, std::vector<uint8_t>& pixels) {
  const int width = static_cast<int>(bitmap.width);
  const int rows = static_cast<int>(bitmap.rows);
  const int pitch = bitmap.pitch;
  const int grays = bitmap.num_grays > 1 ? bitmap.num_grays : 256;
  const bool bgra = bitmap.pixel_mode == FT_PIXEL_MODE_BGRA;
  pixels.resize(static_cast<size_t>(width) * rows);
  for (int r = 0; r < rows; ++r) {
    // A negative pitch means the buffer starts with the bottom row.
    const unsigned char* row = pitch >= 0
                                   ? bitmap.buffer + static_cast<long>(r) * pitch
                                   : bitmap.buffer + static_cast<long>(rows - 1 - r) * -pitch;
    for (int c = 0; c < width; ++c) {
      int value = bgra ? row[c * 4 + 3] : row[c];
      if (!bgra && grays != 256) value = value * 255 / (grays - 1);
      pixels[static_cast<size_t>(r) * width + c] = static_cast<uint8_t>(std::min(value, 255));
    }
  }
}

bool RasterizeGlyph(FT_Library library, FT_Face face, FT_UInt index, bool embolden,
                    long limitPixels, RasterGlyph& glyph) {
  FT_Int32 flags = FT_LOAD_DEFAULT;
  // Embedded bitmap strikes of outline fonts are often 1-bit; the font was
  // asked for antialiased, so draw the outlines.
  if (FT_IS_SCALABLE(face)) flags |= FT_LOAD_NO_BITMAP;
  if (FT_Load_Glyph(face, index, flags) != 0) return false;
  FT_GlyphSlot slot = face->glyph;

  // A broken outline can ask for an enormous bitmap; refuse it before
  // FreeType allocates one.
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    FT_BBox box;
    FT_Outline_Get_CBox(&slot->outline, &box);
    if (!WithinLimit(box.xMin, limitPixels) || !WithinLimit(box.xMax, limitPixels) ||
        !WithinLimit(box.yMin, limitPixels) || !WithinLimit(box.yMax, limitPixels))
      return false;
  }
  if (embolden) FT_GlyphSlot_Embolden(slot);
  if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
    return false;

  const FT_Bitmap& bitmap = slot->bitmap;
  if (static_cast<long>(bitmap.width) > 2 * limitPixels ||
      static_cast<long>(bitmap.rows) > 2 * limitPixels ||
      std::labs(slot->bitmap_left) > limitPixels || std::labs(slot->bitmap_top) > limitPixels ||
      !WithinLimit(slot->metrics.horiAdvance, limitPixels))
    return false;

  if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY || bitmap.pixel_mode == FT_PIXEL_MODE_BGRA) {
    CopyCoverage(bitmap, glyph.pixels);
  } else {
    FT_Bitmap converted;
    FT_Bitmap_Init(&converted);
    bool ok = FT_Bitmap_Convert(library, &bitmap, &converted, 1) == 0;
    if (ok) CopyCoverage(converted, glyph.pixels);
    FT_Bitmap_Done(library, &converted);
    if (!ok) return false;
  }

  glyph.info.width = static_cast<int>(bitmap.width);
  glyph.info.height = static_cast<int>(bitmap.rows);
  glyph.info.bearingX = slot->bitmap_left;
  glyph.info.bearingY = slot->bitmap_top;
  glyph.info.advance = static_cast<int>(std::max(0L, RoundPixels(slot->metrics.horiAdvance)));
  glyph.info.present = true;
  return true;
}

// Shelf packing, tallest first; false when the rows need more height than
// width allows.
bool PlaceGlyphs(std::vector<RasterGlyph>& glyphs, const std::vector<int>& order, int width,
                 int& height) {
  int x = 1, y = 1, shelf = 0;
  for (int byte : order) {
    GlyphInfo& info = glyphs[byte].info;
    if (x + info.width + 1 > width) {
      y += shelf + 1;
      x = 1;
      shelf = 0;
    }
    info.atlasX = x;
    info.atlasY = y;
    x += info.width + 1;
    shelf = std::max(shelf, info.height);
  }
  height = y + shelf + 1;
  return height <= width;
}

bool PackAtlas(std::vector<RasterGlyph>& glyphs, GlyphAtlas& atlas, std::string& error) {
  std::vector<int> order;
  long long area = 0;
  int widest = 0;
  for (int byte = 0; byte < 256; ++byte) {
    const GlyphInfo& info = glyphs[byte].info;
    if (info.width <= 0 || info.height <= 0) continue;
    order.push_back(byte);
    area += static_cast<long long>(info.width + 1) * (info.height + 1);
    widest = std::max(widest, info.width);
  }
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return glyphs[a].info.height > glyphs[b].info.height; });

  int width = 64;
  while (width < kMaxAtlasSide &&
         (static_cast<long long>(width) * width < area || width < widest + 2))
    width *= 2;
  int height = 0;
  while (!PlaceGlyphs(glyphs, order, width, height) && width < kMaxAtlasSide) width *= 2;
  if (height > kMaxAtlasSide || widest + 2 > width) {
    error = "glyphs do not fit a " + std::to_string(kMaxAtlasSide) + " pixel atlas";
    return false;
  }

  atlas.width = width;
  atlas.height = height;
  atlas.coverage.assign(static_cast<size_t>(width) * height, 0);
  for (int byte = 0; byte < 256; ++byte) {
    const RasterGlyph& glyph = glyphs[byte];
    const GlyphInfo& info = glyph.info;
    for (int r = 0; r < info.height && info.width > 0; ++r)
      std::copy_n(
          glyph.pixels.begin() + static_cast<long>(r) * info.width, info.width,
          atlas.coverage.begin() + static_cast<long>(info.atlasY + r) * width + info.atlasX);
    atlas.glyphs[byte] = info;
  }
  return true;
}

}  // namespace

uint32_t Cp1252ToUnicode(unsigned char byte) {
  // 0x80..0x9F are where cp1252 differs from Latin-1; 0 marks the holes.
  static const uint16_t kHighControlRange[32] = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
  };
  if (byte < 0x20 || byte == 0x7F) return 0;
  if (byte >= 0x80 && byte <= 0x9F) return kHighControlRange[byte - 0x80];
  return byte;
}

bool BuildGlyphAtlas(const std::string& path, int faceIndex, int height, int weight,
                     GlyphAtlas& out, std::string& error) {
  FT_Library rawLibrary = nullptr;
  if (FT_Init_FreeType(&rawLibrary) != 0) {
    error = "FreeType failed to start";
    return false;
  }
  LibraryPtr library(rawLibrary);
  FT_Face rawFace = nullptr;
  if (FT_New_Face(library.get(), path.c_str(), faceIndex, &rawFace) != 0) {
    error = "cannot open font file " + path;
    return false;
  }
  FacePtr face(rawFace);

  GlyphAtlas atlas;
  bool symbol = false;
  if (!SetFaceSize(face.get(), height, atlas, error) || !SelectCharmap(face.get(), symbol, error)) {
    error += " (" + path + ")";
    return false;
  }

  // GDI fakes bold for faces that have no bold design; so do we.
  const bool embolden = weight >= 600 && !IsFaceBold(face.get());
  const long limit = 4L * std::max(atlas.lineHeight, 1) + 16;
  std::vector<RasterGlyph> glyphs(256);
  for (int byte = 0; byte < 256; ++byte) {
    if (Cp1252ToUnicode(static_cast<unsigned char>(byte)) == 0) continue;
    FT_UInt index = GlyphIndexFor(face.get(), symbol, static_cast<unsigned char>(byte));
    // A character the face lacks shows its missing-glyph box, glyph 0.
    if (!RasterizeGlyph(library.get(), face.get(), index, embolden, limit, glyphs[byte]) &&
        index != 0)
      RasterizeGlyph(library.get(), face.get(), 0, embolden, limit, glyphs[byte]);
  }
  if (!PackAtlas(glyphs, atlas, error)) return false;
  out = std::move(atlas);
  return true;
}

}  // namespace ember
