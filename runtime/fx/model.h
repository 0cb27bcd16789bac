// Plain data of a parsed Direct3D 9 effect: parameters, techniques holding
// passes holding state lists, and the HLSL text that goes to the shader
// compiler. The effect runtime resolves names to indices once, at load.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ember {

struct FxSourcePos {
  uint32_t line = 0;    // 1-based; 0 when unknown
  uint32_t column = 0;  // 1-based byte column
};

enum class FxType {
  Float,  // half is read as float, as Direct3D 9 hardware does
  Int,
  Bool,
  String,
  Texture,
  Texture1D,
  Texture2D,
  Texture3D,
  TextureCube,
  Sampler,
  Sampler1D,
  Sampler2D,
  Sampler3D,
  SamplerCube,
};

enum class FxClass { Scalar, Vector, Matrix, Object };

// What a texture or sampler addresses. A plain `texture` is Any; a plain
// `sampler` takes the dimension of its texture, or of the texN calls on it.
enum class FxDimension { None, Any, Tex1D, Tex2D, Tex3D, Cube };

struct FxAnnotation {
  std::string type;  // as written: "string", "float3", ...
  std::string name;
  std::string stringValue;
  std::vector<float> values;
};

// One state assignment of a pass or of a sampler_state block.
struct FxState {
  std::string name;    // as written
  uint32_t type = 0;   // D3DRENDERSTATETYPE or D3DSAMPLERSTATETYPE; 0 when unknown
  uint32_t value = 0;  // the DWORD Direct3D takes; FLOAT states carry the float's bits
  bool supported = false;
  bool isFloat = false;  // a FLOAT state: a parameter's value goes in as the float's bits
  int parameter = -1;    // <name>: the numeric parameter whose value the state takes; else -1
  std::string rawValue;  // the value's text, kept for unknown states
  FxSourcePos where;
};

// What a sampler_state block says: the texture it reads and its states.
struct FxSamplerElement {
  std::string texture;
  int textureIndex = -1;
  std::vector<FxState> states;
};

struct FxParameter {
  std::string name;
  std::string semantic;  // empty when none
  FxType type = FxType::Float;
  FxClass cls = FxClass::Scalar;
  uint32_t rows = 1;  // float4x3: 4 rows, 3 columns; float3: 1 row, 3 columns
  uint32_t columns = 1;
  uint32_t arraySize = 0;  // 0: not an array
  std::vector<float>
      initialValue;         // empty: no initializer; else rows*columns*max(1,arraySize) floats
  std::string stringValue;  // initial value of a string parameter
  std::vector<FxAnnotation> annotations;

  FxDimension dimension = FxDimension::None;  // textures and samplers
  std::string samplerTexture;                 // sampler_state's Texture = <name>
  int samplerTextureIndex = -1;               // index of that texture parameter
  std::vector<FxState> samplerStates;
  // A sampler array's sampler_state blocks, one per element; empty otherwise.
  std::vector<FxSamplerElement> samplerElements;

  FxSourcePos where;
};

// `VertexShader = compile vs_3_0 main(args)` of a pass.
struct FxShaderCall {
  bool present = false;
  std::string profile;            // "vs_3_0"
  uint32_t major = 0, minor = 0;  // 3, 0; vs_2_a and ps_2_b read as 2.0
  std::string entry;
  std::vector<std::string> args;  // source text of each argument
  FxSourcePos where;              // of the entry point name
  // Why this shader cannot be built here (an assembly shader); empty when it can. The
  // technique that uses it is then not valid.
  std::string unsupported;
  // `(shaders[index])`: the int parameter whose value picks one of `choices` at each pass;
  // -1 for a shader that is fixed.
  int selector = -1;
  std::vector<FxShaderCall> choices;
};

struct FxPass {
  std::string name;
  std::vector<FxAnnotation> annotations;
  std::vector<FxState> states;  // render states, in the order written
  FxShaderCall vertexShader;
  FxShaderCall pixelShader;
  FxSourcePos where;
};

struct FxTechnique {
  std::string name;
  std::vector<FxAnnotation> annotations;
  std::vector<FxPass> passes;
  FxSourcePos where;
};

struct FxFunctionParam {
  std::string text;  // the whole parameter as written, semantic included
  std::string name;
  bool isUniform = false;
};

// A function definition of the HLSL part; compile arguments need its signature.
struct FxFunction {
  std::string name;
  std::string returnType;      // text before the name, qualifiers included
  std::string returnSemantic;  // ": COLOR0" or empty
  std::vector<FxFunctionParam> params;
  FxSourcePos where;
};

struct FxEffect {
  std::string source;  // the file as read
  // The source with the framework-only parts blanked, every line and column
  // in its place, for the HLSL compiler.
  std::string hlsl;
  std::vector<FxParameter> parameters;  // in declaration order
  std::vector<FxTechnique> techniques;
  std::vector<FxFunction> functions;
};

}  // namespace ember
