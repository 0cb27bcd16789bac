// Direct3D 9 sampler states as GL sampler object parameters.
#include <cstring>

#include "runtime/d3d9/device_states.h"
#include "runtime/d3d9/texture_stages.h"

namespace ember::d3d9 {

namespace {

GLint WrapMode(DWORD address) {
  switch (address) {
    case D3DTADDRESS_MIRROR:
    // Mirror-once needs GL 4.4; mirroring every repeat matches it over the first two copies.
    case D3DTADDRESS_MIRRORONCE:
      return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
      return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
      return GL_CLAMP_TO_BORDER;
    default:
      return GL_REPEAT;
  }
}

// Anisotropic filtering is an extension before GL 4.6: it filters linearly here.
bool Linear(DWORD filter) { return filter == D3DTEXF_LINEAR || filter == D3DTEXF_ANISOTROPIC; }

GLint MinFilter(DWORD minFilter, DWORD mipFilter) {
  const bool linear = Linear(minFilter);
  if (mipFilter == D3DTEXF_NONE) return linear ? GL_LINEAR : GL_NEAREST;
  if (mipFilter == D3DTEXF_POINT)
    return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
  return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
}

float FloatFromBits(DWORD bits) {
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

}  // namespace

void ApplySamplerStates(GLuint sampler, const DeviceStates& states, int slot) {
  auto state = [&](D3DSAMPLERSTATETYPE type) { return states.Sampler(slot, type); };
  glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, WrapMode(state(D3DSAMP_ADDRESSU)));
  glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, WrapMode(state(D3DSAMP_ADDRESSV)));
  glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, WrapMode(state(D3DSAMP_ADDRESSW)));
  glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER,
                      Linear(state(D3DSAMP_MAGFILTER)) ? GL_LINEAR : GL_NEAREST);
  glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER,
                      MinFilter(state(D3DSAMP_MINFILTER), state(D3DSAMP_MIPFILTER)));
  const DWORD border = state(D3DSAMP_BORDERCOLOR);
  const GLfloat color[4] = {float((border >> 16) & 0xFF) / 255.0f,
                            float((border >> 8) & 0xFF) / 255.0f, float(border & 0xFF) / 255.0f,
                            float(border >> 24) / 255.0f};
  glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, color);
  glSamplerParameterf(sampler, GL_TEXTURE_LOD_BIAS, FloatFromBits(state(D3DSAMP_MIPMAPLODBIAS)));
  // Direct3D's largest mip level is the most detailed one it may use.
  glSamplerParameterf(sampler, GL_TEXTURE_MIN_LOD, float(state(D3DSAMP_MAXMIPLEVEL)));
}

}  // namespace ember::d3d9
