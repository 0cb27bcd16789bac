// UpdateSurface's copy of a system-memory surface on the GPU. The back buffer is redrawn every
// frame, so the picture is kept in a texture of its own, sent again only when the surface's
// pixels changed (a new generation), and copied from there on the GPU at each call.
#pragma once

#include <cstdint>

#include "runtime/d3d9/render_target.h"

namespace ember::d3d9 {

class Surface;
class TextureUnits;

class SurfaceUpload {
 public:
  // Makes the copy hold the surface's current pixels; false when GL refused the copy.
  bool Sync(Surface& surface, TextureUnits& units);
  GLuint Framebuffer() const { return copy_.framebuffer; }
  void Destroy();

  // How many times pixels were sent: tests check that unchanged pictures are not.
  unsigned long UploadCount() const { return uploads_; }

 private:
  RenderTarget copy_;
  uint32_t generation_ = 0;
  bool valid_ = false;
  unsigned long uploads_ = 0;
};

}  // namespace ember::d3d9
