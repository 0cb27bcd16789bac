#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/fx/parser.h"
#include "runtime/fx/states.h"

namespace ember {
namespace {

std::string ReadTestFile(const char* name) {
  std::ifstream file(std::string(EMBER_FX_TEST_DATA) + "/" + name, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream stream(text);
  std::string line;
  while (std::getline(stream, line)) lines.push_back(line);
  return lines;
}

// Runs of spaces as one, none at the end: how a blanked line reads.
std::string Squeeze(const std::string& line) {
  std::string out;
  for (char c : line) {
    if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
    out += c;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

uint32_t FloatBits(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// An effect around one pass body, for the state tests.
std::string PassEffect(const std::string& states) {
  return "texture tex;\n"
         "technique T\n"
         "{\n"
         "    pass P\n"
         "    {\n" +
         states +
         "    }\n"
         "}\n";
}

class FxParserFlame : public ::testing::Test {
 protected:
  void SetUp() override {
    source_ = ReadTestFile("flame.fx");
    ASSERT_FALSE(source_.empty());
    ASSERT_TRUE(ParseEffect(source_, "flame.fx", effect_, error_)) << error_;
  }

  const FxParameter& Param(const char* name) {
    int index = FindParameter(effect_, name);
    EXPECT_GE(index, 0) << name;
    return effect_.parameters.at(index < 0 ? 0 : index);
  }

  std::string source_;
  FxEffect effect_;
  std::string error_;
};

TEST_F(FxParserFlame, ParametersComeInDeclarationOrder) {
  const char* names[] = {"wvp",           "world",        "ticks",       "noiseFreq",
                         "noiseStrength", "timeScale",    "noiseScale",  "noiseAnim",
                         "flameColor",    "flameScale",   "flameTrans",  "noiseTexture",
                         "flameTexture",  "noiseSampler", "flameSampler"};
  ASSERT_EQ(effect_.parameters.size(), std::size(names));
  for (size_t i = 0; i < std::size(names); ++i) {
    EXPECT_EQ(effect_.parameters[i].name, names[i]);
    EXPECT_EQ(FindParameter(effect_, names[i]), static_cast<int>(i));
  }
  EXPECT_EQ(FindParameter(effect_, "noSuchParameter"), -1);
}

TEST_F(FxParserFlame, NumericParametersHaveTypesSemanticsAndInitialValues) {
  const FxParameter& wvp = Param("wvp");
  EXPECT_EQ(wvp.type, FxType::Float);
  EXPECT_EQ(wvp.cls, FxClass::Matrix);
  EXPECT_EQ(wvp.rows, 4u);
  EXPECT_EQ(wvp.columns, 4u);
  EXPECT_EQ(wvp.semantic, "WORLDVIEWPROJECTION");
  EXPECT_TRUE(wvp.initialValue.empty());
  EXPECT_EQ(wvp.where.line, 4u);
  EXPECT_EQ(wvp.where.column, 10u);

  EXPECT_EQ(Param("world").semantic, "WORLD");

  const FxParameter& ticks = Param("ticks");
  EXPECT_EQ(ticks.cls, FxClass::Scalar);
  EXPECT_EQ(ticks.semantic, "TIME");
  EXPECT_EQ(ticks.initialValue, std::vector<float>({0.0f}));

  EXPECT_EQ(Param("noiseFreq").initialValue, std::vector<float>({0.3f}));
  EXPECT_EQ(Param("noiseStrength").initialValue, std::vector<float>({0.5f}));
  EXPECT_EQ(Param("timeScale").initialValue, std::vector<float>({0.5f}));

  const FxParameter& noiseScale = Param("noiseScale");
  EXPECT_EQ(noiseScale.cls, FxClass::Vector);
  EXPECT_EQ(noiseScale.rows, 1u);
  EXPECT_EQ(noiseScale.columns, 3u);
  EXPECT_EQ(noiseScale.initialValue, std::vector<float>({0.5f, 0.5f, 0.5f}));
  EXPECT_EQ(Param("noiseAnim").initialValue, std::vector<float>({0.4f, -1.9f, 0.8f}));

  const FxParameter& flameColor = Param("flameColor");
  EXPECT_EQ(flameColor.columns, 4u);
  EXPECT_EQ(flameColor.semantic, "DIFFUSE");
  EXPECT_EQ(flameColor.initialValue, std::vector<float>({0.4f, 0.3f, 0.3f, 1.0f}));
  EXPECT_EQ(Param("flameScale").initialValue, std::vector<float>({0.25f, -0.18f, 0.22f}));
  EXPECT_EQ(Param("flameTrans").initialValue, std::vector<float>({0.0f, -0.1f, 0.0f}));
}

TEST_F(FxParserFlame, AnnotationsAreRead) {
  const FxParameter& noiseFreq = Param("noiseFreq");
  ASSERT_EQ(noiseFreq.annotations.size(), 2u);
  EXPECT_EQ(noiseFreq.annotations[0].type, "string");
  EXPECT_EQ(noiseFreq.annotations[0].name, "UIName");
  EXPECT_EQ(noiseFreq.annotations[0].stringValue, "Noise frequency");
  EXPECT_EQ(noiseFreq.annotations[1].type, "float");
  EXPECT_EQ(noiseFreq.annotations[1].name, "UIMin");
  EXPECT_EQ(noiseFreq.annotations[1].values, std::vector<float>({0.0f}));

  const FxParameter& noiseTexture = Param("noiseTexture");
  ASSERT_EQ(noiseTexture.annotations.size(), 1u);
  EXPECT_EQ(noiseTexture.annotations[0].name, "ResourceName");
  EXPECT_EQ(noiseTexture.annotations[0].stringValue, "noiseL8_32x32x32.dds");
}

TEST_F(FxParserFlame, TexturesAndSamplersAreBound) {
  const FxParameter& noiseTexture = Param("noiseTexture");
  EXPECT_EQ(noiseTexture.type, FxType::Texture3D);
  EXPECT_EQ(noiseTexture.cls, FxClass::Object);
  EXPECT_EQ(noiseTexture.dimension, FxDimension::Tex3D);
  EXPECT_EQ(Param("flameTexture").type, FxType::Texture);
  EXPECT_EQ(Param("flameTexture").dimension, FxDimension::Any);

  const FxParameter& noise = Param("noiseSampler");
  EXPECT_EQ(noise.type, FxType::Sampler3D);
  EXPECT_EQ(noise.dimension, FxDimension::Tex3D);
  EXPECT_EQ(noise.samplerTexture, "noiseTexture");
  EXPECT_EQ(noise.samplerTextureIndex, FindParameter(effect_, "noiseTexture"));
  struct Expected {
    const char* name;
    uint32_t type;
    uint32_t value;
  };
  const Expected noiseStates[] = {
      {"MinFilter", 6, 2}, {"MagFilter", 5, 2}, {"MipFilter", 7, 2},
      {"AddressU", 1, 1},  {"AddressV", 2, 1},  {"AddressW", 3, 1},
  };
  ASSERT_EQ(noise.samplerStates.size(), std::size(noiseStates));
  for (size_t i = 0; i < std::size(noiseStates); ++i) {
    EXPECT_EQ(noise.samplerStates[i].name, noiseStates[i].name);
    EXPECT_EQ(noise.samplerStates[i].type, noiseStates[i].type) << noiseStates[i].name;
    EXPECT_EQ(noise.samplerStates[i].value, noiseStates[i].value) << noiseStates[i].name;
    EXPECT_TRUE(noise.samplerStates[i].supported);
  }
  EXPECT_EQ(noise.samplerStates[0].where.line, 23u);
  EXPECT_EQ(noise.samplerStates[0].where.column, 5u);

  const FxParameter& flame = Param("flameSampler");
  EXPECT_EQ(flame.type, FxType::Sampler2D);
  EXPECT_EQ(flame.samplerTextureIndex, FindParameter(effect_, "flameTexture"));
  const Expected flameStates[] = {
      {"MinFilter", 6, 2}, {"MagFilter", 5, 2}, {"MipFilter", 7, 0},
      {"AddressU", 1, 3},  {"AddressV", 2, 3},
  };
  ASSERT_EQ(flame.samplerStates.size(), std::size(flameStates));
  for (size_t i = 0; i < std::size(flameStates); ++i) {
    EXPECT_EQ(flame.samplerStates[i].type, flameStates[i].type) << flameStates[i].name;
    EXPECT_EQ(flame.samplerStates[i].value, flameStates[i].value) << flameStates[i].name;
  }
}

TEST_F(FxParserFlame, TechniqueAndPassStates) {
  ASSERT_EQ(effect_.techniques.size(), 1u);
  const FxTechnique& technique = effect_.techniques[0];
  EXPECT_EQ(technique.name, "Flame");
  ASSERT_EQ(technique.passes.size(), 1u);
  const FxPass& pass = technique.passes[0];
  EXPECT_EQ(pass.name, "P0");
  struct Expected {
    const char* name;
    uint32_t type;
    uint32_t value;
    const char* raw;
  };
  const Expected states[] = {
      {"AlphaBlendEnable", 27, 1, "true"}, {"SrcBlend", 19, 2, "One"},  {"DestBlend", 20, 2, "One"},
      {"ZWriteEnable", 14, 0, "false"},    {"CullMode", 22, 1, "None"},
  };
  ASSERT_EQ(pass.states.size(), std::size(states));
  for (size_t i = 0; i < std::size(states); ++i) {
    EXPECT_EQ(pass.states[i].name, states[i].name);
    EXPECT_EQ(pass.states[i].type, states[i].type) << states[i].name;
    EXPECT_EQ(pass.states[i].value, states[i].value) << states[i].name;
    EXPECT_EQ(pass.states[i].rawValue, states[i].raw);
    EXPECT_TRUE(pass.states[i].supported);
    EXPECT_EQ(pass.states[i].where.line, 83u + i);
    EXPECT_EQ(pass.states[i].where.column, 9u);
  }

  EXPECT_TRUE(pass.vertexShader.present);
  EXPECT_EQ(pass.vertexShader.profile, "vs_3_0");
  EXPECT_EQ(pass.vertexShader.major, 3u);
  EXPECT_EQ(pass.vertexShader.minor, 0u);
  EXPECT_EQ(pass.vertexShader.entry, "FlameVS");
  EXPECT_TRUE(pass.vertexShader.args.empty());
  EXPECT_EQ(pass.vertexShader.where.line, 88u);
  EXPECT_EQ(pass.vertexShader.where.column, 39u);
  EXPECT_TRUE(pass.pixelShader.present);
  EXPECT_EQ(pass.pixelShader.profile, "ps_3_0");
  EXPECT_EQ(pass.pixelShader.entry, "FlamePS");
  EXPECT_EQ(pass.pixelShader.where.line, 89u);
}

TEST_F(FxParserFlame, FunctionSignaturesAreRecorded) {
  ASSERT_EQ(effect_.functions.size(), 2u);
  const FxFunction& vs = effect_.functions[0];
  EXPECT_EQ(vs.name, "FlameVS");
  EXPECT_EQ(vs.returnType, "VertexOut");
  ASSERT_EQ(vs.params.size(), 1u);
  EXPECT_EQ(vs.params[0].text, "VertexIn input");
  EXPECT_EQ(vs.params[0].name, "input");
  const FxFunction& ps = effect_.functions[1];
  EXPECT_EQ(ps.name, "FlamePS");
  EXPECT_EQ(ps.returnSemantic, ": COLOR0");
  ASSERT_EQ(ps.params.size(), 3u);
  EXPECT_EQ(ps.params[1].text, "float2 uv : TEXCOORD0");
  EXPECT_EQ(ps.params[1].name, "uv");
  EXPECT_FALSE(ps.params[1].isUniform);
}

TEST_F(FxParserFlame, HlslKeepsEveryLineAndColumn) {
  EXPECT_EQ(effect_.source, source_);
  std::vector<std::string> original = Lines(source_);
  std::vector<std::string> hlsl = Lines(effect_.hlsl);
  ASSERT_EQ(hlsl.size(), original.size());
  for (size_t i = 0; i < hlsl.size(); ++i)
    EXPECT_EQ(hlsl[i].size(), original[i].size()) << "line " << i + 1;

  EXPECT_EQ(Squeeze(hlsl[3]), "float4x4 wvp ;");
  EXPECT_EQ(Squeeze(hlsl[5]), "float ticks ;");
  EXPECT_EQ(Squeeze(hlsl[7]), "float noiseFreq ;");
  EXPECT_EQ(Squeeze(hlsl[11]), "float3 noiseAnim ;");
  EXPECT_EQ(Squeeze(hlsl[16]), "");  // texture3D noiseTexture
  EXPECT_EQ(Squeeze(hlsl[17]), "");  // texture flameTexture
  EXPECT_EQ(Squeeze(hlsl[19]), "sampler3D noiseSampler;");
  for (size_t i = 20; i < 29; ++i) EXPECT_EQ(Squeeze(hlsl[i]), "") << "line " << i + 1;
  EXPECT_EQ(Squeeze(hlsl[30]), "sampler2D flameSampler;");
  for (size_t i = 78; i < hlsl.size(); ++i) EXPECT_EQ(Squeeze(hlsl[i]), "") << "line " << i + 1;
  // Plain HLSL goes through untouched.
  for (size_t i = 39; i < 78; ++i) EXPECT_EQ(hlsl[i], original[i]) << "line " << i + 1;
}

TEST(FxParserStates, RenderStateValuesMapToDirect3DNumbers) {
  std::string source = PassEffect(
      "        ZEnable = TRUE;\n"
      "        ZFunc = LessEqual;\n"
      "        AlphaRef = 0x80;\n"
      "        AlphaFunc = greater;\n"
      "        ColorWriteEnable = Red | Green | Alpha;\n"
      "        BlendOp = RevSubtract;\n"
      "        SeparateAlphaBlendEnable = FALSE;\n"
      "        SrcBlendAlpha = InvSrcAlpha;\n"
      "        DestBlendAlpha = Zero;\n"
      "        BlendOpAlpha = Max;\n"
      "        StencilEnable = true;\n"
      "        DepthBias = -0.5;\n"
      "        StencilRef = 3;\n"
      "        CCW_StencilFunc = Always;\n"
      "        FillMode = Wireframe;\n"
      "        STENCILPASS = Replace;\n"
      "        AlphaTestEnable = 1;\n");
  FxEffect effect;
  std::string error;
  ASSERT_TRUE(ParseEffect(source, "states.fx", effect, error)) << error;
  const std::vector<FxState>& states = effect.techniques.at(0).passes.at(0).states;
  const std::pair<uint32_t, uint32_t> expected[] = {
      {7, 1},   {23, 4},  {24, 0x80}, {25, 5},  {168, 11}, {171, 3},
      {206, 0}, {207, 6}, {208, 1},   {209, 5}, {52, 1},   {195, FloatBits(-0.5f)},
      {57, 3},  {189, 8}, {8, 2},     {55, 3},  {15, 1},
  };
  ASSERT_EQ(states.size(), std::size(expected));
  for (size_t i = 0; i < states.size(); ++i) {
    EXPECT_EQ(states[i].type, expected[i].first) << states[i].name;
    EXPECT_EQ(states[i].value, expected[i].second) << states[i].name;
    EXPECT_TRUE(states[i].supported) << states[i].name;
  }
}

TEST(FxParserStates, NamedConstantsHaveTheDocumentedValues) {
  EXPECT_EQ(d3d::RS_ZENABLE, 7u);
  EXPECT_EQ(d3d::RS_FILLMODE, 8u);
  EXPECT_EQ(d3d::RS_ZWRITEENABLE, 14u);
  EXPECT_EQ(d3d::RS_ALPHATESTENABLE, 15u);
  EXPECT_EQ(d3d::RS_SRCBLEND, 19u);
  EXPECT_EQ(d3d::RS_DESTBLEND, 20u);
  EXPECT_EQ(d3d::RS_CULLMODE, 22u);
  EXPECT_EQ(d3d::RS_ZFUNC, 23u);
  EXPECT_EQ(d3d::RS_ALPHAREF, 24u);
  EXPECT_EQ(d3d::RS_ALPHAFUNC, 25u);
  EXPECT_EQ(d3d::RS_ALPHABLENDENABLE, 27u);
  EXPECT_EQ(d3d::RS_STENCILENABLE, 52u);
  EXPECT_EQ(d3d::RS_COLORWRITEENABLE, 168u);
  EXPECT_EQ(d3d::RS_BLENDOP, 171u);
  EXPECT_EQ(d3d::RS_SEPARATEALPHABLENDENABLE, 206u);
  EXPECT_EQ(d3d::RS_SRCBLENDALPHA, 207u);
  EXPECT_EQ(d3d::RS_DESTBLENDALPHA, 208u);
  EXPECT_EQ(d3d::RS_BLENDOPALPHA, 209u);
  EXPECT_EQ(d3d::SAMP_MIPFILTER, 7u);
  EXPECT_EQ(d3d::BLEND_INVDESTCOLOR, 10u);
  EXPECT_EQ(d3d::CMP_GREATEREQUAL, 7u);
  EXPECT_EQ(d3d::TADDRESS_MIRRORONCE, 5u);
  EXPECT_EQ(d3d::TEXF_ANISOTROPIC, 3u);
  EXPECT_EQ(d3d::DECLUSAGE_COLOR, 10u);
}

TEST(FxParserStates, UnknownStatesAreKeptAndFlagged) {
  std::string source = PassEffect(
      "        Lighting = false;\n"
      "        Texture[0] = <tex>;\n"
      "        ZEnable = false;\n");
  FxEffect effect;
  std::string error;
  ASSERT_TRUE(ParseEffect(source, "states.fx", effect, error)) << error;
  const std::vector<FxState>& states = effect.techniques.at(0).passes.at(0).states;
  ASSERT_EQ(states.size(), 3u);
  EXPECT_EQ(states[0].name, "Lighting");
  EXPECT_FALSE(states[0].supported);
  EXPECT_EQ(states[0].type, 0u);
  EXPECT_EQ(states[0].rawValue, "false");
  EXPECT_EQ(states[1].name, "Texture[0]");
  EXPECT_FALSE(states[1].supported);
  EXPECT_EQ(states[1].rawValue, "<tex>");
  EXPECT_TRUE(states[2].supported);
}

TEST(FxParserStates, ShaderCallsTakeArgumentsAndNull) {
  std::string source = PassEffect(
      "        VertexShader = compile vs_2_0 VS(1, float2(0.5, 2));\n"
      "        PixelShader = NULL;\n");
  FxEffect effect;
  std::string error;
  ASSERT_TRUE(ParseEffect(source, "calls.fx", effect, error)) << error;
  const FxPass& pass = effect.techniques.at(0).passes.at(0);
  EXPECT_EQ(pass.vertexShader.entry, "VS");
  EXPECT_EQ(pass.vertexShader.args, std::vector<std::string>({"1", "float2(0.5, 2)"}));
  EXPECT_EQ(pass.vertexShader.major, 2u);
  EXPECT_FALSE(pass.pixelShader.present);
}

TEST(FxParserStates, PlainSamplerTakesItsDimensionFromTextureOrUse) {
  std::string source =
      "texture3D volume;\n"
      "texture cube;\n"
      "sampler volumeSampler = sampler_state { Texture = <volume>; };\n"
      "sampler cubeSampler = sampler_state { Texture = (cube); };\n"
      "sampler plainSampler;\n"
      "float4 f(float3 d : TEXCOORD0) : COLOR0 { return texCUBE(cubeSampler, d) + "
      "tex3D(volumeSampler, d); }\n";
  FxEffect effect;
  std::string error;
  ASSERT_TRUE(ParseEffect(source, "plain.fx", effect, error)) << error;
  EXPECT_EQ(effect.parameters[FindParameter(effect, "volumeSampler")].dimension,
            FxDimension::Tex3D);
  EXPECT_EQ(effect.parameters[FindParameter(effect, "cubeSampler")].dimension, FxDimension::Cube);
  EXPECT_EQ(effect.parameters[FindParameter(effect, "plainSampler")].dimension, FxDimension::Tex2D);
  std::vector<std::string> hlsl = Lines(effect.hlsl);
  EXPECT_EQ(Squeeze(hlsl[2]), "sampler3D volumeSampler;");
  EXPECT_EQ(Squeeze(hlsl[3]), "samplerCUBE cubeSampler;");
  // No room on the line: the declaration grows it, the line count holds.
  EXPECT_EQ(hlsl[4], "sampler2D plainSampler;");
  EXPECT_EQ(hlsl.size(), 6u);
}

TEST(FxParserValues, InitializersFlattenInDeclarationOrder) {
  std::string source =
      "float4x4 m = {1, 0, 0, 0,  0, 1, 0, 0,  0, 0, 1, 0,  1, 2, 3, 1};\n"
      "float3 v = 2;\n"
      "bool b = true;\n"
      "int i = -3;\n"
      "float2 a[2] = { float2(1, 2), {3, 4} };\n"
      "half h = 0.25h;\n"
      "float3x3 r = float3x3(1, 2, 3, 4, 5, 6, 7, 8, 9.5f);\n"
      "uniform const float c = 1e-2;\n"
      "static const float PI = 3.14159;\n";
  FxEffect effect;
  std::string error;
  ASSERT_TRUE(ParseEffect(source, "values.fx", effect, error)) << error;
  ASSERT_EQ(effect.parameters.size(), 8u);
  EXPECT_EQ(effect.parameters[0].initialValue,
            std::vector<float>({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1}));
  EXPECT_EQ(effect.parameters[1].initialValue, std::vector<float>({2, 2, 2}));
  EXPECT_EQ(effect.parameters[2].type, FxType::Bool);
  EXPECT_EQ(effect.parameters[2].initialValue, std::vector<float>({1}));
  EXPECT_EQ(effect.parameters[3].type, FxType::Int);
  EXPECT_EQ(effect.parameters[3].initialValue, std::vector<float>({-3}));
  EXPECT_EQ(effect.parameters[4].arraySize, 2u);
  EXPECT_EQ(effect.parameters[4].initialValue, std::vector<float>({1, 2, 3, 4}));
  EXPECT_EQ(effect.parameters[5].type, FxType::Float);
  EXPECT_EQ(effect.parameters[5].initialValue, std::vector<float>({0.25f}));
  EXPECT_EQ(effect.parameters[6].initialValue, std::vector<float>({1, 2, 3, 4, 5, 6, 7, 8, 9.5f}));
  EXPECT_EQ(effect.parameters[7].initialValue, std::vector<float>({0.01f}));
  EXPECT_EQ(FindParameter(effect, "PI"), -1);
  EXPECT_EQ(Lines(effect.hlsl)[8], "static const float PI = 3.14159;");
}

TEST(FxParserValues, ConstantExpressionsSizeArraysAndFillInitializers) {
  std::string source =
      "static const int LIGHTS = 2 + 1;\n"
      "static const float3 UP = normalize(float3(0, 2, 0));\n"
      "static const float weights[2] = { 0.25, 0.75 };\n"
      "float4 lightPos[LIGHTS * 2];\n"
      "float3 side = cross(UP, float3(1, 0, 0));\n"
      "float mixed = 1.0 / 2 + weights[1];\n"
      "int count = 7 / 2;\n"
      "float4 color = float4(UP.yyy * 0.5, 1);\n"
      "float angle = radians(180);\n"
      "bool flag = LIGHTS > 2 && !false;\n"
      "int mask = (1 << 4) | 0x3;\n"
      "float pick = LIGHTS == 3 ? 2.0 : 4.0;\n"
      "float2 clamped = clamp(float2(-1, 5), 0, (float)LIGHTS);\n"
      "int truncated = 2.75;\n";
  FxEffect effect;
  std::string error;
  ASSERT_TRUE(ParseEffect(source, "values.fx", effect, error)) << error;
  auto values = [&](const char* name) {
    const int index = FindParameter(effect, name);
    return index < 0 ? std::vector<float>() : effect.parameters[size_t(index)].initialValue;
  };
  ASSERT_EQ(FindParameter(effect, "LIGHTS"), -1);  // statics stay the shader's own
  EXPECT_EQ(effect.parameters[size_t(FindParameter(effect, "lightPos"))].arraySize, 6u);
  EXPECT_EQ(values("side"), std::vector<float>({0, 0, -1}));
  EXPECT_EQ(values("mixed"), std::vector<float>({1.25f}));
  EXPECT_EQ(values("count"), std::vector<float>({3}));
  EXPECT_EQ(values("color"), std::vector<float>({0.5f, 0.5f, 0.5f, 1}));
  EXPECT_FLOAT_EQ(values("angle").at(0), 3.14159265f);
  EXPECT_EQ(values("flag"), std::vector<float>({1}));
  EXPECT_EQ(values("mask"), std::vector<float>({19}));
  EXPECT_EQ(values("pick"), std::vector<float>({2}));
  EXPECT_EQ(values("clamped"), std::vector<float>({0, 3}));
  EXPECT_EQ(values("truncated"), std::vector<float>({2}));
  // The HLSL compiler still sees the statics and the sizes as written.
  std::vector<std::string> hlsl = Lines(effect.hlsl);
  EXPECT_EQ(hlsl[0], "static const int LIGHTS = 2 + 1;");
  EXPECT_EQ(Squeeze(hlsl[3]), "float4 lightPos[LIGHTS * 2];");
}

TEST(FxParserValues, StaticsTheParserCannotWorkOutAreLeftToTheCompiler) {
  // A static that calls the file's own function, or one of a struct type, is no constant
  // here, yet the file loads; only a use of it in the framework part fails.
  std::string source =
      "float scale(float x) { return x * 2; }\n"
      "static const float twice = scale(2);\n"
      "static float4 tint = { 1, 1, 1, 1 }, later = scale(1);\n"
      "float4 shown = tint;\n";
  FxEffect effect;
  std::string error;
  ASSERT_TRUE(ParseEffect(source, "statics.fx", effect, error)) << error;
  EXPECT_EQ(effect.parameters[size_t(FindParameter(effect, "shown"))].initialValue,
            std::vector<float>({1, 1, 1, 1}));
  EXPECT_FALSE(ParseEffect(source + "float broken = twice;\n", "statics.fx", effect, error));
  // The message says why the static has no value here.
  EXPECT_EQ(error,
            "statics.fx(5,16): error: 'twice' is not a constant: its value (line 2) cannot be "
            "worked out at load: 'scale' is not a function the effect can evaluate at load");
}

TEST(FxParserValues, HostileExpressionsFailCleanly) {
  FxEffect effect;
  std::string error;
  const std::string deep =
      "float x = " + std::string(5000, '(') + "1" + std::string(5000, ')') + ";";
  EXPECT_FALSE(ParseEffect(deep, "deep.fx", effect, error));
  EXPECT_NE(error.find("expression nested too deeply"), std::string::npos) << error;
  const char* const bad[] = {
      "float x = 1e38 * 1e38;",
      "int x = 1 << 40;",
      "float x = 0.5 | 1;",
      "float3 v = normalize(float3(0, 0, 0));",
      "float2 v = float2(1, 2, 3);",
      "float x = float3(1, 2, 3).w;",
      "float x = float2(1, 2)[2];",
      "float x = dot(float2(1, 1), float3(1, 1, 1));",
      "float x = (1 ? 2 3);",
      "float x = sin(1, 2);",
      "float4x4 m = float3x3(1,2,3,4,5,6,7,8,9) + float4x4(0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0);",
  };
  for (const char* source : bad) {
    EXPECT_FALSE(ParseEffect(source, "bad.fx", effect, error)) << source;
    EXPECT_EQ(error.rfind("bad.fx(1,", 0), 0u) << source << ": " << error;
  }
}

TEST(FxParserStates, StateValuesAreExpressionsOrFollowAParameter) {
  std::string source =
      "int blendMode = 5;\n"
      "bool useDepth;\n"
      "float size = 2;\n"
      "int filter = 1;\n"
      "static const int HALF = 0x40;\n"
      "sampler2D s = sampler_state { MinFilter = <filter>; MaxAnisotropy = HALF / 16; };\n"
      "technique T { pass P {\n"
      "  AlphaRef = HALF + 0x40; DepthBias = 1.0 / 4; ZEnable = <useDepth>;\n"
      "  SrcBlend = (blendMode); SlopeScaleDepthBias = size; BlendFactor = 0xFFFFFFFF; } }\n";
  FxEffect effect;
  std::string error;
  ASSERT_TRUE(ParseEffect(source, "states.fx", effect, error)) << error;
  const std::vector<FxState>& states = effect.techniques.at(0).passes.at(0).states;
  ASSERT_EQ(states.size(), 6u);
  EXPECT_EQ(states[0].value, 0x80u);
  EXPECT_EQ(states[0].parameter, -1);
  float density = 0;
  std::memcpy(&density, &states[1].value, sizeof density);
  EXPECT_EQ(density, 0.25f);
  EXPECT_EQ(states[2].parameter, FindParameter(effect, "useDepth"));
  EXPECT_EQ(states[3].parameter, FindParameter(effect, "blendMode"));
  EXPECT_EQ(states[4].parameter, FindParameter(effect, "size"));
  EXPECT_TRUE(states[4].isFloat);
  EXPECT_EQ(states[5].value, 0xFFFFFFFFu);
  const FxParameter& sampler = effect.parameters[size_t(FindParameter(effect, "s"))];
  ASSERT_EQ(sampler.samplerStates.size(), 2u);
  EXPECT_EQ(sampler.samplerStates[0].parameter, FindParameter(effect, "filter"));
  EXPECT_EQ(sampler.samplerStates[1].value, 4u);
}

TEST(FxParserStates, Direct3D10PartsAreLeftOutWithTheirAnnotations) {
  std::string source =
      "RasterizerState NoCull { CullMode = NONE; };\n"
      "BlendState NoBlend { BlendEnable[0] = FALSE; };\n"
      "technique10 Main10 < string Script = \"Pass=p0;\"; > {\n"
      "  pass p0 < string Script = \"Draw=geometry;\"; > {\n"
      "    SetRasterizerState(NoCull); } }\n"
      "technique Main < string Script = \"Pass=p0;\"; > { pass p0 { CullMode = None; } }\n";
  FxEffect effect;
  std::string error;
  ASSERT_TRUE(ParseEffect(source, "mixed.fx", effect, error)) << error;
  ASSERT_EQ(effect.techniques.size(), 1u);
  EXPECT_EQ(effect.techniques[0].name, "Main");
  std::vector<std::string> hlsl = Lines(effect.hlsl);
  for (size_t line = 0; line < 5; ++line) EXPECT_EQ(Squeeze(hlsl[line]), "") << line;
}

TEST(FxParserStates, ShaderVariablesAreNamedByPasses) {
  std::string source =
      "VertexShader mainVS = compile vs_2_0 VS(1);\n"
      "PixelShader shaders[2] = { compile ps_2_0 PS(0), compile ps_2_0 PS(1) };\n"
      "int which;\n"
      "technique T {\n"
      "  pass A { VertexShader = (mainVS); PixelShader = (shaders[1]); }\n"
      "  pass B { VertexShader = <mainVS>; PixelShader = (shaders[which]); }\n"
      "  pass C { VertexShader = asm { vs_2_0 mov oPos, v0 }; PixelShader = mainPS; }\n"
      "}\n";
  FxEffect effect;
  std::string error;
  // mainPS is no variable: a bare name that is none fails as a compile would.
  EXPECT_FALSE(ParseEffect(source, "shaders.fx", effect, error));
  EXPECT_EQ(error,
            "shaders.fx(7,70): error: expected 'compile' or NULL for PixelShader, found "
            "'mainPS'");
  const size_t at = source.find("mainPS");
  source.replace(at, 6, "NULL");
  ASSERT_TRUE(ParseEffect(source, "shaders.fx", effect, error)) << error;
  const std::vector<FxPass>& passes = effect.techniques.at(0).passes;
  ASSERT_EQ(passes.size(), 3u);
  EXPECT_EQ(passes[0].vertexShader.entry, "VS");
  EXPECT_EQ(passes[0].vertexShader.args, std::vector<std::string>({"1"}));
  EXPECT_EQ(passes[0].pixelShader.entry, "PS");
  EXPECT_EQ(passes[0].pixelShader.args, std::vector<std::string>({"1"}));
  EXPECT_TRUE(passes[0].pixelShader.unsupported.empty());
  // An index that is a parameter keeps every shader for the pass to pick from.
  EXPECT_EQ(passes[1].vertexShader.selector, -1);
  EXPECT_EQ(passes[1].pixelShader.selector, FindParameter(effect, "which"));
  ASSERT_EQ(passes[1].pixelShader.choices.size(), 2u);
  EXPECT_EQ(passes[1].pixelShader.choices[0].args, std::vector<std::string>({"0"}));
  EXPECT_TRUE(passes[1].pixelShader.unsupported.empty());
  EXPECT_EQ(passes[2].vertexShader.unsupported, "assembly shaders are not supported");
  // The variables never reach the HLSL compiler.
  std::vector<std::string> hlsl = Lines(effect.hlsl);
  EXPECT_EQ(Squeeze(hlsl[0]), "");
  EXPECT_EQ(Squeeze(hlsl[1]), "");
}

struct BadEffect {
  const char* name;
  const char* source;
  const char* error;
};

void PrintTo(const BadEffect& bad, std::ostream* out) { *out << bad.name; }

class FxParserErrors : public ::testing::TestWithParam<BadEffect> {};

TEST_P(FxParserErrors, NameFileLineAndColumn) {
  FxEffect effect;
  std::string error;
  EXPECT_FALSE(ParseEffect(GetParam().source, "bad.fx", effect, error));
  EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Bad, FxParserErrors,
    ::testing::Values(
        BadEffect{"UnknownBlendValue",
                  "technique T\n{\n    pass P\n    {\n        SrcBlend = Onee;\n    }\n}\n",
                  "bad.fx(5,20): error: 'Onee' is not a valid value for SrcBlend"},
        BadEffect{
            "MissingSemicolon",
            "technique T\n{\n    pass P\n    {\n        ZWriteEnable = false\n        CullMode = "
            "None;\n    }\n}\n",
            "bad.fx(6,9): error: expected ';' after the value of ZWriteEnable, found 'CullMode'"},
        BadEffect{"ProfileOfTheWrongStage",
                  "technique T { pass P { VertexShader = compile ps_3_0 f(); } }",
                  "bad.fx(1,47): error: 'ps_3_0' is not a vertex shader profile"},
        BadEffect{"UnsupportedProfile",
                  "technique T { pass P { PixelShader = compile ps_4_0 f(); } }",
                  "bad.fx(1,46): error: unsupported shader profile 'ps_4_0'"},
        BadEffect{"UndeclaredTexture", "sampler2D s = sampler_state { Texture = <missing>; };",
                  "bad.fx(1,42): error: 'missing' is not a texture parameter"},
        BadEffect{"SamplerAndTextureDimensions",
                  "texture3D t;\nsampler2D s = sampler_state { Texture = <t>; };",
                  "bad.fx(2,11): error: sampler 's' is 2D but its texture 't' is 3D"},
        BadEffect{"InitializerCount", "float3 x = {1, 2};",
                  "bad.fx(1,8): error: initializer of 'x' has 2 values, 3 expected"},
        BadEffect{"NotAConstant", "float x = 1.0 / y;",
                  "bad.fx(1,17): error: 'y' is not a constant"},
        BadEffect{"IntegerDivisionByZero", "int x = 1 / 0;",
                  "bad.fx(1,11): error: division by zero"},
        BadEffect{"FractionalArraySize", "static const float N = 2.5; float a[N];",
                  "bad.fx(1,35): error: array size of 'a' is not an integer"},
        BadEffect{"UnknownFunction", "float x = noise(1);",
                  "bad.fx(1,11): error: 'noise' is not a function the effect can evaluate at load"},
        BadEffect{"ShaderOfTheWrongStage",
                  "VertexShader vs = compile vs_2_0 f();\n"
                  "technique T { pass P { PixelShader = (vs); } }",
                  "bad.fx(2,39): error: 'vs' is a vertex shader"},
        BadEffect{"SamplerArrayCount",
                  "texture t; sampler2D s[2] = { sampler_state { Texture = <t>; } };",
                  "bad.fx(1,22): error: 's' has 1 sampler states, 2 expected"},
        BadEffect{"ShaderIndexedByAnExpression",
                  "int n; PixelShader ps[2] = { NULL, NULL };\n"
                  "technique T { pass P { PixelShader = (ps[n + 1]); } }",
                  "bad.fx(2,42): error: the index of 'ps' must be a constant or a numeric "
                  "parameter"},
        BadEffect{"StateFromATexture", "texture t;\ntechnique T { pass P { ZEnable = <t>; } }",
                  "bad.fx(2,35): error: 't' is not a numeric parameter"},
        BadEffect{"Redefinition", "float a; float a;", "bad.fx(1,16): error: redefinition of 'a'"},
        BadEffect{"UnterminatedComment", "float x = 1;\n/* no end",
                  "bad.fx(2,1): error: unterminated comment"},
        BadEffect{"UnterminatedString", "string s = \"no end;\n",
                  "bad.fx(1,12): error: unterminated string"},
        BadEffect{"UnclosedBody", "float f() { return 1;",
                  "bad.fx(1,11): error: unexpected end of file: '{' is not closed"},
        BadEffect{"ZeroArraySize", "float a[0];",
                  "bad.fx(1,7): error: array size of 'a' out of range"},
        BadEffect{"NumberOutOfRange", "float x = 1e999;",
                  "bad.fx(1,11): error: bad number '1e999'"}),
    [](const ::testing::TestParamInfo<BadEffect>& info) { return std::string(info.param.name); });

TEST(FxParserFuzz, EveryTruncationParsesOrFailsCleanly) {
  std::string source = ReadTestFile("flame.fx");
  ASSERT_FALSE(source.empty());
  size_t successes = 0;
  for (size_t length = 0; length <= source.size(); ++length) {
    std::string prefix = source.substr(0, length);
    FxEffect effect;
    std::string error;
    if (ParseEffect(prefix, "flame.fx", effect, error)) {
      ++successes;
      EXPECT_EQ(Lines(effect.hlsl).size(), Lines(prefix).size()) << "length " << length;
    } else {
      EXPECT_EQ(error.rfind("flame.fx(", 0), 0u) << "length " << length << ": " << error;
      EXPECT_NE(error.find("): error: "), std::string::npos)
          << "length " << length << ": " << error;
    }
  }
  // The empty file, the whole file and the cuts between complete declarations parse.
  EXPECT_GT(successes, 20u);
}

TEST(FxParserFuzz, TroublesomeBytesAnywhereFailCleanly) {
  std::string source = ReadTestFile("flame.fx");
  ASSERT_FALSE(source.empty());
  const char bytes[] = {'{', '}', '<', '>', '"', '/', '*', '#', '\0', '\xff'};
  for (size_t at = 0; at < source.size(); ++at) {
    for (char byte : bytes) {
      std::string mutated = source;
      mutated[at] = byte;
      FxEffect effect;
      std::string error;
      if (!ParseEffect(mutated, "flame.fx", effect, error)) {
        EXPECT_EQ(error.rfind("flame.fx(", 0), 0u) << error;
      }
    }
  }
}

}  // namespace
}  // namespace ember
