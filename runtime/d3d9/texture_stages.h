// The textures bound to Direct3D's sampler stages 0 to 15, and one GL sampler object per
// stage that carries that stage's sampler states. A draw applies the stages its program uses.
#pragma once

#include "runtime/d3d9/d3d9types.h"
#include "runtime/d3d9/texture_units.h"

namespace ember::d3d9 {

class DeviceStates;
class TextureBinding;

class TextureStages {
 public:
  static constexpr DWORD kStageCount = TextureUnits::kStageUnits;

  // Needs the device's GL context current.
  void Create();
  // Drops every binding (which may destroy textures) and the sampler objects.
  void Destroy();

  void Set(DWORD stage, TextureBinding* texture);
  TextureBinding* Get(DWORD stage) const { return bound_[stage]; }

  // Binds the textures of the stages in the mask (bit i: stage i) and their samplers,
  // bringing each sampler object up to date with the mirrored sampler states first.
  void Apply(unsigned stageMask, DeviceStates& states);

  TextureUnits& Units() { return units_; }

 private:
  TextureUnits units_;
  TextureBinding* bound_[kStageCount] = {};
  GLuint samplers_[kStageCount] = {};
};

// Sets a GL sampler object's parameters from a stage's Direct3D sampler states.
void ApplySamplerStates(GLuint sampler, const DeviceStates& states, int slot);

}  // namespace ember::d3d9
