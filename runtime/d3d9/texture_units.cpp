#include "runtime/d3d9/texture_units.h"

namespace ember::d3d9 {

void TextureUnits::Reset() {
  for (int i = 0; i < kStageUnits; ++i) texture2D_[i] = texture3D_[i] = sampler_[i] = kUnknown;
  glActiveTexture(GL_TEXTURE0 + kWorkUnit);
}

void TextureUnits::Bind(int unit, GLenum target, GLuint texture) {
  GLuint& bound = target == GL_TEXTURE_3D ? texture3D_[unit] : texture2D_[unit];
  if (bound == texture) return;
  bound = texture;
  glActiveTexture(GL_TEXTURE0 + unit);
  glBindTexture(target, texture);
  glActiveTexture(GL_TEXTURE0 + kWorkUnit);
}

void TextureUnits::BindSampler(int unit, GLuint sampler) {
  if (sampler_[unit] == sampler) return;
  sampler_[unit] = sampler;
  glBindSampler(GLuint(unit), sampler);
}

void TextureUnits::BindForWork(GLenum target, GLuint texture) { glBindTexture(target, texture); }

void TextureUnits::Forget(GLuint texture) {
  for (int i = 0; i < kStageUnits; ++i) {
    if (texture2D_[i] == texture) texture2D_[i] = 0;
    if (texture3D_[i] == texture) texture3D_[i] = 0;
  }
}

}  // namespace ember::d3d9
