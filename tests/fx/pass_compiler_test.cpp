#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/fx/hlsl_rewrites.h"
#include "runtime/fx/isolated_compile.h"
#include "runtime/fx/parser.h"
#include "runtime/fx/pass_compiler.h"
#include "runtime/fx/states.h"

namespace ember {
namespace {

const char* const kValidator = "/usr/bin/glslangValidator";

std::string ReadTestFile(const char* name) {
  std::ifstream file(std::string(EMBER_FX_TEST_DATA) + "/" + name, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// Parses and compiles pass 0 of technique 0; the error text when it fails.
bool Compile(const std::string& source, const char* fileName, FxCompiledPass& pass,
             std::string& error) {
  FxEffect effect;
  if (!ParseEffect(source, fileName, effect, error)) return false;
  return CompilePass(effect, 0, 0, fileName, pass, error);
}

bool HaveValidator() { return std::ifstream(kValidator).good(); }

// Runs glslangValidator on GLSL files (it picks the stage from .vert and
// .frag, and links them with -l); its exit status and output.
int RunValidator(const std::vector<std::pair<std::string, std::string>>& files,
                 std::string& output) {
  std::string command = std::string(kValidator) + (files.size() > 1 ? " -l" : "");
  for (const auto& [name, text] : files) {
    std::string path = ::testing::TempDir() + name;
    std::ofstream(path) << text;
    command += " " + path;
  }
  std::string logPath = ::testing::TempDir() + "fx_validator.log";
  int status = std::system((command + " > " + logPath + " 2>&1").c_str());
  std::ifstream log(logPath);
  std::stringstream text;
  text << log.rdbuf();
  output = text.str();
  return status;
}

// "out vec2 name;" lines of a shader, name -> type.
std::map<std::string, std::string> Interface(const std::string& glsl,
                                             const std::string& qualifier) {
  std::map<std::string, std::string> found;
  std::stringstream lines(glsl);
  std::string line;
  while (std::getline(lines, line)) {
    std::stringstream words(line);
    std::string first, type, name;
    words >> first >> type >> name;
    if (first == qualifier && !name.empty() && name.back() == ';')
      found[name.substr(0, name.size() - 1)] = type;
  }
  return found;
}

class FxCompilerFlame : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    source_ = new std::string(ReadTestFile("flame.fx"));
    effect_ = new FxEffect();
    pass_ = new FxCompiledPass();
    error_ = new std::string();
    compiled_ = ParseEffect(*source_, "flame.fx", *effect_, *error_) &&
                CompilePass(*effect_, 0, 0, "flame.fx", *pass_, *error_);
  }
  static void TearDownTestSuite() {
    delete source_;
    delete effect_;
    delete pass_;
    delete error_;
  }
  void SetUp() override { ASSERT_TRUE(compiled_) << *error_; }

  static std::string* source_;
  static FxEffect* effect_;
  static FxCompiledPass* pass_;
  static std::string* error_;
  static bool compiled_;
};

std::string* FxCompilerFlame::source_ = nullptr;
FxEffect* FxCompilerFlame::effect_ = nullptr;
FxCompiledPass* FxCompilerFlame::pass_ = nullptr;
std::string* FxCompilerFlame::error_ = nullptr;
bool FxCompilerFlame::compiled_ = false;

TEST_F(FxCompilerFlame, GlslIsPlainGlsl330Core) {
  for (const std::string* glsl : {&pass_->vertexGlsl, &pass_->fragmentGlsl}) {
    EXPECT_EQ(glsl->rfind("#version 330\n", 0), 0u);
    EXPECT_FALSE(Contains(*glsl, "binding"));
    EXPECT_FALSE(Contains(*glsl, "#extension"));
  }
  // Attributes take their locations from glBindAttribLocation.
  EXPECT_FALSE(Contains(pass_->vertexGlsl, "layout(location"));
  EXPECT_TRUE(Contains(pass_->fragmentGlsl, "layout(location = 0) out vec4 ember_target0;"));
  EXPECT_TRUE(Contains(pass_->vertexGlsl, "gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;"));
  EXPECT_TRUE(Contains(pass_->vertexGlsl, "gl_Position.y = -gl_Position.y;"));
}

TEST_F(FxCompilerFlame, GlslCompilesAndLinksUnderGlslangValidator) {
  if (!HaveValidator()) GTEST_SKIP() << kValidator << " is not installed";
  std::string output;
  EXPECT_EQ(RunValidator({{"fx_flame.vert", pass_->vertexGlsl}}, output), 0)
      << output << pass_->vertexGlsl;
  EXPECT_EQ(RunValidator({{"fx_flame.frag", pass_->fragmentGlsl}}, output), 0)
      << output << pass_->fragmentGlsl;
  EXPECT_EQ(RunValidator(
                {{"fx_flame_l.vert", pass_->vertexGlsl}, {"fx_flame_l.frag", pass_->fragmentGlsl}},
                output),
            0)
      << output;
}

TEST_F(FxCompilerFlame, UniformBlocksFollowStd140) {
  struct Expected {
    const char* name;
    uint32_t offset;
    uint32_t size;
    uint32_t rows;
    uint32_t columns;
    bool isMatrix;
  };
  // std140 by hand: matrices of four 16-byte rows, scalars packed after
  // them, each vec3 and vec4 on a 16-byte boundary.
  const Expected expected[] = {
      {"wvp", 0, 64, 4, 4, true},
      {"world", 64, 64, 4, 4, true},
      {"ticks", 128, 4, 1, 1, false},
      {"noiseFreq", 132, 4, 1, 1, false},
      {"noiseStrength", 136, 4, 1, 1, false},
      {"timeScale", 140, 4, 1, 1, false},
      {"noiseScale", 144, 12, 1, 3, false},
      {"noiseAnim", 160, 12, 1, 3, false},
      {"flameColor", 176, 16, 1, 4, false},
      {"flameScale", 192, 12, 1, 3, false},
      {"flameTrans", 208, 12, 1, 3, false},
  };
  EXPECT_EQ(pass_->vertexUniforms.glslName, "ember_vs_globals");
  EXPECT_EQ(pass_->fragmentUniforms.glslName, "ember_ps_globals");
  for (const FxUniformBlock* block : {&pass_->vertexUniforms, &pass_->fragmentUniforms}) {
    EXPECT_EQ(block->size, 220u);
    ASSERT_EQ(block->members.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
      const FxUniformMember& member = block->members[i];
      EXPECT_EQ(member.glslName, expected[i].name);
      EXPECT_EQ(member.parameter, FindParameter(*effect_, expected[i].name));
      EXPECT_EQ(member.scalar, FxScalarKind::Float);
      EXPECT_EQ(member.offset, expected[i].offset) << expected[i].name;
      EXPECT_EQ(member.size, expected[i].size) << expected[i].name;
      EXPECT_EQ(member.rows, expected[i].rows) << expected[i].name;
      EXPECT_EQ(member.columns, expected[i].columns) << expected[i].name;
      EXPECT_EQ(member.isMatrix, expected[i].isMatrix) << expected[i].name;
      EXPECT_EQ(member.arrayCount, 0u);
      if (member.isMatrix) {
        EXPECT_EQ(member.matrixStride, 16u);
        EXPECT_TRUE(member.spirvRowMajor) << "HLSL packs column_major by default";
      }
    }
  }
}

TEST_F(FxCompilerFlame, SamplersAreNamedAfterTheirParameters) {
  ASSERT_EQ(pass_->samplers.size(), 2u);
  EXPECT_EQ(pass_->samplers[0].glslName, "noiseSampler");
  EXPECT_EQ(pass_->samplers[0].parameter, FindParameter(*effect_, "noiseSampler"));
  EXPECT_FALSE(pass_->samplers[0].vertexStage);
  EXPECT_TRUE(pass_->samplers[0].fragmentStage);
  EXPECT_EQ(pass_->samplers[1].glslName, "flameSampler");
  EXPECT_EQ(pass_->samplers[1].parameter, FindParameter(*effect_, "flameSampler"));
  EXPECT_TRUE(Contains(pass_->fragmentGlsl, "uniform sampler3D noiseSampler;"));
  EXPECT_TRUE(Contains(pass_->fragmentGlsl, "uniform sampler2D flameSampler;"));
}

TEST_F(FxCompilerFlame, VertexInputsCarryTheirDeclarationUsages) {
  struct Expected {
    const char* name;
    const char* semantic;
    uint32_t usage;
  };
  const Expected expected[] = {
      {"ember_attr_POSITION0", "POSITION", d3d::DECLUSAGE_POSITION},
      {"ember_attr_NORMAL0", "NORMAL", d3d::DECLUSAGE_NORMAL},
      {"ember_attr_TEXCOORD0", "TEXCOORD0", d3d::DECLUSAGE_TEXCOORD},
      {"ember_attr_TANGENT0", "TANGENT", d3d::DECLUSAGE_TANGENT},
      {"ember_attr_BINORMAL0", "BINORMAL", d3d::DECLUSAGE_BINORMAL},
  };
  ASSERT_EQ(pass_->vertexInputs.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(pass_->vertexInputs[i].glslName, expected[i].name);
    EXPECT_EQ(pass_->vertexInputs[i].semantic, expected[i].semantic);
    EXPECT_EQ(pass_->vertexInputs[i].usage, expected[i].usage);
    EXPECT_EQ(pass_->vertexInputs[i].usageIndex, 0u);
  }
  std::map<std::string, std::string> inputs = Interface(pass_->vertexGlsl, "in");
  EXPECT_EQ(inputs["ember_attr_POSITION0"], "vec3");
  EXPECT_EQ(inputs["ember_attr_TEXCOORD0"], "vec2");
}

TEST_F(FxCompilerFlame, VaryingsMatchByNameThoughDeclaredInAnotherOrder) {
  std::map<std::string, std::string> outputs = Interface(pass_->vertexGlsl, "out");
  std::map<std::string, std::string> inputs = Interface(pass_->fragmentGlsl, "in");
  std::map<std::string, std::string> expected = {
      {"ember_varying_TEXCOORD0", "vec2"},
      {"ember_varying_TEXCOORD1", "vec3"},
      {"ember_varying_TEXCOORD2", "float"},
  };
  EXPECT_EQ(outputs, expected);
  EXPECT_EQ(inputs, expected);
}

TEST(FxCompilerErrors, UndeclaredIdentifierGivesItsLineAndColumn) {
  FxCompiledPass pass;
  std::string error;
  EXPECT_FALSE(Compile(ReadTestFile("undeclared.fx"), "undeclared.fx", pass, error));
  EXPECT_EQ(FirstLine(error), "undeclared.fx(12,16): error: 'glowAmount' : unknown variable");
  EXPECT_TRUE(Contains(error,
                       "  11 |     float4 c = tint;\n"
                       "> 12 |     return c * glowAmount;\n"
                       "     |                ^\n"
                       "  13 | }\n"))
      << error;
}

TEST(FxCompilerErrors, HlslSyntaxErrorGivesFileLineAndColumn) {
  FxCompiledPass pass;
  std::string error;
  EXPECT_FALSE(Compile(ReadTestFile("hlsl_syntax.fx"), "hlsl_syntax.fx", pass, error));
  EXPECT_EQ(FirstLine(error), "hlsl_syntax.fx(7,19): error: 'expression' : Expected");
  EXPECT_TRUE(Contains(error, "> 7 |     p.xy = p.xy * ;\n")) << error;
}

TEST(FxCompilerErrors, MissingEntryPointPointsAtTheCompileLine) {
  std::string source = ReadTestFile("flame.fx");
  size_t at = source.find("FlamePS();");
  ASSERT_NE(at, std::string::npos);
  source.replace(at, 7, "Missing");
  FxCompiledPass pass;
  std::string error;
  EXPECT_FALSE(Compile(source, "flame.fx", pass, error));
  EXPECT_EQ(FirstLine(error), "flame.fx(89,38): error: entry point 'Missing' not found");
}

const char* const kSimpleVS =
    "float4 MainVS(float4 p : POSITION, out float2 uv : TEXCOORD0) : POSITION\n"
    "{\n"
    "    uv = p.xy;\n"
    "    return p;\n"
    "}\n";

TEST(FxCompilerVaryings, OtherWidthsAreReadAsDirect3DGivesThem) {
  // TEXCOORD0 is written with two components and read with four; COLOR0 the other way round.
  const std::string source =
      "struct V { float4 p : POSITION; float2 t : TEXCOORD0; float4 c : COLOR0; };\n"
      "V MainVS(float3 p : POSITION) {\n"
      "  V o; o.p = float4(p, 1); o.t = p.xy; o.c = float4(p, 1); return o; }\n"
      "float4 MainPS(float4 t : TEXCOORD0, float2 c : COLOR0) : COLOR0 { return t + c.xyxy; }\n"
      "technique T { pass P { VertexShader = compile vs_3_0 MainVS();\n"
      "                       PixelShader = compile ps_3_0 MainPS(); } }\n";
  FxCompiledPass pass;
  std::string error;
  ASSERT_TRUE(Compile(source, "widths.fx", pass, error)) << error;
  // The pixel shader declares the vertex shader's types under the shared names, and reads
  // copies of the widths it asked for: missing components 0, w 1.
  EXPECT_TRUE(Contains(pass.fragmentGlsl, "in vec2 ember_varying_TEXCOORD0;")) << pass.fragmentGlsl;
  EXPECT_TRUE(Contains(pass.fragmentGlsl, "in vec4 ember_varying_COLOR0;")) << pass.fragmentGlsl;
  EXPECT_TRUE(Contains(pass.fragmentGlsl,
                       "ember_varying_TEXCOORD0_read = vec4(ember_varying_TEXCOORD0, 0.0, 1.0);"))
      << pass.fragmentGlsl;
  EXPECT_TRUE(Contains(pass.fragmentGlsl, "ember_varying_COLOR0_read = ember_varying_COLOR0.xy;"))
      << pass.fragmentGlsl;
  if (!HaveValidator()) GTEST_SKIP() << "no glslangValidator to link the stages";
  std::string output;
  EXPECT_EQ(
      RunValidator({{"widths.vert", pass.vertexGlsl}, {"widths.frag", pass.fragmentGlsl}}, output),
      0)
      << output;
}

TEST(FxCompilerErrors, PixelInputsTheVertexShaderDoesNotWriteAreRefused) {
  std::string source =
      std::string(kSimpleVS) +
      "float4 MainPS(float2 uv : TEXCOORD0, float4 c : COLOR1) : COLOR0 { return c * uv.x; }\n"
      "technique T { pass P { VertexShader = compile vs_2_0 MainVS();\n"
      "                       PixelShader = compile ps_2_0 MainPS(); } }\n";
  FxCompiledPass pass;
  std::string error;
  EXPECT_FALSE(Compile(source, "unwritten.fx", pass, error));
  EXPECT_EQ(error,
            "unwritten.fx(8,53): error: the pixel shader reads COLOR1, which the vertex shader "
            "does not write");
}

TEST(FxCompilerErrors, FixedFunctionPassesAndBadIndicesAreRefused) {
  std::string source = std::string(kSimpleVS) +
                       "technique T { pass Fixed { VertexShader = compile vs_2_0 MainVS(); "
                       "PixelShader = NULL; } }\n";
  FxEffect effect;
  std::string error;
  ASSERT_TRUE(ParseEffect(source, "fixed.fx", effect, error)) << error;
  FxCompiledPass pass;
  EXPECT_FALSE(CompilePass(effect, 0, 0, "fixed.fx", pass, error));
  EXPECT_EQ(error,
            "fixed.fx(6,20): error: pass 'Fixed' needs a vertex and a pixel shader; fixed-function "
            "passes "
            "are not supported");
  EXPECT_FALSE(CompilePass(effect, 0, 1, "fixed.fx", pass, error));
  EXPECT_EQ(error, "fixed.fx: error: no such technique or pass");
}

// Shaders on which glslang itself crashes: the compiler's failure is the effect's error, and
// the process goes on.
TEST(FxCompilerErrors, ACrashOfTheShaderCompilerBecomesTheEffectsError) {
  const std::string typo =
      "float4x4 wvp;\n"
      "struct{} S(){ float1 objectPos i = mul(objectPos, wvp) }\n"
      "float4 PS() : COLOR { return 1; }\n"
      "technique Broken { pass Only { VertexShader = compile vs_2_0 S(); PixelShader = compile "
      "ps_2_0 PS(); } }\n";
  FxCompiledPass pass;
  std::string error;
  EXPECT_FALSE(Compile(typo, "typo.fx", pass, error));
  EXPECT_EQ(FirstLine(error),
            "typo.fx(4,62): error: the shader compiler failed on pass Only of technique Broken: it "
            "crashed "
            "(Segmentation fault)");
  EXPECT_TRUE(pass.vertexGlsl.empty());
}

TEST(FxCompilerErrors, ACompilerThatTakesTooLongIsStoppedAtItsTimeLimit) {
  const std::string hlsl = "float4 VS(float4 p : POSITION) : POSITION { return p; }\n";
  std::vector<uint32_t> spirv;
  std::string log;
  EXPECT_EQ(CompileHlslToSpirvIsolated(hlsl, true, "VS", spirv, log, 1),
            IsolatedCompile::CompilerFailed);
  EXPECT_EQ(log, "it did not finish within 1 ms");
  EXPECT_EQ(CompileHlslToSpirvIsolated(hlsl, true, "VS", spirv, log), IsolatedCompile::Compiled);
  ASSERT_GT(spirv.size(), 5u);
  EXPECT_EQ(spirv[0], 0x07230203u);  // SPIR-V's magic number
  EXPECT_EQ(CompileHlslToSpirvIsolated("float4 VS( : POSITION", true, "VS", spirv, log),
            IsolatedCompile::Refused);
  EXPECT_TRUE(Contains(log, "ERROR: fx_source:1:")) << log;
}

TEST(FxMatrixSwizzles, BecomeIndexingOfTheirWholeOperand) {
  EXPECT_EQ(RewriteMatrixSwizzles("a = m._m02;"), "a = m[0][2];");
  EXPECT_EQ(RewriteMatrixSwizzles("a = m._11_22_33_44;"),
            "a = float4(m[0][0], m[1][1], m[2][2], m[3][3]);");
  EXPECT_EQ(RewriteMatrixSwizzles("a = s.bones[i + 1]._m30_m31_m32 * 2;"),
            "a = float3(s.bones[i + 1][3][0], s.bones[i + 1][3][1], s.bones[i + 1][3][2]) * 2;");
  EXPECT_EQ(RewriteMatrixSwizzles("a = mul(v, m)._m00_m10;"),
            "a = float2(mul(v, m)[0][0], mul(v, m)[1][0]);");
  EXPECT_EQ(RewriteMatrixSwizzles("m._41 = 1;"), "m[3][0] = 1;");
  // Not matrix swizzles: other names, mixed notations, indices out of range, comments, strings.
  for (const char* same : {"a = s._m00x;", "a = m._11_m00;", "a = m._m04 + m._50;", "a = v._x;",
                           "// m._m00\n/* m._11 */ \"m._22\"", "a = ._11;"})
    EXPECT_EQ(RewriteMatrixSwizzles(same), same);
  EXPECT_EQ(RewriteMatrixSwizzles("a\n = m._11; // m._22\nb = m._33;"),
            "a\n = m[0][0]; // m._22\nb = m[2][2];");
}

TEST(FxArrayCasts, BecomeTheElementsOneByOneInInitializers) {
  EXPECT_EQ(RewriteArrayCasts("float w[4] = (float[4])v;"),
            "float w[4] = { (v)[0], (v)[1], (v)[2], (v)[3] };");
  EXPECT_EQ(RewriteArrayCasts("int i[2] =( int [ 2 ] ) f(a,\n b);"),
            "int i[2] ={ ( f(a,  b))[0], ( f(a,  b))[1] }\n;");
  // Not in an initializer, not an array type, a comparison, comments and strings: unchanged.
  for (const char* same : {"x = y + (float[4])v;", "float w = (float)v;", "b = a == (float[2])v;",
                           "// w = (float[4])v;", "s = \"(float[4])v\";", "w = (float[0])v;"})
    EXPECT_EQ(RewriteArrayCasts(same), same);
}

TEST(FxCompilerFeatures, AnIntegerArgumentToAFloatParameterCompiles) {
  // Direct3D converts the 1; glslang, given it as written, makes invalid SPIR-V of the splat.
  const std::string source =
      "float4 MainVS(float3 p : POSITION, uniform int n) : POSITION { return float4(p, n); }\n"
      "float4 MainPS(uniform float v, uniform bool on) : COLOR0 { return on ? v : 0; }\n"
      "technique T { pass P { VertexShader = compile vs_3_0 MainVS(2.0);\n"
      "    PixelShader = compile ps_3_0 MainPS(1, true); } }\n";
  FxCompiledPass pass;
  std::string error;
  EXPECT_TRUE(Compile(source, "arguments.fx", pass, error)) << error;
}

TEST(FxCompilerFeatures, AVectorCastToAnArrayCompiles) {
  // The indexed skinning of Direct3D's samples reads its weights this way.
  const std::string source =
      "float4 MainVS(float4 p : POSITION, float4 weights : BLENDWEIGHT) : POSITION\n"
      "{\n"
      "    float w[4] = (float[4])weights;\n"
      "    return p * (w[0] + w[3]);\n"
      "}\n"
      "float4 MainPS() : COLOR0 { return 1; }\n"
      "technique T { pass P { VertexShader = compile vs_2_0 MainVS();\n"
      "    PixelShader = compile ps_2_0 MainPS(); } }\n";
  FxCompiledPass pass;
  std::string error;
  ASSERT_TRUE(Compile(source, "cast.fx", pass, error)) << error;
  EXPECT_TRUE(Contains(pass.vertexGlsl, "ember_attr_BLENDWEIGHT0")) << pass.vertexGlsl;
}

TEST(FxCompilerFeatures, CompileArgumentsBindToUniformParameters) {
  std::string body =
      std::string(kSimpleVS) +
      "float4 MainPS(uniform float scale, float2 uv : TEXCOORD0, uniform bool invert) : COLOR0\n"
      "{\n"
      "    float4 c = uv.xyxy * scale;\n"
      "    return invert ? 1 - c : c;\n"
      "}\n";
  FxCompiledPass pass;
  std::string error;
  ASSERT_TRUE(Compile(body + "technique T { pass P { VertexShader = compile vs_2_0 MainVS();\n"
                             "    PixelShader = compile ps_2_0 MainPS(2.0, true); } }\n",
                      "args.fx", pass, error))
      << error;
  // Both uniforms took constants: the pixel shader reads no parameter.
  EXPECT_EQ(pass.fragmentUniforms.glslName, "");
  EXPECT_TRUE(pass.fragmentUniforms.members.empty());
  EXPECT_TRUE(Contains(pass.vertexGlsl, "gl_Position = "));
  EXPECT_FALSE(Contains(pass.vertexGlsl, "ember_varying_POSITION"));
  if (HaveValidator()) {
    std::string output;
    EXPECT_EQ(RunValidator({{"fx_args.vert", pass.vertexGlsl}, {"fx_args.frag", pass.fragmentGlsl}},
                           output),
              0)
        << output;
  }

  EXPECT_FALSE(Compile(body + "technique T { pass P { VertexShader = compile vs_2_0 MainVS();\n"
                              "    PixelShader = compile ps_2_0 MainPS(2.0); } }\n",
                       "args.fx", pass, error));
  EXPECT_EQ(
      error,
      "args.fx(12,34): error: 'MainPS' has no overload with 1 uniform parameters for the compile "
      "arguments");
}

TEST(FxCompilerFeatures, NamesThatAreGlslKeywordsAreReportedAsRenamed) {
  std::string source =
      std::string(kSimpleVS) +
      "float4 filter;\n"
      "sampler2D output;\n"
      "float4 MainPS(float2 uv : TEXCOORD0) : COLOR0 { return tex2D(output, uv) * filter; }\n"
      "technique T { pass P { VertexShader = compile vs_2_0 MainVS();\n"
      "                       PixelShader = compile ps_2_0 MainPS(); } }\n";
  FxEffect effect;
  std::string error;
  ASSERT_TRUE(ParseEffect(source, "keywords.fx", effect, error)) << error;
  FxCompiledPass pass;
  ASSERT_TRUE(CompilePass(effect, 0, 0, "keywords.fx", pass, error)) << error;
  ASSERT_EQ(pass.samplers.size(), 1u);
  EXPECT_EQ(pass.samplers[0].parameter, FindParameter(effect, "output"));
  EXPECT_EQ(pass.samplers[0].glslName, "_output");
  EXPECT_TRUE(Contains(pass.fragmentGlsl, "uniform sampler2D _output;"));
  ASSERT_EQ(pass.fragmentUniforms.members.size(), 1u);
  EXPECT_EQ(pass.fragmentUniforms.members[0].parameter, FindParameter(effect, "filter"));
  EXPECT_EQ(pass.fragmentUniforms.members[0].glslName, "_filter");
}

// Each matrix packing the effect can declare, with the layout the block
// reflection gives it.
const char* const kMatrixEffect =
    "float4x3 m43;\n"
    "row_major float4x4 rm;\n"
    "row_major float4x3 rm43;\n"
    "float4x4 bones[2];\n"
    "bool flag;\n"
    "float4 MainVS(float4 p : POSITION) : POSITION\n"
    "{\n"
    "    float4 q = mul(p, rm) + mul(p, bones[1]) + float4(mul(p, rm43), 0);\n"
    "    return float4(mul(p, m43), flag ? q.w : 1);\n"
    "}\n"
    "float4 MainPS() : COLOR0 { return 1; }\n"
    "technique T { pass P { VertexShader = compile vs_3_0 MainVS(); PixelShader = compile ps_3_0 "
    "MainPS(); } }\n";

class FxCompilerMatrices : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(Compile(kMatrixEffect, "matrices.fx", pass_, error)) << error;
    ASSERT_EQ(pass_.vertexUniforms.members.size(), 5u);
  }
  const FxUniformMember& Member(size_t index) const { return pass_.vertexUniforms.members[index]; }

  FxCompiledPass pass_;
};

TEST_F(FxCompilerMatrices, ReflectionGivesEachPackingItsLayout) {
  const FxUniformMember& m43 = Member(0);
  EXPECT_EQ(m43.glslName, "m43");
  EXPECT_TRUE(m43.isMatrix);
  EXPECT_EQ(m43.rows, 4u);
  EXPECT_EQ(m43.columns, 3u);
  EXPECT_TRUE(m43.spirvRowMajor);
  EXPECT_EQ(m43.matrixStride, 16u);
  EXPECT_EQ(m43.offset, 0u);
  EXPECT_EQ(m43.size, 48u);  // three registers, one per column of M

  const FxUniformMember& rm = Member(1);
  EXPECT_FALSE(rm.spirvRowMajor);
  EXPECT_EQ(rm.offset, 48u);
  EXPECT_EQ(rm.size, 64u);

  const FxUniformMember& rm43 = Member(2);
  EXPECT_EQ(rm43.rows, 4u);
  EXPECT_EQ(rm43.columns, 3u);
  EXPECT_FALSE(rm43.spirvRowMajor);
  EXPECT_EQ(rm43.offset, 112u);
  EXPECT_EQ(rm43.size, 64u);  // four registers, one per row of M

  const FxUniformMember& bones = Member(3);
  EXPECT_EQ(bones.arrayCount, 2u);
  EXPECT_EQ(bones.arrayStride, 64u);
  EXPECT_EQ(bones.offset, 176u);
  EXPECT_EQ(bones.size, 128u);
  EXPECT_TRUE(bones.spirvRowMajor);

  const FxUniformMember& flag = Member(4);
  EXPECT_EQ(flag.scalar, FxScalarKind::UInt);
  EXPECT_FALSE(flag.isMatrix);
  EXPECT_EQ(flag.offset, 304u);
  EXPECT_EQ(pass_.vertexUniforms.size, 308u);
}

TEST_F(FxCompilerMatrices, StoreMatrixLaysD3DXMatricesOutByHand) {
  // M[r][c] = 4r + c + 1, as a D3DXMATRIX stores it.
  const float m[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  std::vector<float> shadow(pass_.vertexUniforms.size / 4, -1.0f);
  uint8_t* bytes = reinterpret_cast<uint8_t*>(shadow.data());
  for (size_t i = 0; i < 3; ++i) StoreMatrix(Member(i), m, bytes);
  StoreMatrix(Member(3), m, bytes, 1);
  StoreMatrix(Member(3), m, bytes, 2);  // past the array: ignored
  StoreMatrix(Member(4), m, bytes);     // no matrix: ignored
  const float _ = -1.0f;
  const std::vector<float> expected = {
      // m43, column_major: M's columns one after the other, three of them.
      1,
      5,
      9,
      13,
      2,
      6,
      10,
      14,
      3,
      7,
      11,
      15,
      // rm, row_major: M's rows one after the other.
      1,
      2,
      3,
      4,
      5,
      6,
      7,
      8,
      9,
      10,
      11,
      12,
      13,
      14,
      15,
      16,
      // rm43, row_major float4x3: four rows of three, a register each.
      1,
      2,
      3,
      _,
      5,
      6,
      7,
      _,
      9,
      10,
      11,
      _,
      13,
      14,
      15,
      _,
      // bones[0], untouched.
      _,
      _,
      _,
      _,
      _,
      _,
      _,
      _,
      _,
      _,
      _,
      _,
      _,
      _,
      _,
      _,
      // bones[1], column_major.
      1,
      5,
      9,
      13,
      2,
      6,
      10,
      14,
      3,
      7,
      11,
      15,
      4,
      8,
      12,
      16,
      // flag.
      _,
  };
  EXPECT_EQ(shadow, expected);
}

}  // namespace
}  // namespace ember
