#include "runtime/glyphs/atlas.h"
#include "runtime/glyphs/font_finder.h"
#include "runtime/glyphs/text_layout.h"

#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <new>

// Counts heap allocations while armed. Every plain form is replaced so that
// each pair still matches; noinline keeps GCC from pairing an inlined free
// with a new expression in a warning.
static bool g_countAllocations = false;
static int g_allocations = 0;
[[gnu::noinline]] static void* Allocate(std::size_t size) {
  if (g_countAllocations) ++g_allocations;
  return std::malloc(size ? size : 1);
}
[[gnu::noinline]] static void Free(void* p) noexcept { std::free(p); }
static void* AllocateOrThrow(std::size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, std::size_t) noexcept { Free(p); }
void operator delete[](void* p, std::size_t) noexcept { Free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Free(p); }

namespace ember {
namespace {

class FontFinderEnvironment : public ::testing::Environment {
  void TearDown() override { ShutdownFontFinder(); }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new FontFinderEnvironment);

std::string Find(const char* face, int weight, bool italic = false, std::string* family = nullptr,
                 int* faceIndex = nullptr) {
  std::string path, matched, error;
  int index = -1;
  EXPECT_TRUE(FindFontFile(face, weight, italic, path, index, matched, error)) << error;
  if (family) *family = matched;
  if (faceIndex) *faceIndex = index;
  return path;
}

std::string FileName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// What FreeType itself says of a face and of one character drawn at an em
// size, to tell which face was chosen and which character a byte became.
struct Reference {
  bool fixedWidth = false, bold = false;
  int width = -1, rows = -1, advance = -1;
};

Reference Measure(const std::string& path, unsigned long codePoint = 'H', int em = 24) {
  Reference ref;
  FT_Library library;
  FT_Face face;
  if (FT_Init_FreeType(&library) != 0) return ref;
  if (FT_New_Face(library, path.c_str(), 0, &face) == 0) {
    ref.fixedWidth = FT_IS_FIXED_WIDTH(face);
    ref.bold = (face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
    if (FT_Set_Pixel_Sizes(face, 0, em) == 0 && FT_Get_Char_Index(face, codePoint) != 0 &&
        FT_Load_Char(face, codePoint, FT_LOAD_RENDER | FT_LOAD_NO_BITMAP) == 0) {
      ref.width = static_cast<int>(face->glyph->bitmap.width);
      ref.rows = static_cast<int>(face->glyph->bitmap.rows);
      ref.advance = static_cast<int>((face->glyph->metrics.horiAdvance + 32) >> 6);
    }
    FT_Done_Face(face);
  }
  FT_Done_FreeType(library);
  return ref;
}

long Ink(const GlyphAtlas& atlas, unsigned char byte) {
  const GlyphInfo& g = atlas.glyphs[byte];
  long sum = 0;
  for (int r = 0; r < g.height; ++r)
    for (int c = 0; c < g.width; ++c)
      sum += atlas.coverage[(g.atlasY + r) * atlas.width + g.atlasX + c];
  return sum;
}

TEST(FontFinder, FindsInstalledFamilyByWeightAndSlant) {
  std::string family;
  int index = -1;
  EXPECT_EQ("DejaVuSans.ttf", FileName(Find("DejaVu Sans", 400, false, &family, &index)));
  EXPECT_EQ("DejaVu Sans", family);
  EXPECT_EQ(0, index);
  EXPECT_EQ("DejaVuSans-Bold.ttf", FileName(Find("DejaVu Sans", 700)));
  EXPECT_EQ("DejaVuSans-Oblique.ttf", FileName(Find("DejaVu Sans", 400, true)));
  // fontconfig's rule: family names ignore case and blanks; weight 0 is FW_DONTCARE.
  EXPECT_EQ("DejaVuSans.ttf", FileName(Find("dejavusans", 0, false, &family)));
  EXPECT_EQ("DejaVu Sans", family);
}

TEST(FontFinder, MissingFaceFallsBackToMonospaceOfTheRequestedWeight) {
  Reference typewriter = Measure(Find("Typewriter", 700));
  EXPECT_TRUE(typewriter.fixedWidth);
  EXPECT_TRUE(typewriter.bold);
  std::string family;
  Reference unknown = Measure(Find("No Such Face Xyzzy", 400, false, &family));
  EXPECT_NE("No Such Face Xyzzy", family);
  EXPECT_TRUE(unknown.fixedWidth);
  EXPECT_FALSE(unknown.bold);
  EXPECT_TRUE(Measure(Find(nullptr, 700)).fixedWidth);
}

TEST(Cp1252, MapsBytesToUnicode) {
  const std::pair<unsigned char, uint32_t> table[] = {
      {'A', 0x41},    {' ', 0x20},    {0xA0, 0xA0},   {0xE0, 0xE0},   {0xFF, 0xFF},
      {0x80, 0x20AC}, {0x91, 0x2018}, {0x94, 0x201D}, {0x96, 0x2013}, {0x97, 0x2014},
      {0x9F, 0x0178}, {0x81, 0},      {0x8D, 0},      {0x8F, 0},      {0x90, 0},
      {0x9D, 0},      {0x00, 0},      {'\n', 0},      {0x1F, 0},      {0x7F, 0}};
  for (const auto& entry : table)
    EXPECT_EQ(entry.second, Cp1252ToUnicode(entry.first)) << int(entry.first);
}

class GlyphAtlasTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    regularPath = Find("DejaVu Sans", 400);
    boldPath = Find("DejaVu Sans", 700);
    std::string error;
    ASSERT_TRUE(BuildGlyphAtlas(regularPath, 0, -24, 400, regular, error)) << error;
    ASSERT_TRUE(BuildGlyphAtlas(regularPath, 0, -24, 700, fakeBold, error)) << error;
    ASSERT_TRUE(BuildGlyphAtlas(boldPath, 0, -24, 700, bold, error)) << error;
  }
  static std::string regularPath, boldPath;
  static GlyphAtlas regular, fakeBold, bold;
};
std::string GlyphAtlasTest::regularPath, GlyphAtlasTest::boldPath;
GlyphAtlas GlyphAtlasTest::regular, GlyphAtlasTest::fakeBold, GlyphAtlasTest::bold;

TEST_F(GlyphAtlasTest, HeightFollowsLogfontRules) {
  // DejaVu Sans: 2048 units an em, win ascent 1901, win descent 483, cap
  // height 1493. At a 24-pixel em: ascent 22.3, cell 27.9, 'H' 17.5 (hinted
  // to a whole pixel).
  EXPECT_EQ(22, regular.ascent);
  EXPECT_EQ(6, regular.descent);
  EXPECT_EQ(28, regular.lineHeight);
  const GlyphInfo& h = regular.glyphs['H'];
  EXPECT_TRUE(h.height == 17 || h.height == 18) << h.height;
  EXPECT_EQ(h.height, h.bearingY);

  GlyphAtlas cell, fallback;
  std::string error;
  // A 28-pixel cell: 28 * 2048 / 2384 = 24.05, the same 24-pixel em.
  ASSERT_TRUE(BuildGlyphAtlas(regularPath, 0, 28, 400, cell, error)) << error;
  EXPECT_EQ(28, cell.lineHeight);
  EXPECT_EQ(h.height, cell.glyphs['H'].height);
  // 0 asks for a 12-pixel em: ascent 11.1, cell 13.97.
  ASSERT_TRUE(BuildGlyphAtlas(regularPath, 0, 0, 400, fallback, error)) << error;
  EXPECT_EQ(11, fallback.ascent);
  EXPECT_EQ(14, fallback.lineHeight);
  EXPECT_EQ(Measure(regularPath, 'H', 12).rows, fallback.glyphs['H'].height);
}

TEST_F(GlyphAtlasTest, TextGlyphsHaveInkAndSpaceHasOnlyAnAdvance) {
  for (unsigned char c : std::string("FPS:.0123456789")) {
    const GlyphInfo& g = regular.glyphs[c];
    EXPECT_TRUE(g.present && g.width > 0 && g.height > 0 && g.advance > 0) << c;
    EXPECT_GT(Ink(regular, c), 0) << c;
  }
  const GlyphInfo& space = regular.glyphs[' '];
  EXPECT_TRUE(space.present);
  EXPECT_EQ(Measure(regularPath, ' ').advance, space.advance);
  EXPECT_EQ(0, space.width + space.height);
  EXPECT_FALSE(regular.glyphs['\n'].present);
  EXPECT_FALSE(regular.glyphs[0x81].present);
  int solid = 0;
  for (uint8_t value : regular.coverage) solid += value >= 250;
  EXPECT_GT(solid, 500);
}

TEST_F(GlyphAtlasTest, HighBytesUseTheCp1252Characters) {
  const std::pair<unsigned char, unsigned long> bytes[] = {
      {0xE0, 0xE0}, {0x80, 0x20AC}, {0x97, 0x2014}};
  for (const auto& entry : bytes) {
    Reference ref = Measure(regularPath, entry.second);
    const GlyphInfo& g = regular.glyphs[entry.first];
    EXPECT_EQ(ref.width, g.width) << int(entry.first);
    EXPECT_EQ(ref.rows, g.height) << int(entry.first);
    EXPECT_EQ(ref.advance, g.advance) << int(entry.first);
  }
  EXPECT_GT(regular.glyphs[0xE0].height, regular.glyphs['a'].height);
}

TEST_F(GlyphAtlasTest, AtlasIsAPowerOfTwoWideWithPaddedGlyphs) {
  ASSERT_GT(regular.width, 0);
  EXPECT_EQ(0, regular.width & (regular.width - 1));
  EXPECT_EQ(size_t(regular.width) * regular.height, regular.coverage.size());
  for (int a = 0; a < 256; ++a) {
    const GlyphInfo& g = regular.glyphs[a];
    if (g.width == 0) continue;
    EXPECT_TRUE(g.atlasX >= 0 && g.atlasY >= 0 && g.atlasX + g.width <= regular.width &&
                g.atlasY + g.height <= regular.height)
        << a;
    for (int b = a + 1; b < 256; ++b) {
      const GlyphInfo& o = regular.glyphs[b];
      bool apart = o.width == 0 || g.atlasX + g.width + 1 <= o.atlasX ||
                   o.atlasX + o.width + 1 <= g.atlasX || g.atlasY + g.height + 1 <= o.atlasY ||
                   o.atlasY + o.height + 1 <= g.atlasY;
      EXPECT_TRUE(apart) << a << " and " << b << " touch";
    }
  }
}

TEST_F(GlyphAtlasTest, BoldIsWiderAndABoldFaceIsNotEmboldenedTwice) {
  EXPECT_GT(fakeBold.glyphs['H'].advance, regular.glyphs['H'].advance);
  EXPECT_GT(fakeBold.glyphs['H'].width, regular.glyphs['H'].width);
  EXPECT_GT(Ink(fakeBold, 'H'), Ink(regular, 'H'));
  EXPECT_GT(bold.glyphs['H'].advance, regular.glyphs['H'].advance);
  EXPECT_EQ(Measure(boldPath).width, bold.glyphs['H'].width);
}

TEST_F(GlyphAtlasTest, TheProgramsFontCoversPrintableAscii) {
  GlyphAtlas atlas;
  std::string error;
  int index = 0;
  std::string path = Find("Typewriter", 700, false, nullptr, &index);
  ASSERT_TRUE(BuildGlyphAtlas(path, index, -24, 700, atlas, error)) << error;
  for (int c = 0x21; c < 0x7F; ++c) EXPECT_GT(Ink(atlas, static_cast<unsigned char>(c)), 0) << c;
  EXPECT_EQ(atlas.glyphs['i'].advance, atlas.glyphs['W'].advance);
}

TEST(GlyphAtlasErrors, BadFilesAndSizesFail) {
  char junkPath[] = "/tmp/glyph_test_XXXXXX";
  int fd = mkstemp(junkPath);
  ASSERT_GE(fd, 0);
  static const char junk[] = "\0\1\0\0 this is not a font at all";
  FILE* file = fdopen(fd, "wb");
  std::fwrite(junk, 1, sizeof junk, file);
  std::fclose(file);
  const std::string font = Find("DejaVu Sans", 400);
  const struct {
    std::string path;
    int height;
  } cases[] = {{"/nonexistent/font.ttf", -24},
               {junkPath, -24},
               {font, INT_MIN},
               {font, -257},
               {font, 257},
               {font, INT_MAX}};
  for (const auto& c : cases) {
    GlyphAtlas atlas;
    std::string error;
    EXPECT_FALSE(BuildGlyphAtlas(c.path, 0, c.height, 400, atlas, error))
        << c.path << " " << c.height;
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(0, atlas.width);
  }
  std::remove(junkPath);
}

class TextLayoutTest : public GlyphAtlasTest {};

TEST_F(TextLayoutTest, FrameRateLineStartsAtItsTopLeftAndAdvances) {
  const char* text = "FPS: 60.00";
  GlyphQuad quads[16];
  int count = -1;
  EXPECT_EQ(bold.lineHeight, LayoutText(bold, text, -1, 2, 1, quads, 16, &count));
  ASSERT_EQ(9, count);  // the space draws nothing
  const GlyphInfo& f = bold.glyphs['F'];
  EXPECT_EQ(2 + f.bearingX, quads[0].x0);
  EXPECT_EQ(1 + bold.ascent - f.bearingY, quads[0].y0);
  EXPECT_EQ(quads[0].x0 + f.width, quads[0].x1);
  EXPECT_EQ(quads[0].y0 + f.height, quads[0].y1);
  EXPECT_EQ(f.atlasX, quads[0].atlasX);
  EXPECT_EQ(f.atlasY, quads[0].atlasY);
  int pen = 2, q = 0;
  for (const char* c = text; *c; pen += bold.glyphs[static_cast<unsigned char>(*c++)].advance) {
    if (*c == ' ') continue;
    const GlyphInfo& g = bold.glyphs[static_cast<unsigned char>(*c)];
    EXPECT_EQ(pen + g.bearingX, quads[q].x0) << *c;
    EXPECT_EQ(1 + bold.ascent - g.bearingY, quads[q++].y0) << *c;
  }
}

TEST_F(TextLayoutTest, LineBreaksTabsAndSkippedBytes) {
  GlyphQuad lf[4], crlf[4], tabs[4], plain[2], skipped[2];
  int count = 0;
  EXPECT_EQ(2 * bold.lineHeight, LayoutText(bold, "F\nF", -1, 10, 20, lf, 4, &count));
  ASSERT_EQ(2, count);
  EXPECT_EQ(lf[0].x0, lf[1].x0);
  EXPECT_EQ(lf[0].y0 + bold.lineHeight, lf[1].y0);
  EXPECT_EQ(2 * bold.lineHeight, LayoutText(bold, "F\r\nF", -1, 10, 20, crlf, 4, &count));
  EXPECT_TRUE(count == 2 && crlf[1].x0 == lf[1].x0 && crlf[1].y0 == lf[1].y0);

  const int tab = 8 * bold.glyphs[' '].advance, bearing = bold.glyphs['F'].bearingX;
  ASSERT_LT(2 * bold.glyphs['F'].advance, tab);
  LayoutText(bold, "FF\tF\tF", -1, 10, 20, tabs, 4, &count);
  ASSERT_EQ(4, count);
  EXPECT_EQ(10 + tab + bearing, tabs[2].x0);
  EXPECT_EQ(10 + 2 * tab + bearing, tabs[3].x0);

  // Control and unassigned bytes neither draw nor move the pen.
  LayoutText(bold, "FF", -1, 0, 0, plain, 2, &count);
  LayoutText(bold,
             "F\x01\x81"
             "F",
             -1, 0, 0, skipped, 2, &count);
  EXPECT_TRUE(count == 2 && skipped[1].x0 == plain[1].x0);
}

TEST_F(TextLayoutTest, LengthAndMaxQuadsBoundWhatIsReadAndWrittenWithoutAllocating) {
  GlyphQuad quads[4];
  quads[3].x0 = -12345;
  int count = 0;
  g_allocations = 0;
  g_countAllocations = true;
  int height = LayoutText(bold, "FPS: 60.00", -1, 2, 1, quads, 3, &count);
  g_countAllocations = false;
  EXPECT_EQ(0, g_allocations);
  EXPECT_EQ(bold.lineHeight, height);
  EXPECT_EQ(9, count);  // counted, though only three were written
  EXPECT_EQ(-12345, quads[3].x0);

  EXPECT_EQ(bold.lineHeight, LayoutText(bold, "FPS: 60.00", 3, 0, 0, nullptr, 0, &count));
  EXPECT_EQ(3, count);
  EXPECT_EQ(0, LayoutText(bold, "", -1, 0, 0, quads, 4, &count));
  EXPECT_EQ(0, count);
  EXPECT_EQ(0, LayoutText(bold, nullptr, -1, 0, 0, quads, 4, &count));
  EXPECT_EQ(0, count);
}

}  // namespace
}  // namespace ember
