// Building an effect: every pass of every technique compiled to GLSL and linked, each
// sampler given a stage, the states each pass sets and those Begin must save gathered.
#include <cstdio>

#include "runtime/d3dx9/effect.h"
#include "runtime/fx/messages.h"

namespace ember::d3dx {

namespace {

template <class T, class Same>
bool Contains(const std::vector<T>& list, Same same) {
  for (const T& item : list)
    if (same(item)) return true;
  return false;
}

}  // namespace

Effect* Effect::Create(d3d9::Device* device, FxEffect&& parsed, const char* fileName,
                       std::string& error) {
  Effect* effect = new Effect(device, std::move(parsed));
  if (!effect->Build(fileName, error)) {
    effect->Release();
    return nullptr;
  }
  return effect;
}

Effect::Effect(d3d9::Device* device, FxEffect&& parsed)
    : DeviceChild(device), parsed_(std::move(parsed)) {
  TakeFirstReference();
}

Effect::~Effect() {
  if (begun_) End();
  // The programs and buffers go before the device, whose context they live in.
  techniques_.clear();
  parameters_.ReleaseTextures();
}

bool Effect::Build(const char* fileName, std::string& error) {
  if (!parameters_.Init(parsed_.parameters)) {
    error = FormatFxError(
        fileName, FxSourcePos(),
        "the parameters hold more than " + std::to_string(ParameterTable::kMaxSlots) + " values");
    return false;
  }
  handles_.assign(parsed_.parameters.size() + parsed_.techniques.size(), '\0');
  for (const FxParameter& parameter : parsed_.parameters) {
    for (const FxState& state : parameter.samplerStates)
      if (!state.supported) ReportUnsupported(state, fileName, "sampler state");
    for (const FxSamplerElement& element : parameter.samplerElements)
      for (const FxState& state : element.states)
        if (!state.supported) ReportUnsupported(state, fileName, "sampler state");
  }

  techniques_.resize(parsed_.techniques.size());
  technique_ = -1;
  for (size_t t = 0; t < techniques_.size(); ++t) {
    EffectTechnique& technique = techniques_[t];
    technique.passes.resize(parsed_.techniques[t].passes.size());
    for (size_t p = 0; p < technique.passes.size() && technique.failure.empty(); ++p)
      if (!BuildPass(t, p, fileName, technique.failure) && technique.failure.empty())
        technique.failure = "pass " + std::to_string(p) + " cannot be built";
    if (!technique.failure.empty()) continue;
    CollectSavedStates(technique);
    if (technique_ < 0) technique_ = int(t);
  }
  if (technique_ < 0 && !techniques_.empty()) {
    error = techniques_.front().failure;
    return false;
  }
  // The effect is made: what it cannot run is said once, here.
  for (size_t t = 0; t < techniques_.size(); ++t)
    if (!techniques_[t].failure.empty())
      ReportInvalidTechnique(parsed_.techniques[t], techniques_[t].failure);
  return true;
}

void Effect::ReportInvalidTechnique(const FxTechnique& technique, const std::string& why) const {
  std::string line = "D3DX: technique '" + technique.name + "' cannot run and is skipped: " + why;
  if (line.back() != '\n') line += '\n';
  OutputDebugStringA(line.c_str());
}

bool Effect::BuildPass(size_t technique, size_t passIndex, const char* fileName,
                       std::string& error) {
  const FxPass& source = parsed_.techniques[technique].passes[passIndex];
  EffectPass& pass = techniques_[technique].passes[passIndex];
  const FxShaderCall& vertex = source.vertexShader;
  const FxShaderCall& pixel = source.pixelShader;
  if (vertex.selector < 0 && pixel.selector < 0)
    return BuildProgram(technique, passIndex, vertex, pixel, pass, fileName, error);
  if (vertex.selector >= 0 && pixel.selector >= 0) {
    error = FormatFxError(fileName, source.where,
                          "pass '" + source.name +
                              "': both shaders are picked by parameters, which is not supported");
    return false;
  }
  // Every shader the parameter can pick is built now; the pass uses one at a time.
  const bool vertexPicked = vertex.selector >= 0;
  const FxShaderCall& picked = vertexPicked ? vertex : pixel;
  pass.selector = picked.selector;
  pass.choices.resize(picked.choices.size());
  for (size_t i = 0; i < picked.choices.size(); ++i) {
    const FxShaderCall& choice = picked.choices[i];
    if (!BuildProgram(technique, passIndex, vertexPicked ? choice : vertex,
                      vertexPicked ? pixel : choice, pass.choices[i], fileName, error))
      return false;
  }
  return true;
}

bool Effect::BuildProgram(size_t technique, size_t passIndex, const FxShaderCall& vertexShader,
                          const FxShaderCall& pixelShader, EffectPass& pass, const char* fileName,
                          std::string& error) {
  FxCompiledPass compiled;
  if (!CompilePassWith(parsed_, technique, passIndex, vertexShader, pixelShader, fileName, compiled,
                       error))
    return false;
  const FxPass& source = parsed_.techniques[technique].passes[passIndex];
  if (compiled.samplers.size() > d3d9::TextureStages::kStageCount) {
    error = FormatFxError(fileName, source.where,
                          "pass '" + source.name + "' reads " +
                              std::to_string(compiled.samplers.size()) +
                              " samplers; a pass reads 16 at most");
    return false;
  }

  // Sampler i reads stage i, as the program's units were set.
  for (size_t i = 0; i < compiled.samplers.size(); ++i) {
    const DWORD stage = DWORD(i);
    pass.stageMask |= 1u << stage;
    const FxSamplerBinding& binding = compiled.samplers[i];
    if (binding.parameter < 0 || size_t(binding.parameter) >= parsed_.parameters.size()) continue;
    const FxParameter& sampler = parsed_.parameters[size_t(binding.parameter)];
    // An element of a sampler array has its own sampler_state block when the file gives them.
    const size_t element = size_t(binding.element);
    const bool ownBlock = binding.element >= 0 && element < sampler.samplerElements.size();
    const std::vector<FxState>& states =
        ownBlock ? sampler.samplerElements[element].states : sampler.samplerStates;
    const int texture =
        ownBlock ? sampler.samplerElements[element].textureIndex : sampler.samplerTextureIndex;
    for (const FxState& state : states)
      if (state.supported)
        pass.samplerStates.push_back(PassSamplerState{stage,
                                                      D3DSAMPLERSTATETYPE(state.type),
                                                      DWORD(state.value),
                                                      {state.parameter, state.isFloat}});
    if (texture >= 0) pass.textures.push_back(PassTexture{stage, texture});
  }

  for (const FxState& state : source.states) {
    if (!state.supported) {
      ReportUnsupported(state, fileName, "pass state");
      continue;
    }
    pass.renderStates.push_back(PassRenderState{
        D3DRENDERSTATETYPE(state.type), DWORD(state.value), {state.parameter, state.isFloat}});
  }

  std::string driverError;
  if (!pass.program.Build(*OwnerDevice(), compiled, driverError)) {
    error = FormatFxError(fileName, source.where, "pass '" + source.name + "': " + driverError);
    return false;
  }
  return true;
}

void Effect::CollectSavedStates(EffectTechnique& technique) {
  std::vector<const EffectPass*> built;
  for (const EffectPass& pass : technique.passes) {
    built.push_back(&pass);
    for (const EffectPass& choice : pass.choices) built.push_back(&choice);
  }
  for (const EffectPass* each : built) {
    const EffectPass& pass = *each;
    for (const PassRenderState& state : pass.renderStates)
      if (!Contains(technique.savedRender,
                    [&](const PassRenderState& s) { return s.type == state.type; }))
        technique.savedRender.push_back(PassRenderState{state.type, 0, {}});
    for (const PassSamplerState& state : pass.samplerStates)
      if (!Contains(technique.savedSamplers, [&](const PassSamplerState& s) {
            return s.stage == state.stage && s.type == state.type;
          }))
        technique.savedSamplers.push_back(PassSamplerState{state.stage, state.type, 0, {}});
    for (const PassTexture& texture : pass.textures)
      technique.savedTextureMask |= 1u << texture.stage;
  }
}

void Effect::ReportUnsupported(const FxState& state, const char* fileName, const char* what) const {
  char line[512];
  std::snprintf(line, sizeof line, "D3DX: %s(%u,%u): the %s '%s' is not supported; skipped\n",
                fileName, unsigned(state.where.line), unsigned(state.where.column), what,
                state.name.c_str());
  OutputDebugStringA(line);
}

}  // namespace ember::d3dx
