#include "runtime/d3d9/texture_stages.h"

#include "runtime/d3d9/device_states.h"
#include "runtime/d3d9/texture_object.h"

namespace ember::d3d9 {

void TextureStages::Create() {
  units_.Reset();
  glGenSamplers(GLsizei(kStageCount), samplers_);
}

void TextureStages::Destroy() {
  for (DWORD stage = 0; stage < kStageCount; ++stage) Set(stage, nullptr);
  if (samplers_[0]) glDeleteSamplers(GLsizei(kStageCount), samplers_);
  for (GLuint& sampler : samplers_) sampler = 0;
}

void TextureStages::Set(DWORD stage, TextureBinding* texture) {
  TextureBinding* old = bound_[stage];
  if (old == texture) return;
  if (texture) texture->AddBinding();
  bound_[stage] = texture;
  if (old) old->ReleaseBinding();
}

void TextureStages::Apply(unsigned stageMask, DeviceStates& states) {
  for (DWORD stage = 0; stage < kStageCount; ++stage) {
    if (!(stageMask & (1u << stage))) continue;
    if (TextureBinding* texture = bound_[stage]) {
      const TextureCore& core = texture->Core();
      units_.Bind(int(stage), core.Target(), core.Name());
    } else {
      units_.Bind(int(stage), GL_TEXTURE_2D, 0);
      units_.Bind(int(stage), GL_TEXTURE_3D, 0);
    }
    if (states.SamplerDirtyMask() & (1u << stage)) {
      ApplySamplerStates(samplers_[stage], states, int(stage));
      states.ClearSamplerDirty(int(stage));
    }
    units_.BindSampler(int(stage), samplers_[stage]);
  }
}

}  // namespace ember::d3d9
