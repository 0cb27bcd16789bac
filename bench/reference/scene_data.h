// What the demo's scene load reads from its files, in plain data: the background picture, the
// flame mesh, the flame effect compiled to GLSL, its two textures and the frame-rate font.
// Paths are relative to the staged program's bin folder, as the program's own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/fx/model.h"
#include "runtime/fx/pass_compiler.h"
#include "runtime/glyphs/atlas.h"
#include "runtime/image/image.h"

namespace ember::reference {

struct FlameMesh {
  std::vector<float> positions;   // 3 per vertex
  std::vector<uint32_t> indices;  // the triangles of subset 0, the one the demo draws
  uint32_t VertexCount() const { return uint32_t(positions.size() / 3); }
};

struct SceneData {
  Image background;  // X8R8G8B8, as the program's system-memory surface
  FlameMesh flameMesh;
  FxEffect flameEffect;
  FxCompiledPass flamePass;  // the one pass of the effect's first technique
  Image noiseVolume;         // A8R8G8B8 after the colour key, as D3DX loads it
  Image flameImage;
  GlyphAtlas font;
};

// False with `error` saying which file is missing or bad.
bool LoadSceneData(SceneData& out, std::string& error);

}  // namespace ember::reference
