#include "runtime/d3d9/device_states.h"

#include <cstring>

namespace ember::d3d9 {

namespace {

unsigned GroupOf(DWORD state) {
  switch (state) {
    case D3DRS_ALPHABLENDENABLE:
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_BLENDOP:
    case D3DRS_SEPARATEALPHABLENDENABLE:
    case D3DRS_SRCBLENDALPHA:
    case D3DRS_DESTBLENDALPHA:
    case D3DRS_BLENDOPALPHA:
    case D3DRS_COLORWRITEENABLE:
      return kGroupBlend;
    case D3DRS_ZENABLE:
    case D3DRS_ZWRITEENABLE:
    case D3DRS_ZFUNC:
      return kGroupDepth;
    case D3DRS_CULLMODE:
    case D3DRS_FILLMODE:
    case D3DRS_SCISSORTESTENABLE:
      return kGroupRaster;
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_ALPHAREF:
    case D3DRS_ALPHAFUNC:
      return kGroupAlphaTest;
    case D3DRS_STENCILENABLE:
    case D3DRS_STENCILFAIL:
    case D3DRS_STENCILZFAIL:
    case D3DRS_STENCILPASS:
    case D3DRS_STENCILFUNC:
    case D3DRS_STENCILREF:
    case D3DRS_STENCILMASK:
    case D3DRS_STENCILWRITEMASK:
    case D3DRS_TWOSIDEDSTENCILMODE:
    case D3DRS_CCW_STENCILFAIL:
    case D3DRS_CCW_STENCILZFAIL:
    case D3DRS_CCW_STENCILPASS:
    case D3DRS_CCW_STENCILFUNC:
      return kGroupStencil;
    default:
      return kGroupOther;
  }
}

void Identity(D3DMATRIX& m) {
  std::memset(&m, 0, sizeof m);
  m._11 = m._22 = m._33 = m._44 = 1.0f;
}

DWORD FloatBits(float f) {
  DWORD d;
  std::memcpy(&d, &f, sizeof d);
  return d;
}

}  // namespace

DeviceStates::DeviceStates(bool autoDepthStencil) {
  std::memset(render_, 0, sizeof render_);
  // Defaults as Direct3D 9 documents them.
  render_[D3DRS_ZENABLE] = autoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
  render_[D3DRS_FILLMODE] = D3DFILL_SOLID;
  render_[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  render_[D3DRS_ZWRITEENABLE] = TRUE;
  render_[D3DRS_LASTPIXEL] = TRUE;
  render_[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  render_[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  render_[D3DRS_CULLMODE] = D3DCULL_CCW;
  render_[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  render_[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  render_[D3DRS_STENCILFAIL] = D3DSTENCILOP_KEEP;
  render_[D3DRS_STENCILZFAIL] = D3DSTENCILOP_KEEP;
  render_[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
  render_[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
  render_[D3DRS_STENCILMASK] = 0xFFFFFFFF;
  render_[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
  render_[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
  render_[D3DRS_CLIPPING] = TRUE;
  render_[D3DRS_LIGHTING] = TRUE;
  render_[D3DRS_COLORVERTEX] = TRUE;
  render_[D3DRS_LOCALVIEWER] = TRUE;
  render_[D3DRS_POINTSIZE] = FloatBits(1.0f);
  render_[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
  render_[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
  render_[D3DRS_COLORWRITEENABLE] = 0x0000000F;
  render_[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
  render_[D3DRS_CCW_STENCILFAIL] = D3DSTENCILOP_KEEP;
  render_[D3DRS_CCW_STENCILZFAIL] = D3DSTENCILOP_KEEP;
  render_[D3DRS_CCW_STENCILPASS] = D3DSTENCILOP_KEEP;
  render_[D3DRS_CCW_STENCILFUNC] = D3DCMP_ALWAYS;
  render_[D3DRS_BLENDFACTOR] = 0xFFFFFFFF;
  render_[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
  render_[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
  render_[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;

  for (DWORD s = 0; s < kSamplerCount; ++s) {
    DWORD* st = sampler_[s];
    std::memset(st, 0, sizeof(DWORD) * kSamplerStateCount);
    st[D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
    st[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
    st[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
    st[D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
    st[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
    st[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    st[D3DSAMP_MAXANISOTROPY] = 1;
  }
  for (D3DMATRIX& m : transforms) Identity(m);
}

int DeviceStates::SamplerSlot(DWORD sampler) {
  if (sampler < 16) return int(sampler);
  if (sampler >= D3DDMAPSAMPLER && sampler <= D3DVERTEXTEXTURESAMPLER3)
    return 16 + int(sampler - D3DDMAPSAMPLER);
  return -1;
}

int DeviceStates::TransformSlot(D3DTRANSFORMSTATETYPE state) {
  if (state == D3DTS_VIEW) return 0;
  if (state == D3DTS_PROJECTION) return 1;
  if (state == D3DTS_WORLD) return 2;
  if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) return 3 + int(state - D3DTS_TEXTURE0);
  return -1;
}

bool DeviceStates::SetRender(DWORD state, DWORD value) {
  if (render_[state] == value) return false;
  render_[state] = value;
  dirty_ |= GroupOf(state);
  return true;
}

bool DeviceStates::SetSampler(int slot, DWORD type, DWORD value) {
  if (sampler_[slot][type] == value) return false;
  sampler_[slot][type] = value;
  samplerDirty_ |= 1u << slot;
  return true;
}

}  // namespace ember::d3d9
