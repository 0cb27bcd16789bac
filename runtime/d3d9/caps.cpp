#include "runtime/d3d9/caps.h"

#include <cstring>

#include "runtime/d3d9/gl.h"

namespace ember::d3d9 {

void FillCaps(D3DDEVTYPE type, D3DCAPS9& caps) {
  std::memset(&caps, 0, sizeof caps);
  GLint maxTexture = 0, max3D = 0, maxUnits = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
  glGetIntegerv(GL_MAX_3D_TEXTURE_SIZE, &max3D);
  glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &maxUnits);

  caps.DeviceType = type;
  caps.AdapterOrdinal = 0;
  caps.PresentationIntervals = D3DPRESENT_INTERVAL_CAPS;
  // Any GL 3.3 core context transforms and lights in hardware terms: vertex shaders run on it.
  caps.DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY |
                 D3DDEVCAPS_TEXTUREVIDEOMEMORY | D3DDEVCAPS_DRAWPRIMTLVERTEX |
                 D3DDEVCAPS_CANRENDERAFTERFLIP | D3DDEVCAPS_DRAWPRIMITIVES2EX |
                 D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION;
  caps.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP |
                     D3DPTEXTURECAPS_VOLUMEMAP | D3DPTEXTURECAPS_MIPVOLUMEMAP;
  caps.MaxTextureWidth = caps.MaxTextureHeight = DWORD(maxTexture);
  caps.MaxVolumeExtent = DWORD(max3D);
  caps.MaxTextureRepeat = 8192;
  caps.MaxTextureAspectRatio = DWORD(maxTexture);
  caps.MaxAnisotropy = 16;
  caps.MaxVertexW = 1e10f;
  // glStencilOpSeparate is core since GL 2.0.
  caps.StencilCaps = D3DSTENCILCAPS_KEEP | D3DSTENCILCAPS_ZERO | D3DSTENCILCAPS_REPLACE |
                     D3DSTENCILCAPS_INCRSAT | D3DSTENCILCAPS_DECRSAT | D3DSTENCILCAPS_INVERT |
                     D3DSTENCILCAPS_INCR | D3DSTENCILCAPS_DECR | D3DSTENCILCAPS_TWOSIDED;
  caps.MaxTextureBlendStages = 8;
  caps.MaxSimultaneousTextures = maxUnits < 8 ? DWORD(maxUnits) : 8;
  caps.MaxPointSize = 64.0f;
  caps.MaxPrimitiveCount = 0xFFFFFF;
  caps.MaxVertexIndex = 0xFFFFFF;
  caps.MaxStreams = 16;
  caps.MaxStreamStride = 508;
  caps.VertexShaderVersion = D3DVS_VERSION(3, 0);
  caps.MaxVertexShaderConst = 256;
  caps.PixelShaderVersion = D3DPS_VERSION(3, 0);
  caps.PixelShader1xMaxValue = 65504.0f;
  caps.NumberOfAdaptersInGroup = 1;
  caps.NumSimultaneousRTs = 4;
  caps.VS20Caps = D3DVSHADERCAPS2_0{1, 24, 32, 4};
  caps.PS20Caps = D3DPSHADERCAPS2_0{0x1F, 24, 32, 4, 512};
  caps.MaxVShaderInstructionsExecuted = 65535;
  caps.MaxPShaderInstructionsExecuted = 65535;
  caps.MaxVertexShader30InstructionSlots = 32768;
  caps.MaxPixelShader30InstructionSlots = 32768;
}

}  // namespace ember::d3d9
