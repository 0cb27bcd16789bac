// SPIR-V to GLSL 330 core for one stage, through SPIRV-Cross's C API, with
// the reflection the GL side needs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/fx/model.h"
#include "runtime/fx/pass_compiler.h"

namespace ember {

// A vertex output or a fragment input, by its Direct3D semantic.
struct FxVarying {
  std::string semantic;  // upper case with its index: "TEXCOORD0", "COLOR1"
  uint32_t components = 0;
  uint32_t arraySize = 0;
};

struct FxStageResult {
  std::string glsl;
  FxUniformBlock uniforms;
  std::vector<FxSamplerBinding> samplers;
  std::vector<FxVertexInput> inputs;  // vertex stage only
  std::vector<FxVarying> varyings;    // vertex outputs, or fragment inputs
};

// "TEXCOORD" -> "TEXCOORD0", "color1" -> "COLOR1": Direct3D matches the
// stages by semantic, and a missing index means 0.
std::string NormalizeSemantic(const std::string& semantic);

// The GLSL name both stages give the varying of `semantic` (normalized), as
// GLSL 330 links vertex outputs to fragment inputs by name.
std::string VaryingName(const std::string& semantic);

// On failure returns false with a message that has no position in it.
bool TranslateStage(const std::vector<uint32_t>& spirv, bool vertex, const FxEffect& effect,
                    FxStageResult& out, std::string& error);

}  // namespace ember
