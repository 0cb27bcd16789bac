// Techniques and passes: choosing a technique, and drawing it pass by pass. A pass sets its
// states through the device's own calls, so the device's state mirror stays true, and Begin
// saves what End puts back. Nothing here allocates.
#include <cstdint>
#include <cstring>

#include "runtime/d3dx9/effect.h"

namespace ember::d3dx {

int Effect::TechniqueIndex(D3DXHANDLE handle) const {
  if (!handle) return -1;
  const uintptr_t at = uintptr_t(handle), first = uintptr_t(handles_.data());
  if (!handles_.empty() && at >= first && at < first + handles_.size()) {
    const size_t index = at - first;
    const size_t parameters = size_t(parameters_.Count());
    return index >= parameters ? int(index - parameters) : -1;
  }
  for (size_t t = 0; t < parsed_.techniques.size(); ++t)
    if (std::strcmp(parsed_.techniques[t].name.c_str(), handle) == 0) return int(t);
  return -1;
}

D3DXHANDLE Effect::GetTechniqueByName(LPCSTR name) {
  if (!name) return nullptr;
  for (size_t t = 0; t < parsed_.techniques.size(); ++t)
    if (std::strcmp(parsed_.techniques[t].name.c_str(), name) == 0) return TechniqueHandle(int(t));
  return nullptr;
}

// Every pass compiled and linked when the effect was made, so every technique runs.
HRESULT Effect::ValidateTechnique(D3DXHANDLE technique) {
  const int index = TechniqueIndex(technique);
  if (index < 0) return D3DERR_INVALIDCALL;
  return techniques_[size_t(index)].failure.empty() ? D3D_OK : E_FAIL;
}

HRESULT Effect::FindNextValidTechnique(D3DXHANDLE technique, D3DXHANDLE* next) {
  if (!next) return D3DERR_INVALIDCALL;
  *next = nullptr;
  int start = 0;
  if (technique) {
    const int index = TechniqueIndex(technique);
    if (index < 0) return D3DERR_INVALIDCALL;
    start = index + 1;
  }
  for (size_t t = size_t(start); t < techniques_.size(); ++t) {
    if (!techniques_[t].failure.empty()) continue;
    *next = TechniqueHandle(int(t));
    break;
  }
  return D3D_OK;
}

HRESULT Effect::SetTechnique(D3DXHANDLE technique) {
  const int index = TechniqueIndex(technique);
  if (index < 0 || begun_) return D3DERR_INVALIDCALL;
  technique_ = index;
  return D3D_OK;
}

D3DXHANDLE Effect::GetCurrentTechnique() {
  return technique_ < 0 ? nullptr : TechniqueHandle(technique_);
}

HRESULT Effect::Begin(UINT* passes, DWORD flags) {
  if (begun_ || technique_ < 0) return D3DERR_INVALIDCALL;
  // A technique that could not be built has nothing to draw with.
  if (!techniques_[size_t(technique_)].failure.empty()) return D3DERR_INVALIDCALL;
  begun_ = true;
  pass_ = -1;
  beginFlags_ = flags;
  savedProgram_ = OwnerDevice()->Program();
  savedProgramSamplers_ = OwnerDevice()->ProgramSamplers();
  SaveStates();
  if (passes) *passes = UINT(techniques_[size_t(technique_)].passes.size());
  return D3D_OK;
}

HRESULT Effect::BeginPass(UINT pass) {
  if (!begun_ || pass_ >= 0) return D3DERR_INVALIDCALL;
  EffectTechnique& technique = techniques_[size_t(technique_)];
  if (pass >= technique.passes.size()) return D3DERR_INVALIDCALL;
  pass_ = int(pass);
  current_ = &Chosen(technique.passes[pass]);
  ApplyPass(*current_);
  return D3D_OK;
}

EffectPass& Effect::Chosen(EffectPass& pass) {
  if (pass.selector < 0 || pass.choices.empty()) return pass;
  // An index past the array's ends takes the nearest shader.
  const int last = int(pass.choices.size()) - 1;
  const int index = parameters_.IntAt(pass.selector, 0);
  return pass.choices[size_t(index < 0 ? 0 : index > last ? last : index)];
}

// Values set inside a pass reach the device here, as in D3DX.
HRESULT Effect::CommitChanges() {
  if (!begun_ || pass_ < 0) return D3DERR_INVALIDCALL;
  // A change of the parameter that picks the pass's shader switches to the other program.
  EffectPass& chosen = Chosen(techniques_[size_t(technique_)].passes[size_t(pass_)]);
  if (&chosen != current_) {
    current_ = &chosen;
    ApplyPass(chosen);
    return D3D_OK;
  }
  EffectPass& pass = *current_;
  ApplyStates(pass, true);
  ApplyTextures(pass);
  uploads_ += UploadParameters(pass);
  pass.program.BindBlocks();
  return D3D_OK;
}

HRESULT Effect::EndPass() {
  if (pass_ < 0) return D3DERR_INVALIDCALL;
  pass_ = -1;
  current_ = nullptr;
  return D3D_OK;
}

HRESULT Effect::End() {
  if (!begun_) return D3DERR_INVALIDCALL;
  RestoreStates();
  OwnerDevice()->UseProgram(savedProgram_, savedProgramSamplers_);
  begun_ = false;
  pass_ = -1;
  current_ = nullptr;
  return D3D_OK;
}

const EffectPass* Effect::CurrentPass() const {
  if (!begun_ || pass_ < 0) return nullptr;
  return current_;
}

void Effect::ApplyPass(EffectPass& pass) {
  ApplyStates(pass, false);
  ApplyTextures(pass);
  OwnerDevice()->UseProgram(pass.program.Program(), pass.stageMask);
  uploads_ += UploadParameters(pass);
  pass.program.BindBlocks();
}

void Effect::ApplyStates(const EffectPass& pass, bool followingOnly) {
  for (const PassRenderState& state : pass.renderStates)
    if (!followingOnly || state.source.parameter >= 0)
      OwnerDevice()->SetRenderState(state.type, StateValue(state.value, state.source));
  for (const PassSamplerState& state : pass.samplerStates)
    if (!followingOnly || state.source.parameter >= 0)
      OwnerDevice()->SetSamplerState(state.stage, state.type,
                                     StateValue(state.value, state.source));
}

DWORD Effect::StateValue(DWORD value, const PassStateSource& source) const {
  if (source.parameter < 0) return value;
  if (!source.isFloat) return DWORD(parameters_.IntAt(source.parameter, 0));
  const float number = parameters_.FloatAt(source.parameter, 0);
  std::memcpy(&value, &number, sizeof value);
  return value;
}

unsigned Effect::UploadParameters(EffectPass& pass) {
  return pass.program.Upload(
      parameters_.Generation(),
      [this](const FxUniformBlock& layout, uint8_t* shadow) { parameters_.Pack(layout, shadow); });
}

void Effect::ApplyTextures(const EffectPass& pass) {
  for (const PassTexture& texture : pass.textures)
    OwnerDevice()->SetTexture(texture.stage, parameters_.Texture(texture.parameter));
}

void Effect::SaveStates() {
  if (beginFlags_ & D3DXFX_DONOTSAVESTATE) return;
  EffectTechnique& technique = techniques_[size_t(technique_)];
  for (PassRenderState& state : technique.savedRender)
    OwnerDevice()->GetRenderState(state.type, &state.value);
  if (beginFlags_ & D3DXFX_DONOTSAVESAMPLERSTATE) return;
  for (PassSamplerState& state : technique.savedSamplers)
    OwnerDevice()->GetSamplerState(state.stage, state.type, &state.value);
  for (DWORD stage = 0; stage < 16; ++stage)
    if (technique.savedTextureMask & (1u << stage))
      OwnerDevice()->GetTexture(stage, &savedTextures_[stage]);
}

void Effect::RestoreStates() {
  if (beginFlags_ & D3DXFX_DONOTSAVESTATE) return;
  const EffectTechnique& technique = techniques_[size_t(technique_)];
  for (const PassRenderState& state : technique.savedRender)
    OwnerDevice()->SetRenderState(state.type, state.value);
  if (beginFlags_ & D3DXFX_DONOTSAVESAMPLERSTATE) return;
  for (const PassSamplerState& state : technique.savedSamplers)
    OwnerDevice()->SetSamplerState(state.stage, state.type, state.value);
  for (DWORD stage = 0; stage < 16; ++stage) {
    if (!(technique.savedTextureMask & (1u << stage))) continue;
    OwnerDevice()->SetTexture(stage, savedTextures_[stage]);
    if (savedTextures_[stage]) savedTextures_[stage]->Release();
    savedTextures_[stage] = nullptr;
  }
}

}  // namespace ember::d3dx
