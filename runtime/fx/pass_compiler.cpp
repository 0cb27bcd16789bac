#include "runtime/fx/pass_compiler.h"

#include <cctype>
#include <cstring>
#include <sstream>

#include "runtime/fx/hlsl_rewrites.h"
#include "runtime/fx/isolated_compile.h"
#include "runtime/fx/messages.h"
#include "runtime/fx/parser_internal.h"
#include "runtime/fx/spirv_to_glsl.h"

namespace ember {
namespace {

bool ReturnsVoid(const std::string& returnType) {
  size_t start = returnType.find_last_of(" \t\r\n");
  start = start == std::string::npos ? 0 : start + 1;
  return returnType.compare(start, std::string::npos, "void") == 0;
}

// `compile vs_2_0 f(1, true)` binds the arguments to f's uniform parameters in
// order. glslang takes no arguments, so a wrapper entry point is added after
// the file's last line, where it moves no line of the file.
// A compile argument converted to its numeric parameter's type: glslang folds an int literal
// bound to a float parameter into invalid SPIR-V. Other arguments go as written.
std::string ArgumentAs(const FxFunctionParam& param, const std::string& argument) {
  std::istringstream words(param.text.substr(0, param.text.find(':')));
  std::string word, type;
  while (words >> word && word != param.name) {
    if (word != "uniform" && word != "in" && word != "const") type = word;
  }
  FxParameter parsed;
  if (word != param.name || !LookupParameterType(type, parsed) || !IsNumeric(parsed.type))
    return argument;
  return "(" + type + ")(" + argument + ")";
}

bool AddEntryWrapper(const FxEffect& effect, const FxShaderCall& call, std::string& hlsl,
                     std::string& entry, std::string& message) {
  const FxFunction* function = nullptr;
  bool nameFound = false;
  for (const FxFunction& candidate : effect.functions) {
    if (candidate.name != call.entry) continue;
    nameFound = true;
    size_t uniforms = 0;
    for (const FxFunctionParam& param : candidate.params) uniforms += param.isUniform ? 1 : 0;
    if (uniforms == call.args.size()) {
      function = &candidate;
      break;
    }
  }
  if (!function) {
    message = nameFound ? "'" + call.entry + "' has no overload with " +
                              std::to_string(call.args.size()) +
                              " uniform parameters for the compile arguments"
                        : "entry point '" + call.entry + "' not found";
    return false;
  }
  std::string params;
  std::string args;
  size_t nextArg = 0;
  for (const FxFunctionParam& param : function->params) {
    if (!args.empty()) args += ", ";
    if (param.isUniform) {
      args += ArgumentAs(param, call.args[nextArg++]);
      continue;
    }
    if (!params.empty()) params += ", ";
    params += param.text;
    args += param.name;
  }
  entry = "ember_entry_" + call.entry;
  hlsl += "\n" + function->returnType + " " + entry + "(" + params + ") " +
          function->returnSemantic + "\n{\n    " +
          (ReturnsVoid(function->returnType) ? "" : "return ") + call.entry + "(" + args +
          ");\n}\n";
  return true;
}

// "pass P0 of technique Flame", by index where the file gives no name.
std::string PassLabel(const FxEffect& effect, size_t techniqueIndex, size_t passIndex) {
  const FxTechnique& technique = effect.techniques[techniqueIndex];
  const FxPass& pass = technique.passes[passIndex];
  return "pass " + (pass.name.empty() ? std::to_string(passIndex) : pass.name) + " of technique " +
         (technique.name.empty() ? std::to_string(techniqueIndex) : technique.name);
}

bool CompileStage(const FxEffect& effect, const FxShaderCall& call, bool vertex,
                  const char* fileName, const std::string& passLabel, FxStageResult& result,
                  std::string& error) {
  std::string hlsl = RewriteArrayCasts(RewriteMatrixSwizzles(effect.hlsl));
  std::string entry = call.entry;
  std::string message;
  if (!call.args.empty() && !AddEntryWrapper(effect, call, hlsl, entry, message)) {
    error = FormatFxError(fileName, call.where, message);
    return false;
  }
  std::vector<uint32_t> spirv;
  std::string log;
  switch (CompileHlslToSpirvIsolated(hlsl, vertex, entry, spirv, log)) {
    case IsolatedCompile::Compiled:
      break;
    case IsolatedCompile::Refused:
      error = FormatGlslangLog(log, fileName, effect.source, call.where);
      return false;
    case IsolatedCompile::CompilerFailed:
      error = FormatFxError(fileName, call.where,
                            "the shader compiler failed on " + passLabel + ": " + log);
      return false;
  }
  if (!TranslateStage(spirv, vertex, effect, result, message)) {
    error = FormatFxError(fileName, call.where, message);
    return false;
  }
  return true;
}

const char* GlslFloatType(uint32_t components) {
  static const char* const kTypes[] = {"float", "float", "vec2", "vec3", "vec4"};
  return kTypes[components < 5 ? components : 0];
}

// The pixel shader's reading of a varying the vertex shader writes with another width, as
// Direct3D gives it: the first components, and where the writer has fewer, 0 for the missing
// ones but 1 for w.
std::string WidenOrNarrow(const std::string& written, uint32_t from, uint32_t to) {
  static const char* const kSwizzles[] = {"", "x", "xy", "xyz", "xyzw"};
  if (from > to) return written + "." + kSwizzles[to];
  std::string value = std::string(GlslFloatType(to)) + "(" + written;
  for (uint32_t c = from; c < to; ++c) value += c == 3 ? ", 1.0" : ", 0.0";
  return value + ")";
}

// GLSL links the stages by name and type, Direct3D by semantic only: a pixel input declared
// wider or narrower than the vertex output takes the output's type under the shared name, and
// the shader reads a copy of the width it asked for.
bool AdaptInput(const FxVarying& output, const FxVarying& input, std::string& glsl) {
  const std::string name = VaryingName(input.semantic);
  const std::string declaration =
      std::string("in ") + GlslFloatType(input.components) + " " + name + ";";
  const size_t at = glsl.find(declaration);
  const size_t body = glsl.find("void main()\n{\n");
  if (at == std::string::npos || body == std::string::npos || body < at) return false;
  const std::string copy = name + "_read";
  std::string adapted;
  for (size_t i = 0; i < glsl.size();) {
    const bool whole =
        glsl.compare(i, name.size(), name) == 0 &&
        (i == 0 || !(std::isalnum(uint8_t(glsl[i - 1])) || glsl[i - 1] == '_')) &&
        (i + name.size() == glsl.size() ||
         !(std::isalnum(uint8_t(glsl[i + name.size()])) || glsl[i + name.size()] == '_'));
    if (whole) {
      adapted += copy;
      i += name.size();
    } else {
      adapted += glsl[i++];
    }
  }
  const std::string renamed =
      std::string("in ") + GlslFloatType(input.components) + " " + copy + ";";
  adapted.replace(adapted.find(renamed), renamed.size(),
                  std::string("in ") + GlslFloatType(output.components) + " " + name + ";\n" +
                      GlslFloatType(input.components) + " " + copy + ";");
  const size_t main = adapted.find("void main()\n{\n") + std::strlen("void main()\n{\n");
  adapted.insert(main, "    " + copy + " = " +
                           WidenOrNarrow(name, output.components, input.components) + ";\n");
  glsl = std::move(adapted);
  return true;
}

// Direct3D links the stages by semantic; what GLSL cannot link as it stands is adapted above,
// and what cannot be adapted is refused with a message that says what to change.
bool MatchVaryings(const FxStageResult& vertex, FxStageResult& fragment, const FxPass& pass,
                   const char* fileName, std::string& error) {
  for (const FxVarying& input : fragment.varyings) {
    const FxVarying* output = nullptr;
    for (const FxVarying& candidate : vertex.varyings) {
      if (candidate.semantic == input.semantic) output = &candidate;
    }
    if (!output) {
      error = FormatFxError(
          fileName, pass.pixelShader.where,
          "the pixel shader reads " + input.semantic + ", which the vertex shader does not write");
      return false;
    }
    if (output->components == input.components && output->arraySize == input.arraySize) continue;
    const bool plain = output->arraySize == 0 && input.arraySize == 0 && output->components >= 1 &&
                       output->components <= 4 && input.components >= 1 && input.components <= 4;
    if (!plain || !AdaptInput(*output, input, fragment.glsl)) {
      error = FormatFxError(
          fileName, pass.pixelShader.where,
          "the vertex shader writes " + input.semantic + " with " +
              std::to_string(output->components) + " components, the pixel shader reads " +
              std::to_string(input.components) + "; GLSL needs the same type on both sides");
      return false;
    }
  }
  return true;
}

void MergeSamplers(const std::vector<FxSamplerBinding>& stage, std::vector<FxSamplerBinding>& all) {
  for (const FxSamplerBinding& binding : stage) {
    FxSamplerBinding* known = nullptr;
    for (FxSamplerBinding& candidate : all) {
      if (candidate.glslName == binding.glslName) known = &candidate;
    }
    if (!known) {
      all.push_back(binding);
      continue;
    }
    known->vertexStage = known->vertexStage || binding.vertexStage;
    known->fragmentStage = known->fragmentStage || binding.fragmentStage;
  }
}

}  // namespace

bool CompilePass(const FxEffect& effect, size_t techniqueIndex, size_t passIndex,
                 const char* fileName, FxCompiledPass& out, std::string& error) {
  if (techniqueIndex >= effect.techniques.size() ||
      passIndex >= effect.techniques[techniqueIndex].passes.size()) {
    out = FxCompiledPass();
    error = FormatFxError(fileName, FxSourcePos(), "no such technique or pass");
    return false;
  }
  const FxPass& pass = effect.techniques[techniqueIndex].passes[passIndex];
  return CompilePassWith(effect, techniqueIndex, passIndex, pass.vertexShader, pass.pixelShader,
                         fileName, out, error);
}

bool CompilePassWith(const FxEffect& effect, size_t techniqueIndex, size_t passIndex,
                     const FxShaderCall& vertexShader, const FxShaderCall& pixelShader,
                     const char* fileName, FxCompiledPass& out, std::string& error) {
  out = FxCompiledPass();
  error.clear();
  if (techniqueIndex >= effect.techniques.size() ||
      passIndex >= effect.techniques[techniqueIndex].passes.size()) {
    error = FormatFxError(fileName, FxSourcePos(), "no such technique or pass");
    return false;
  }
  FxPass pass = effect.techniques[techniqueIndex].passes[passIndex];
  pass.vertexShader = vertexShader;
  pass.pixelShader = pixelShader;
  for (const FxShaderCall* shader : {&pass.vertexShader, &pass.pixelShader}) {
    if (shader->unsupported.empty()) continue;
    error =
        FormatFxError(fileName, shader->where, "pass '" + pass.name + "': " + shader->unsupported);
    return false;
  }
  if (!pass.vertexShader.present || !pass.pixelShader.present) {
    error = FormatFxError(
        fileName, pass.where,
        "pass '" + pass.name +
            "' needs a vertex and a pixel shader; fixed-function passes are not supported");
    return false;
  }
  const std::string label = PassLabel(effect, techniqueIndex, passIndex);
  FxStageResult vertex;
  FxStageResult fragment;
  if (!CompileStage(effect, pass.vertexShader, true, fileName, label, vertex, error) ||
      !CompileStage(effect, pass.pixelShader, false, fileName, label, fragment, error) ||
      !MatchVaryings(vertex, fragment, pass, fileName, error))
    return false;
  out.vertexGlsl = std::move(vertex.glsl);
  out.fragmentGlsl = std::move(fragment.glsl);
  out.vertexUniforms = std::move(vertex.uniforms);
  out.fragmentUniforms = std::move(fragment.uniforms);
  out.vertexInputs = std::move(vertex.inputs);
  MergeSamplers(vertex.samplers, out.samplers);
  MergeSamplers(fragment.samplers, out.samplers);
  return true;
}

void StoreMatrix(const FxUniformMember& member, const float m[16], uint8_t* blockShadow,
                 uint32_t element) {
  if (!member.isMatrix) return;
  if (element > 0 && element >= member.arrayCount) return;
  uint8_t* base = blockShadow + member.offset + size_t(element) * member.arrayStride;
  for (uint32_t r = 0; r < member.rows && r < 4; ++r) {
    for (uint32_t c = 0; c < member.columns && c < 4; ++c) {
      size_t at = member.spirvRowMajor ? size_t(c) * member.matrixStride + 4 * r
                                       : size_t(r) * member.matrixStride + 4 * c;
      std::memcpy(base + at, &m[4 * r + c], sizeof(float));
    }
  }
}

}  // namespace ember
