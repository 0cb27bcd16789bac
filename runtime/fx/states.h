// The Direct3D 9 numbers behind effect state assignments, with their
// documented values (D3DRENDERSTATETYPE, D3DSAMPLERSTATETYPE and the value
// enumerations), and the tables that map effect spellings onto them.
#pragma once

#include <cstdint>
#include <string_view>

namespace ember {
namespace d3d {

// D3DRENDERSTATETYPE
constexpr uint32_t RS_ZENABLE = 7;
constexpr uint32_t RS_FILLMODE = 8;
constexpr uint32_t RS_SHADEMODE = 9;
constexpr uint32_t RS_ZWRITEENABLE = 14;
constexpr uint32_t RS_ALPHATESTENABLE = 15;
constexpr uint32_t RS_LASTPIXEL = 16;
constexpr uint32_t RS_SRCBLEND = 19;
constexpr uint32_t RS_DESTBLEND = 20;
constexpr uint32_t RS_CULLMODE = 22;
constexpr uint32_t RS_ZFUNC = 23;
constexpr uint32_t RS_ALPHAREF = 24;
constexpr uint32_t RS_ALPHAFUNC = 25;
constexpr uint32_t RS_DITHERENABLE = 26;
constexpr uint32_t RS_ALPHABLENDENABLE = 27;
constexpr uint32_t RS_STENCILENABLE = 52;
constexpr uint32_t RS_STENCILFAIL = 53;
constexpr uint32_t RS_STENCILZFAIL = 54;
constexpr uint32_t RS_STENCILPASS = 55;
constexpr uint32_t RS_STENCILFUNC = 56;
constexpr uint32_t RS_STENCILREF = 57;
constexpr uint32_t RS_STENCILMASK = 58;
constexpr uint32_t RS_STENCILWRITEMASK = 59;
constexpr uint32_t RS_TEXTUREFACTOR = 60;
constexpr uint32_t RS_COLORWRITEENABLE = 168;
constexpr uint32_t RS_BLENDOP = 171;
constexpr uint32_t RS_SCISSORTESTENABLE = 174;
constexpr uint32_t RS_SLOPESCALEDEPTHBIAS = 175;
constexpr uint32_t RS_ANTIALIASEDLINEENABLE = 176;
constexpr uint32_t RS_TWOSIDEDSTENCILMODE = 185;
constexpr uint32_t RS_CCW_STENCILFAIL = 186;
constexpr uint32_t RS_CCW_STENCILZFAIL = 187;
constexpr uint32_t RS_CCW_STENCILPASS = 188;
constexpr uint32_t RS_CCW_STENCILFUNC = 189;
constexpr uint32_t RS_COLORWRITEENABLE1 = 190;
constexpr uint32_t RS_COLORWRITEENABLE2 = 191;
constexpr uint32_t RS_COLORWRITEENABLE3 = 192;
constexpr uint32_t RS_BLENDFACTOR = 193;
constexpr uint32_t RS_SRGBWRITEENABLE = 194;
constexpr uint32_t RS_DEPTHBIAS = 195;
constexpr uint32_t RS_SEPARATEALPHABLENDENABLE = 206;
constexpr uint32_t RS_SRCBLENDALPHA = 207;
constexpr uint32_t RS_DESTBLENDALPHA = 208;
constexpr uint32_t RS_BLENDOPALPHA = 209;

// D3DSAMPLERSTATETYPE
constexpr uint32_t SAMP_ADDRESSU = 1;
constexpr uint32_t SAMP_ADDRESSV = 2;
constexpr uint32_t SAMP_ADDRESSW = 3;
constexpr uint32_t SAMP_BORDERCOLOR = 4;
constexpr uint32_t SAMP_MAGFILTER = 5;
constexpr uint32_t SAMP_MINFILTER = 6;
constexpr uint32_t SAMP_MIPFILTER = 7;
constexpr uint32_t SAMP_MIPMAPLODBIAS = 8;
constexpr uint32_t SAMP_MAXMIPLEVEL = 9;
constexpr uint32_t SAMP_MAXANISOTROPY = 10;
constexpr uint32_t SAMP_SRGBTEXTURE = 11;

// D3DFILLMODE, D3DSHADEMODE, D3DCULL
constexpr uint32_t FILL_POINT = 1;
constexpr uint32_t FILL_WIREFRAME = 2;
constexpr uint32_t FILL_SOLID = 3;
constexpr uint32_t SHADE_FLAT = 1;
constexpr uint32_t SHADE_GOURAUD = 2;
constexpr uint32_t SHADE_PHONG = 3;
constexpr uint32_t CULL_NONE = 1;
constexpr uint32_t CULL_CW = 2;
constexpr uint32_t CULL_CCW = 3;

// D3DBLEND
constexpr uint32_t BLEND_ZERO = 1;
constexpr uint32_t BLEND_ONE = 2;
constexpr uint32_t BLEND_SRCCOLOR = 3;
constexpr uint32_t BLEND_INVSRCCOLOR = 4;
constexpr uint32_t BLEND_SRCALPHA = 5;
constexpr uint32_t BLEND_INVSRCALPHA = 6;
constexpr uint32_t BLEND_DESTALPHA = 7;
constexpr uint32_t BLEND_INVDESTALPHA = 8;
constexpr uint32_t BLEND_DESTCOLOR = 9;
constexpr uint32_t BLEND_INVDESTCOLOR = 10;
constexpr uint32_t BLEND_SRCALPHASAT = 11;
constexpr uint32_t BLEND_BOTHSRCALPHA = 12;
constexpr uint32_t BLEND_BOTHINVSRCALPHA = 13;
constexpr uint32_t BLEND_BLENDFACTOR = 14;
constexpr uint32_t BLEND_INVBLENDFACTOR = 15;

// D3DBLENDOP
constexpr uint32_t BLENDOP_ADD = 1;
constexpr uint32_t BLENDOP_SUBTRACT = 2;
constexpr uint32_t BLENDOP_REVSUBTRACT = 3;
constexpr uint32_t BLENDOP_MIN = 4;
constexpr uint32_t BLENDOP_MAX = 5;

// D3DCMPFUNC
constexpr uint32_t CMP_NEVER = 1;
constexpr uint32_t CMP_LESS = 2;
constexpr uint32_t CMP_EQUAL = 3;
constexpr uint32_t CMP_LESSEQUAL = 4;
constexpr uint32_t CMP_GREATER = 5;
constexpr uint32_t CMP_NOTEQUAL = 6;
constexpr uint32_t CMP_GREATEREQUAL = 7;
constexpr uint32_t CMP_ALWAYS = 8;

// D3DSTENCILOP
constexpr uint32_t STENCILOP_KEEP = 1;
constexpr uint32_t STENCILOP_ZERO = 2;
constexpr uint32_t STENCILOP_REPLACE = 3;
constexpr uint32_t STENCILOP_INCRSAT = 4;
constexpr uint32_t STENCILOP_DECRSAT = 5;
constexpr uint32_t STENCILOP_INVERT = 6;
constexpr uint32_t STENCILOP_INCR = 7;
constexpr uint32_t STENCILOP_DECR = 8;

// D3DCOLORWRITEENABLE flags
constexpr uint32_t COLORWRITEENABLE_RED = 1;
constexpr uint32_t COLORWRITEENABLE_GREEN = 2;
constexpr uint32_t COLORWRITEENABLE_BLUE = 4;
constexpr uint32_t COLORWRITEENABLE_ALPHA = 8;

// D3DTEXTUREFILTERTYPE
constexpr uint32_t TEXF_NONE = 0;
constexpr uint32_t TEXF_POINT = 1;
constexpr uint32_t TEXF_LINEAR = 2;
constexpr uint32_t TEXF_ANISOTROPIC = 3;
constexpr uint32_t TEXF_PYRAMIDALQUAD = 6;
constexpr uint32_t TEXF_GAUSSIANQUAD = 7;

// D3DTEXTUREADDRESS
constexpr uint32_t TADDRESS_WRAP = 1;
constexpr uint32_t TADDRESS_MIRROR = 2;
constexpr uint32_t TADDRESS_CLAMP = 3;
constexpr uint32_t TADDRESS_BORDER = 4;
constexpr uint32_t TADDRESS_MIRRORONCE = 5;

// D3DDECLUSAGE
constexpr uint32_t DECLUSAGE_POSITION = 0;
constexpr uint32_t DECLUSAGE_BLENDWEIGHT = 1;
constexpr uint32_t DECLUSAGE_BLENDINDICES = 2;
constexpr uint32_t DECLUSAGE_NORMAL = 3;
constexpr uint32_t DECLUSAGE_PSIZE = 4;
constexpr uint32_t DECLUSAGE_TEXCOORD = 5;
constexpr uint32_t DECLUSAGE_TANGENT = 6;
constexpr uint32_t DECLUSAGE_BINORMAL = 7;
constexpr uint32_t DECLUSAGE_TESSFACTOR = 8;
constexpr uint32_t DECLUSAGE_POSITIONT = 9;
constexpr uint32_t DECLUSAGE_COLOR = 10;
constexpr uint32_t DECLUSAGE_FOG = 11;
constexpr uint32_t DECLUSAGE_DEPTH = 12;
constexpr uint32_t DECLUSAGE_SAMPLE = 13;

}  // namespace d3d

enum class FxValueKind {
  Bool,   // true/false, or an integer
  Int,    // an integer, decimal or 0x hexadecimal
  Float,  // a number, stored as the float's bits
  Enum,   // a name of the state's enumeration, or an integer
  Flags,  // names of the enumeration joined by '|', or an integer
};

struct FxEnumName {
  const char* name;
  uint32_t value;
};

struct FxStateInfo {
  const char* name;  // the effect spelling, matched without regard to case
  uint32_t type;
  FxValueKind kind;
  const FxEnumName* names;  // for Enum and Flags
  size_t nameCount;
};

// Null when the name is not a state this runtime knows.
const FxStateInfo* FindRenderState(std::string_view name);
const FxStateInfo* FindSamplerState(std::string_view name);

// Looks `name` up among the state's enumeration, without regard to case.
bool FindStateValueName(const FxStateInfo& state, std::string_view name, uint32_t& value);

// "TEXCOORD3" -> TEXCOORD, 3; "POSITION" -> POSITION, 0. False for a
// semantic that is no vertex declaration usage.
bool ParseDeclUsage(std::string_view semantic, uint32_t& usage, uint32_t& usageIndex);

bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace ember
