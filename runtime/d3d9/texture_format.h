// How each texture format Direct3D names is stored in GL. Memory layouts stay Direct3D's
// (see gl_conventions.h); swizzles make the shader read what Direct3D's sampler returns.
#pragma once

#include "runtime/d3d9/d3d9types.h"
#include "runtime/d3d9/gl.h"

namespace ember::d3d9 {

struct GLTextureFormat {
  GLint internalFormat;
  GLenum format;
  GLenum type;
  GLint swizzle[4];  // GL_TEXTURE_SWIZZLE_R, G, B, A
  UINT bytesPerPixel;
  // S3TC formats: the bytes of a 4x4 block, which the driver takes as they are; 0 otherwise.
  UINT blockBytes = 0;
};

// Null when textures of that format are not supported. The S3TC formats need the driver's
// GL_EXT_texture_compression_s3tc.
const GLTextureFormat* TextureFormatFor(D3DFORMAT format);

}  // namespace ember::d3d9
