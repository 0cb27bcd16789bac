#include "runtime/d3d9/texture_format.h"

#include "runtime/d3d9/gl_context.h"
#include "runtime/d3d9/gl_conventions.h"

namespace ember::d3d9 {

namespace {

// X8R8G8B8's unused byte reads as 1. One-channel formats live in GL_R8 and two-channel ones
// in GL_RG8 (GL 3.3 core has no luminance or alpha formats): Direct3D samples L8 as
// (L, L, L, 1), A8 as (0, 0, 0, A) and A8L8 (bytes L then A) as (L, L, L, A).
const GLTextureFormat kArgb = {
    GL_RGBA8, kPixelFormatBGRA, kPixelTypeBGRA, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}, 4};
const GLTextureFormat kXrgb = {
    GL_RGBA8, kPixelFormatBGRA, kPixelTypeBGRA, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}, 4};
const GLTextureFormat kL8 = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_RED, GL_RED, GL_RED, GL_ONE}, 1};
const GLTextureFormat kA8 = {
    GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED}, 1};
const GLTextureFormat kA8L8 = {
    GL_RG8, GL_RG, GL_UNSIGNED_BYTE, {GL_RED, GL_RED, GL_RED, GL_GREEN}, 2};

// DXT1 takes the form with one bit of alpha, which Direct3D 9 samples as 0 on the blocks'
// transparent texels.
constexpr GLint kDxt1 = 0x83F1;  // GL_COMPRESSED_RGBA_S3TC_DXT1_EXT
constexpr GLint kDxt3 = 0x83F2;  // GL_COMPRESSED_RGBA_S3TC_DXT3_EXT
constexpr GLint kDxt5 = 0x83F3;  // GL_COMPRESSED_RGBA_S3TC_DXT5_EXT
const GLTextureFormat kBc1 = {kDxt1, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}, 0, 8};
const GLTextureFormat kBc2 = {kDxt3, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}, 0, 16};
const GLTextureFormat kBc3 = {kDxt5, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}, 0, 16};

const GLTextureFormat* Compressed(const GLTextureFormat& format) {
  return GLHasExtension("GL_EXT_texture_compression_s3tc") ? &format : nullptr;
}

}  // namespace

const GLTextureFormat* TextureFormatFor(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_DXT1:
      return Compressed(kBc1);
    case D3DFMT_DXT3:
      return Compressed(kBc2);
    case D3DFMT_DXT5:
      return Compressed(kBc3);
    case D3DFMT_A8R8G8B8:
      return &kArgb;
    case D3DFMT_X8R8G8B8:
      return &kXrgb;
    case D3DFMT_L8:
      return &kL8;
    case D3DFMT_A8:
      return &kA8;
    case D3DFMT_A8L8:
      return &kA8L8;
    default:
      return nullptr;
  }
}

}  // namespace ember::d3d9
