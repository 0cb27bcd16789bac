#include "runtime/d3d9/render_state_flush.h"

#include "runtime/d3d9/gl_conventions.h"

namespace ember::d3d9 {

namespace {

// Documented, though absent from the enumeration the program uses.
constexpr DWORD kBlendBothSrcAlpha = 12;
constexpr DWORD kBlendBothInvSrcAlpha = 13;

void FlushBlend(const DeviceStates& states, GLStateCache& gl) {
  gl.Blend(states.Render(D3DRS_ALPHABLENDENABLE) != FALSE);
  const DWORD src = states.Render(D3DRS_SRCBLEND), dst = states.Render(D3DRS_DESTBLEND);
  const DWORD op = states.Render(D3DRS_BLENDOP);
  const bool separate = states.Render(D3DRS_SEPARATEALPHABLENDENABLE) != FALSE;
  const DWORD srcAlpha = separate ? states.Render(D3DRS_SRCBLENDALPHA) : src;
  const DWORD dstAlpha = separate ? states.Render(D3DRS_DESTBLENDALPHA) : dst;
  const DWORD opAlpha = separate ? states.Render(D3DRS_BLENDOPALPHA) : op;
  gl.BlendFunc(BlendFactor(src, true), BlendFactor(dst, false), BlendFactor(srcAlpha, true),
               BlendFactor(dstAlpha, false));
  gl.BlendEquation(BlendOperation(op), BlendOperation(opAlpha));
  // Direct3D's bits are red, green, blue, alpha from bit 0, as the cache takes them.
  gl.ColorMask(unsigned(states.Render(D3DRS_COLORWRITEENABLE) & 0xF));
}

void FlushBlendFactor(const DeviceStates& states, GLStateCache& gl) {
  const DWORD c = states.Render(D3DRS_BLENDFACTOR);
  gl.BlendColor(float((c >> 16) & 0xFF) / 255.0f, float((c >> 8) & 0xFF) / 255.0f,
                float(c & 0xFF) / 255.0f, float(c >> 24) / 255.0f);
}

void FlushDepth(const DeviceStates& states, GLStateCache& gl) {
  // GL writes no depth while its test is off, as Direct3D with the z buffer disabled.
  gl.DepthTest(states.Render(D3DRS_ZENABLE) != D3DZB_FALSE);
  gl.DepthMask(states.Render(D3DRS_ZWRITEENABLE) != FALSE);
  gl.DepthFunc(CompareFunction(states.Render(D3DRS_ZFUNC)));
}

void FlushRaster(const DeviceStates& states, GLStateCache& gl, int width, int height) {
  gl.Cull(CulledFace(states.Render(D3DRS_CULLMODE)));
  if (states.Render(D3DRS_SCISSORTESTENABLE) != FALSE)
    gl.Scissor(true, 0, 0, width, height);
  else
    gl.Scissor(false);
}

}  // namespace

GLenum BlendFactor(DWORD d3dBlend, bool source) {
  switch (d3dBlend) {
    case D3DBLEND_ZERO:
      return GL_ZERO;
    case D3DBLEND_ONE:
      return GL_ONE;
    case D3DBLEND_SRCCOLOR:
      return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
      return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
      return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
      return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
      return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
      return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
      return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
      return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT:
      return GL_SRC_ALPHA_SATURATE;
    case kBlendBothSrcAlpha:
      return source ? GL_SRC_ALPHA : GL_ONE_MINUS_SRC_ALPHA;
    case kBlendBothInvSrcAlpha:
      return source ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
    case D3DBLEND_BLENDFACTOR:
      return GL_CONSTANT_COLOR;
    case D3DBLEND_INVBLENDFACTOR:
      return GL_ONE_MINUS_CONSTANT_COLOR;
    default:
      // An unknown factor: Direct3D's defaults, ONE for the source and ZERO for the destination.
      return source ? GL_ONE : GL_ZERO;
  }
}

GLenum BlendOperation(DWORD d3dBlendOp) {
  switch (d3dBlendOp) {
    case D3DBLENDOP_SUBTRACT:
      return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT:
      return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN:
      return GL_MIN;
    case D3DBLENDOP_MAX:
      return GL_MAX;
    default:
      return GL_FUNC_ADD;
  }
}

GLenum CompareFunction(DWORD d3dCmp) {
  switch (d3dCmp) {
    case D3DCMP_NEVER:
      return GL_NEVER;
    case D3DCMP_LESS:
      return GL_LESS;
    case D3DCMP_EQUAL:
      return GL_EQUAL;
    case D3DCMP_LESSEQUAL:
      return GL_LEQUAL;
    case D3DCMP_GREATER:
      return GL_GREATER;
    case D3DCMP_NOTEQUAL:
      return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL:
      return GL_GEQUAL;
    default:
      return GL_ALWAYS;
  }
}

void FlushRenderStates(DeviceStates& states, GLStateCache& gl, int targetWidth, int targetHeight) {
  const unsigned dirty = states.DirtyGroups();
  if (dirty & kGroupBlend) FlushBlend(states, gl);
  // The blend factor colour is one of the "other" states; the cache drops a repeat.
  if (dirty & kGroupOther) FlushBlendFactor(states, gl);
  if (dirty & kGroupDepth) FlushDepth(states, gl);
  if (dirty & kGroupRaster) FlushRaster(states, gl, targetWidth, targetHeight);
  states.ClearDirty(kGroupBlend | kGroupOther | kGroupDepth | kGroupRaster);
}

}  // namespace ember::d3d9
