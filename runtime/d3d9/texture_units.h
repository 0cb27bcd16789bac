// The GL texture units as the runtime last bound them. Units 0 to 15 are Direct3D's sampler
// stages; one more unit takes uploads and any code that binds a texture to work on it, so
// such code never disturbs what a stage has bound. That unit stays the active one.
#pragma once

#include "runtime/d3d9/gl.h"

namespace ember::d3d9 {

class TextureUnits {
 public:
  static constexpr int kStageUnits = 16;
  static constexpr int kWorkUnit = kStageUnits;

  // Forgets every binding and makes the work unit active.
  void Reset();
  // Compare first: a repeated bind makes no GL call.
  void Bind(int unit, GLenum target, GLuint texture);
  void BindSampler(int unit, GLuint sampler);
  // Binds on the work unit, for uploads and parameter changes.
  void BindForWork(GLenum target, GLuint texture);
  // A texture is being deleted: GL unbinds it, so must the record.
  void Forget(GLuint texture);

 private:
  static constexpr GLuint kUnknown = 0xFFFFFFFFu;
  GLuint texture2D_[kStageUnits];
  GLuint texture3D_[kStageUnits];
  GLuint sampler_[kStageUnits];
};

}  // namespace ember::d3d9
