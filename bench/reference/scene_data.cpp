#include "bench/reference/scene_data.h"

#include <cstdio>
#include <utility>

#include "runtime/fx/parser.h"
#include "runtime/glyphs/font_finder.h"
#include "runtime/xfile/xfile.h"

namespace ember::reference {

namespace {

const char* const kBackgroundPicture = "../Immagini/sfondo.bmp";
const char* const kFlameMeshFile = "../Data/flame/flames.x";
const char* const kFlameEffectFile = "../Data/flame/Flame_OK.fx";
const char* const kNoiseVolumeFile = "../Data/flame/noiseL8_32x32x32.dds";
const char* const kFlameImageFile = "../Data/flame/flame.PNG";

// The program's texture loads turn opaque black transparent.
constexpr uint32_t kColorKey = 0xFF000000;

// overlay/text_font.cpp: 18 points on the 96 dots per inch our host reports, bold.
const char* const kFontFace = "Typewriter";
constexpr int kFontPixelHeight = 18 * 96 / 72;
constexpr int kFontWeight = 700;

// Load errors name the file already.
bool LoadBackground(Image& out, std::string& error) {
  if (!LoadImageFile(kBackgroundPicture, out, error)) return false;
  if (!ConvertImage(out, kFmtX8R8G8B8)) {
    error = std::string(kBackgroundPicture) + ": the picture has no X8R8G8B8 form";
    return false;
  }
  return true;
}

bool LoadFlameMesh(FlameMesh& out, std::string& error) {
  XMesh mesh;
  if (!LoadXFile(kFlameMeshFile, mesh, error)) return false;
  if (mesh.TriangleCount() == 0) {
    error = std::string(kFlameMeshFile) + ": the file has no faces";
    return false;
  }
  // Triangles come sorted by material: subset 0 is the run of material 0 at the start.
  size_t triangles = 0;
  while (triangles < mesh.attributes.size() && mesh.attributes[triangles] == 0) ++triangles;
  out.positions = std::move(mesh.positions);
  out.indices.assign(mesh.indices.begin(), mesh.indices.begin() + triangles * 3);
  return true;
}

bool ReadTextFile(const char* path, std::string& out, std::string& error) {
  FILE* file = std::fopen(path, "rb");
  if (!file) {
    error = std::string(path) + ": cannot open the file";
    return false;
  }
  char chunk[4096];
  size_t read;
  while ((read = std::fread(chunk, 1, sizeof chunk, file)) > 0) out.append(chunk, read);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) error = std::string(path) + ": cannot read the file";
  return !failed;
}

bool CompileFlameEffect(FxEffect& effect, FxCompiledPass& pass, std::string& error) {
  std::string source;
  if (!ReadTextFile(kFlameEffectFile, source, error)) return false;
  if (!ParseEffect(source, kFlameEffectFile, effect, error)) return false;
  // The demo draws with the first technique; this reference draws its one pass.
  if (effect.techniques.empty()) {
    error = std::string(kFlameEffectFile) + ": the effect has no technique";
    return false;
  }
  if (effect.techniques[0].passes.size() != 1) {
    error = std::string(kFlameEffectFile) + ": the first technique should have exactly one pass";
    return false;
  }
  return CompilePass(effect, 0, 0, kFlameEffectFile, pass, error);
}

// A D3DX default size: the next power of two.
uint32_t TextureSide(uint32_t side) {
  uint32_t power = 1;
  while (power < side && power < (1u << 30)) power <<= 1;
  return power;
}

// As D3DXCreate(Volume)TextureFromFileEx with default sizes and the program's colour key:
// keyed on the file's own pixels, then scaled to power-of-two sides.
bool LoadKeyedTexture(const char* path, bool volume, Image& out, std::string& error) {
  if (!LoadImageFile(path, out, error)) return false;
  if (out.isVolume && !volume) {
    error = std::string(path) + ": a volume texture file, not a 2D picture";
    return false;
  }
  if (!ApplyColorKey(out, kColorKey)) {
    error = std::string(path) + ": the picture is too large to key";
    return false;
  }
  const uint32_t w = TextureSide(out.width), h = TextureSide(out.height),
                 d = TextureSide(out.depth);
  if ((w != out.width || h != out.height || d != out.depth) && !ResizeImage(out, w, h, d, out)) {
    error = std::string(path) + ": the picture is too large to scale";
    return false;
  }
  return true;
}

bool LoadFont(GlyphAtlas& out, std::string& error) {
  std::string path, family;
  int faceIndex = 0;
  if (!FindFontFile(kFontFace, kFontWeight, false, path, faceIndex, family, error) ||
      !BuildGlyphAtlas(path, faceIndex, -kFontPixelHeight, kFontWeight, out, error)) {
    error = std::string("the frame-rate font: ") + error;
    return false;
  }
  return true;
}

}  // namespace

bool LoadSceneData(SceneData& out, std::string& error) {
  if (!LoadBackground(out.background, error)) return false;
  if (!LoadFlameMesh(out.flameMesh, error)) return false;
  if (!CompileFlameEffect(out.flameEffect, out.flamePass, error)) return false;
  if (!LoadKeyedTexture(kNoiseVolumeFile, true, out.noiseVolume, error)) return false;
  if (!LoadKeyedTexture(kFlameImageFile, false, out.flameImage, error)) return false;
  return LoadFont(out.font, error);
}

}  // namespace ember::reference
