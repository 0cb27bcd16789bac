#include "runtime/fx/states.h"

#include <cctype>
#include <iterator>

namespace ember {
namespace {

using namespace d3d;

#define EMBER_FX_NAMES(table) table, std::size(table)

const FxEnumName kFillNames[] = {
    {"Point", FILL_POINT}, {"Wireframe", FILL_WIREFRAME}, {"Solid", FILL_SOLID}};

const FxEnumName kShadeNames[] = {
    {"Flat", SHADE_FLAT}, {"Gouraud", SHADE_GOURAUD}, {"Phong", SHADE_PHONG}};

const FxEnumName kCullNames[] = {{"None", CULL_NONE}, {"CW", CULL_CW}, {"CCW", CULL_CCW}};

const FxEnumName kBlendNames[] = {
    {"Zero", BLEND_ZERO},
    {"One", BLEND_ONE},
    {"SrcColor", BLEND_SRCCOLOR},
    {"InvSrcColor", BLEND_INVSRCCOLOR},
    {"SrcAlpha", BLEND_SRCALPHA},
    {"InvSrcAlpha", BLEND_INVSRCALPHA},
    {"DestAlpha", BLEND_DESTALPHA},
    {"InvDestAlpha", BLEND_INVDESTALPHA},
    {"DestColor", BLEND_DESTCOLOR},
    {"InvDestColor", BLEND_INVDESTCOLOR},
    {"SrcAlphaSat", BLEND_SRCALPHASAT},
    {"BothSrcAlpha", BLEND_BOTHSRCALPHA},
    {"BothInvSrcAlpha", BLEND_BOTHINVSRCALPHA},
    {"BlendFactor", BLEND_BLENDFACTOR},
    {"InvBlendFactor", BLEND_INVBLENDFACTOR},
};

const FxEnumName kBlendOpNames[] = {
    {"Add", BLENDOP_ADD}, {"Subtract", BLENDOP_SUBTRACT}, {"RevSubtract", BLENDOP_REVSUBTRACT},
    {"Min", BLENDOP_MIN}, {"Max", BLENDOP_MAX},
};

const FxEnumName kCmpNames[] = {
    {"Never", CMP_NEVER},
    {"Less", CMP_LESS},
    {"Equal", CMP_EQUAL},
    {"LessEqual", CMP_LESSEQUAL},
    {"Greater", CMP_GREATER},
    {"NotEqual", CMP_NOTEQUAL},
    {"GreaterEqual", CMP_GREATEREQUAL},
    {"Always", CMP_ALWAYS},
};

const FxEnumName kStencilOpNames[] = {
    {"Keep", STENCILOP_KEEP},       {"Zero", STENCILOP_ZERO},       {"Replace", STENCILOP_REPLACE},
    {"IncrSat", STENCILOP_INCRSAT}, {"DecrSat", STENCILOP_DECRSAT}, {"Invert", STENCILOP_INVERT},
    {"Incr", STENCILOP_INCR},       {"Decr", STENCILOP_DECR},
};

const FxEnumName kColorWriteNames[] = {
    {"Red", COLORWRITEENABLE_RED},
    {"Green", COLORWRITEENABLE_GREEN},
    {"Blue", COLORWRITEENABLE_BLUE},
    {"Alpha", COLORWRITEENABLE_ALPHA},
};

const FxEnumName kFilterNames[] = {
    {"None", TEXF_NONE},
    {"Point", TEXF_POINT},
    {"Linear", TEXF_LINEAR},
    {"Anisotropic", TEXF_ANISOTROPIC},
    {"PyramidalQuad", TEXF_PYRAMIDALQUAD},
    {"GaussianQuad", TEXF_GAUSSIANQUAD},
};

const FxEnumName kAddressNames[] = {
    {"Wrap", TADDRESS_WRAP},     {"Mirror", TADDRESS_MIRROR},         {"Clamp", TADDRESS_CLAMP},
    {"Border", TADDRESS_BORDER}, {"MirrorOnce", TADDRESS_MIRRORONCE},
};

const FxStateInfo kRenderStates[] = {
    {"ZEnable", RS_ZENABLE, FxValueKind::Bool, nullptr, 0},
    {"FillMode", RS_FILLMODE, FxValueKind::Enum, EMBER_FX_NAMES(kFillNames)},
    {"ShadeMode", RS_SHADEMODE, FxValueKind::Enum, EMBER_FX_NAMES(kShadeNames)},
    {"ZWriteEnable", RS_ZWRITEENABLE, FxValueKind::Bool, nullptr, 0},
    {"AlphaTestEnable", RS_ALPHATESTENABLE, FxValueKind::Bool, nullptr, 0},
    {"LastPixel", RS_LASTPIXEL, FxValueKind::Bool, nullptr, 0},
    {"SrcBlend", RS_SRCBLEND, FxValueKind::Enum, EMBER_FX_NAMES(kBlendNames)},
    {"DestBlend", RS_DESTBLEND, FxValueKind::Enum, EMBER_FX_NAMES(kBlendNames)},
    {"CullMode", RS_CULLMODE, FxValueKind::Enum, EMBER_FX_NAMES(kCullNames)},
    {"ZFunc", RS_ZFUNC, FxValueKind::Enum, EMBER_FX_NAMES(kCmpNames)},
    {"AlphaRef", RS_ALPHAREF, FxValueKind::Int, nullptr, 0},
    {"AlphaFunc", RS_ALPHAFUNC, FxValueKind::Enum, EMBER_FX_NAMES(kCmpNames)},
    {"DitherEnable", RS_DITHERENABLE, FxValueKind::Bool, nullptr, 0},
    {"AlphaBlendEnable", RS_ALPHABLENDENABLE, FxValueKind::Bool, nullptr, 0},
    {"StencilEnable", RS_STENCILENABLE, FxValueKind::Bool, nullptr, 0},
    {"StencilFail", RS_STENCILFAIL, FxValueKind::Enum, EMBER_FX_NAMES(kStencilOpNames)},
    {"StencilZFail", RS_STENCILZFAIL, FxValueKind::Enum, EMBER_FX_NAMES(kStencilOpNames)},
    {"StencilPass", RS_STENCILPASS, FxValueKind::Enum, EMBER_FX_NAMES(kStencilOpNames)},
    {"StencilFunc", RS_STENCILFUNC, FxValueKind::Enum, EMBER_FX_NAMES(kCmpNames)},
    {"StencilRef", RS_STENCILREF, FxValueKind::Int, nullptr, 0},
    {"StencilMask", RS_STENCILMASK, FxValueKind::Int, nullptr, 0},
    {"StencilWriteMask", RS_STENCILWRITEMASK, FxValueKind::Int, nullptr, 0},
    {"TextureFactor", RS_TEXTUREFACTOR, FxValueKind::Int, nullptr, 0},
    {"ColorWriteEnable", RS_COLORWRITEENABLE, FxValueKind::Flags, EMBER_FX_NAMES(kColorWriteNames)},
    {"BlendOp", RS_BLENDOP, FxValueKind::Enum, EMBER_FX_NAMES(kBlendOpNames)},
    {"ScissorTestEnable", RS_SCISSORTESTENABLE, FxValueKind::Bool, nullptr, 0},
    {"SlopeScaleDepthBias", RS_SLOPESCALEDEPTHBIAS, FxValueKind::Float, nullptr, 0},
    {"AntialiasedLineEnable", RS_ANTIALIASEDLINEENABLE, FxValueKind::Bool, nullptr, 0},
    {"TwoSidedStencilMode", RS_TWOSIDEDSTENCILMODE, FxValueKind::Bool, nullptr, 0},
    {"CCW_StencilFail", RS_CCW_STENCILFAIL, FxValueKind::Enum, EMBER_FX_NAMES(kStencilOpNames)},
    {"CCW_StencilZFail", RS_CCW_STENCILZFAIL, FxValueKind::Enum, EMBER_FX_NAMES(kStencilOpNames)},
    {"CCW_StencilPass", RS_CCW_STENCILPASS, FxValueKind::Enum, EMBER_FX_NAMES(kStencilOpNames)},
    {"CCW_StencilFunc", RS_CCW_STENCILFUNC, FxValueKind::Enum, EMBER_FX_NAMES(kCmpNames)},
    {"ColorWriteEnable1", RS_COLORWRITEENABLE1, FxValueKind::Flags,
     EMBER_FX_NAMES(kColorWriteNames)},
    {"ColorWriteEnable2", RS_COLORWRITEENABLE2, FxValueKind::Flags,
     EMBER_FX_NAMES(kColorWriteNames)},
    {"ColorWriteEnable3", RS_COLORWRITEENABLE3, FxValueKind::Flags,
     EMBER_FX_NAMES(kColorWriteNames)},
    {"BlendFactor", RS_BLENDFACTOR, FxValueKind::Int, nullptr, 0},
    {"SRGBWriteEnable", RS_SRGBWRITEENABLE, FxValueKind::Bool, nullptr, 0},
    {"DepthBias", RS_DEPTHBIAS, FxValueKind::Float, nullptr, 0},
    {"SeparateAlphaBlendEnable", RS_SEPARATEALPHABLENDENABLE, FxValueKind::Bool, nullptr, 0},
    {"SrcBlendAlpha", RS_SRCBLENDALPHA, FxValueKind::Enum, EMBER_FX_NAMES(kBlendNames)},
    {"DestBlendAlpha", RS_DESTBLENDALPHA, FxValueKind::Enum, EMBER_FX_NAMES(kBlendNames)},
    {"BlendOpAlpha", RS_BLENDOPALPHA, FxValueKind::Enum, EMBER_FX_NAMES(kBlendOpNames)},
};

const FxStateInfo kSamplerStates[] = {
    {"AddressU", SAMP_ADDRESSU, FxValueKind::Enum, EMBER_FX_NAMES(kAddressNames)},
    {"AddressV", SAMP_ADDRESSV, FxValueKind::Enum, EMBER_FX_NAMES(kAddressNames)},
    {"AddressW", SAMP_ADDRESSW, FxValueKind::Enum, EMBER_FX_NAMES(kAddressNames)},
    {"BorderColor", SAMP_BORDERCOLOR, FxValueKind::Int, nullptr, 0},
    {"MagFilter", SAMP_MAGFILTER, FxValueKind::Enum, EMBER_FX_NAMES(kFilterNames)},
    {"MinFilter", SAMP_MINFILTER, FxValueKind::Enum, EMBER_FX_NAMES(kFilterNames)},
    {"MipFilter", SAMP_MIPFILTER, FxValueKind::Enum, EMBER_FX_NAMES(kFilterNames)},
    {"MipMapLodBias", SAMP_MIPMAPLODBIAS, FxValueKind::Float, nullptr, 0},
    {"MaxMipLevel", SAMP_MAXMIPLEVEL, FxValueKind::Int, nullptr, 0},
    {"MaxAnisotropy", SAMP_MAXANISOTROPY, FxValueKind::Int, nullptr, 0},
    {"SRGBTexture", SAMP_SRGBTEXTURE, FxValueKind::Bool, nullptr, 0},
};

#undef EMBER_FX_NAMES

struct UsageName {
  const char* name;
  uint32_t usage;
};

// Longest names first where one is a prefix of another (POSITIONT, POSITION).
const UsageName kUsageNames[] = {
    {"POSITIONT", DECLUSAGE_POSITIONT},
    {"POSITION", DECLUSAGE_POSITION},
    {"BLENDWEIGHT", DECLUSAGE_BLENDWEIGHT},
    {"BLENDINDICES", DECLUSAGE_BLENDINDICES},
    {"NORMAL", DECLUSAGE_NORMAL},
    {"PSIZE", DECLUSAGE_PSIZE},
    {"TEXCOORD", DECLUSAGE_TEXCOORD},
    {"TANGENT", DECLUSAGE_TANGENT},
    {"BINORMAL", DECLUSAGE_BINORMAL},
    {"TESSFACTOR", DECLUSAGE_TESSFACTOR},
    {"COLOR", DECLUSAGE_COLOR},
    {"FOG", DECLUSAGE_FOG},
    {"DEPTH", DECLUSAGE_DEPTH},
    {"SAMPLE", DECLUSAGE_SAMPLE},
};

template <size_t N>
const FxStateInfo* FindIn(const FxStateInfo (&table)[N], std::string_view name) {
  for (const FxStateInfo& info : table) {
    if (EqualsNoCase(info.name, name)) return &info;
  }
  return nullptr;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

const FxStateInfo* FindRenderState(std::string_view name) { return FindIn(kRenderStates, name); }

const FxStateInfo* FindSamplerState(std::string_view name) { return FindIn(kSamplerStates, name); }

bool FindStateValueName(const FxStateInfo& state, std::string_view name, uint32_t& value) {
  for (size_t i = 0; i < state.nameCount; ++i) {
    if (EqualsNoCase(state.names[i].name, name)) {
      value = state.names[i].value;
      return true;
    }
  }
  return false;
}

bool ParseDeclUsage(std::string_view semantic, uint32_t& usage, uint32_t& usageIndex) {
  for (const UsageName& entry : kUsageNames) {
    std::string_view name = entry.name;
    if (!StartsWithNoCase(semantic, name)) continue;
    std::string_view digits = semantic.substr(name.size());
    if (digits.size() > 2) return false;
    uint32_t index = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return false;
      index = index * 10 + static_cast<uint32_t>(c - '0');
    }
    usage = entry.usage;
    usageIndex = index;
    return true;
  }
  return false;
}

}  // namespace ember
