// The effect parser's state, shared by its two halves: declarations
// (parser.cpp) and techniques, passes and sampler states
// (fx_parser_states.cpp).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "runtime/fx/const_expr.h"
#include "runtime/fx/lexer.h"
#include "runtime/fx/model.h"
#include "runtime/fx/states.h"

namespace ember {

// A span of the source replaced in the HLSL text: blanked, with `text`
// written over its first line.
struct FxEdit {
  size_t begin = 0;
  size_t end = 0;
  std::string text;
};

class FxParser {
 public:
  FxParser(std::string_view source, const char* fileName, FxEffect& out);
  bool Run(std::string& error);

 private:
  // A file-scope shader variable, or an array of them.
  struct ShaderVariable {
    bool vertex = false;
    bool isArray = false;
    std::vector<FxShaderCall> calls;
  };

  struct SamplerStatement {
    size_t begin = 0;
    size_t end = 0;
    std::vector<size_t> parameters;
  };

  // Token cursor; reading past the end keeps returning the End token.
  const FxToken& Peek(size_t ahead = 0) const;
  const FxToken& Next();
  bool Fail(const FxSourcePos& at, const std::string& message);
  bool Fail(const FxToken& at, const std::string& message) { return Fail(at.where, message); }
  bool Expect(char punct, const std::string& context);
  bool ExpectIdentifier(const std::string& what, const FxToken*& token);
  static std::string Describe(const FxToken& token);
  std::string_view Slice(size_t begin, size_t end) const {
    return source_.substr(begin, end - begin);
  }
  size_t PreviousEnd() const;

  // Declarations.
  bool ParseTopLevel();
  bool ParseDeclaration();
  bool ParseStatics(const FxParameter& type);
  bool ParseShaderVariable(size_t statementBegin, bool vertex);
  bool ParseFunction(size_t statementBegin);
  bool ParseVariables(size_t statementBegin, const FxParameter& type);
  bool ParseDeclarator(FxParameter& parameter);
  bool ParseSemantics(FxParameter& parameter);
  bool ParseAnnotations(std::vector<FxAnnotation>& annotations);
  bool ParseArraySize(FxParameter& parameter);
  bool ParseInitializer(std::vector<float>& values, int depth);
  bool ParseConstant(FxConstant& value);
  bool ParseInteger(uint32_t& value, const std::string& context);
  bool SkipStatement();
  bool SkipBalanced();

  // Techniques, passes and sampler states.
  bool ParseTechnique();
  bool ParsePass(FxPass& pass);
  bool ParsePassState(FxPass& pass);
  bool ParseShaderCall(FxShaderCall& call, bool vertex);
  bool ParseShaderValue(FxShaderCall& call, bool vertex);
  bool ParseShaderReference(FxShaderCall& call, bool vertex);
  bool ParseCompile(FxShaderCall& call, bool vertex);
  bool ParseSamplerState(FxParameter& sampler);
  bool ParseSamplerArray(FxParameter& sampler);
  bool ParseSamplerTexture(FxParameter& sampler);
  bool ParseStateValue(const FxStateInfo& info, FxState& state);
  bool ParseStateParameter(const FxStateInfo& info, FxState& state, bool& matched);
  bool ParseRawStateValue(FxState& state);

  // After the last token.
  bool ResolveSamplers();
  int ParameterIndex(std::string_view name) const;
  FxDimension DimensionFromUse(std::string_view samplerName);
  void BuildHlsl();

  std::string_view source_;
  const char* fileName_;
  FxEffect& out_;
  std::string* error_ = nullptr;
  std::vector<FxToken> tokens_;
  size_t pos_ = 0;
  std::vector<FxEdit> edits_;
  std::vector<SamplerStatement> samplerStatements_;
  // Name lookups stay linear in the file's size, whatever it declares.
  std::unordered_map<std::string_view, size_t> parameterIndex_;
  std::unordered_map<std::string_view, FxDimension> samplerUses_;
  // `static` values known at load, for array sizes, initializers and state values.
  FxConstantEvaluator constants_;
  // `VertexShader vs = compile ...;` at file scope, for passes that name them.
  std::unordered_map<std::string_view, ShaderVariable> shaderVariables_;
  bool samplerUsesScanned_ = false;
};

inline bool IsTexture(FxType type) {
  return type == FxType::Texture || type == FxType::Texture1D || type == FxType::Texture2D ||
         type == FxType::Texture3D || type == FxType::TextureCube;
}

inline bool IsSampler(FxType type) {
  return type == FxType::Sampler || type == FxType::Sampler1D || type == FxType::Sampler2D ||
         type == FxType::Sampler3D || type == FxType::SamplerCube;
}

inline bool IsNumeric(FxType type) {
  return type == FxType::Float || type == FxType::Int || type == FxType::Bool;
}

// Fills type, class, rows and columns from an HLSL or effect type name;
// false for names that make no effect parameter (void, struct names...).
bool LookupParameterType(std::string_view name, FxParameter& type);

}  // namespace ember
