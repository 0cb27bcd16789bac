#include "runtime/d3d9/texture_format.h"

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

}  // namespace

const GLTextureFormat* TextureFormatFor(D3DFORMAT format) {
  switch (format) {
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
