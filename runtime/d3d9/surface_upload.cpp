#include "runtime/d3d9/surface_upload.h"

#include "runtime/d3d9/gl_conventions.h"
#include "runtime/d3d9/surface.h"
#include "runtime/d3d9/texture_units.h"

namespace ember::d3d9 {

bool SurfaceUpload::Sync(Surface& surface, TextureUnits& units) {
  const int w = int(surface.Desc().Width), h = int(surface.Desc().Height);
  // Generations are unique across surfaces, so an equal one is this very picture.
  if (valid_ && generation_ == surface.Generation() && copy_.width == w && copy_.height == h)
    return true;
  if (copy_.width != w || copy_.height != h) {
    Destroy();
    if (!copy_.Create(w, h, false)) return false;
  }
  units.BindForWork(GL_TEXTURE_2D, copy_.color);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, GLint(surface.Pitch() / 4));
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, kPixelFormatBGRA, kPixelTypeBGRA, surface.Bits());
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  generation_ = surface.Generation();
  valid_ = true;
  ++uploads_;
  return true;
}

void SurfaceUpload::Destroy() {
  copy_.Destroy();
  copy_.width = copy_.height = 0;
  valid_ = false;
}

}  // namespace ember::d3d9
