#include "data/tools/text_painter.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

namespace ember {

struct TextPainter::Impl {
  FT_Library library = nullptr;
  FT_Face face = nullptr;

  bool fontconfigOpen = false;

  ~Impl() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
    // Releases fontconfig's caches, so leak checkers see a clean exit.
    if (fontconfigOpen) FcFini();
  }

  // Lays the line out with its pen origin at (originX, originY) in pixels of a
  // picture with the given scale; draws into `target` when given. Returns the
  // ink box in pixels.
  TextBox Layout(const std::string& text, float size, float tracking, float sx, float sy,
                 float originX, float originY, Mask* target);
};

namespace {

// Asks fontconfig for a family at bold weight; empty when nothing bold matches.
std::string MatchBold(const char* family) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_BOLD);
  FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  std::string path;
  if (match) {
    FcChar8* file = nullptr;
    int weight = 0;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight) == FcResultMatch &&
        weight >= FC_WEIGHT_BOLD)
      path = reinterpret_cast<const char*>(file);
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return path;
}

}  // namespace

TextPainter::TextPainter() : impl_(new Impl) {}

TextPainter::~TextPainter() = default;

bool TextPainter::Open(std::string& error) {
  if (!FcInit()) {
    error = "fontconfig could not be initialised";
    return false;
  }
  impl_->fontconfigOpen = true;
  fontPath_ = MatchBold("DejaVu Sans");
  if (fontPath_.empty()) fontPath_ = MatchBold("sans-serif");
  if (fontPath_.empty()) {
    error = "no bold sans-serif font found through fontconfig (install fonts-dejavu-core)";
    return false;
  }
  if (FT_Init_FreeType(&impl_->library) != 0) {
    error = "FreeType could not be initialised";
    return false;
  }
  if (FT_New_Face(impl_->library, fontPath_.c_str(), 0, &impl_->face) != 0) {
    error = "cannot open font " + fontPath_;
    return false;
  }
  return true;
}

TextBox TextPainter::Impl::Layout(const std::string& text, float size, float tracking, float sx,
                                  float sy, float originX, float originY, Mask* target) {
  TextBox box{std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
              std::numeric_limits<float>::lowest(), std::numeric_limits<float>::lowest()};
  if (!face) return {};
  // Non-square character sizes stretch the outlines to the picture's pixel grid.
  FT_Set_Char_Size(face, FT_F26Dot6(std::lround(size * sx * 64)),
                   FT_F26Dot6(std::lround(size * sy * 64)), 72, 72);
  float pen = originX;
  float baseline = std::floor(originY);
  float baseFraction = originY - baseline;
  FT_UInt previous = 0;
  for (unsigned char ch : text) {
    FT_UInt index = FT_Get_Char_Index(face, ch);
    if (previous && index && FT_HAS_KERNING(face)) {
      FT_Vector kern;
      if (FT_Get_Kerning(face, previous, index, FT_KERNING_UNFITTED, &kern) == 0)
        pen += float(kern.x) / 64;
    }
    float whole = std::floor(pen);
    // Sub-pixel placement: FreeType adds the fractional offset to the outline before rendering.
    FT_Vector delta{FT_Pos(std::lround((pen - whole) * 64)),
                    FT_Pos(std::lround(-baseFraction * 64))};
    FT_Set_Transform(face, nullptr, &delta);
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_NO_HINTING) != 0) continue;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    int left = int(whole) + slot->bitmap_left;
    int top = int(baseline) - slot->bitmap_top;
    if (bitmap.width > 0 && bitmap.rows > 0) {
      box.left = std::min(box.left, float(left));
      box.top = std::min(box.top, float(top));
      box.right = std::max(box.right, float(left + int(bitmap.width)));
      box.bottom = std::max(box.bottom, float(top + int(bitmap.rows)));
    }
    if (target && bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
      for (unsigned row = 0; row < bitmap.rows; ++row) {
        int y = top + int(row);
        if (y < 0 || y >= target->Height()) continue;
        const unsigned char* src = bitmap.buffer + std::ptrdiff_t(row) * bitmap.pitch;
        for (unsigned col = 0; col < bitmap.width; ++col) {
          int x = left + int(col);
          if (x < 0 || x >= target->Width()) continue;
          float& v = target->At(x, y);
          v = std::max(v, float(src[col]) / 255.0f);
        }
      }
    }
    pen += float(slot->linearHoriAdvance) / 65536.0f + tracking * sx;
    previous = index;
  }
  FT_Set_Transform(face, nullptr, nullptr);
  if (box.left > box.right) return {};
  return box;
}

TextBox TextPainter::Measure(const std::string& text, float size, float tracking, float scaleX,
                             float scaleY) {
  TextBox px = impl_->Layout(text, size, tracking, scaleX, scaleY, 0, 0, nullptr);
  return {px.left / scaleX, px.top / scaleY, px.right / scaleX, px.bottom / scaleY};
}

void TextPainter::DrawCentered(Mask& mask, const std::string& text, float size, float tracking,
                               float cx, float cy) {
  float sx = mask.ScaleX(), sy = mask.ScaleY();
  TextBox px = impl_->Layout(text, size, tracking, sx, sy, 0, 0, nullptr);
  float originX = cx * sx - (px.left + px.right) * 0.5f;
  float originY = cy * sy - (px.top + px.bottom) * 0.5f;
  impl_->Layout(text, size, tracking, sx, sy, originX, originY, &mask);
}

}  // namespace ember
