#include "runtime/fx/parser.h"

#include <algorithm>
#include <cmath>

#include "runtime/fx/parser_internal.h"

namespace ember {
namespace {

// Direct3D 9 has at most a few hundred constant registers; this only keeps a
// hostile file from asking for a huge allocation.
constexpr uint32_t kMaxArraySize = 65536;
constexpr size_t kMaxInitializerValues = 1u << 20;
constexpr int kMaxInitializerDepth = 16;

bool IsQualifier(const FxToken& token) {
  static const char* const kQualifiers[] = {
      "uniform",  "static",    "const",        "extern", "shared",
      "volatile", "row_major", "column_major", "inline", "precise",
  };
  for (const char* word : kQualifiers) {
    if (token.Is(word)) return true;
  }
  return false;
}

// Values as the declared type holds them: an int drops its fraction, a bool is 0 or 1.
void ConvertValues(FxType type, std::vector<float>& values) {
  for (float& value : values) {
    if (type == FxType::Int) value = std::trunc(value);
    if (type == FxType::Bool) value = value != 0 ? 1.0f : 0.0f;
  }
}

bool IsPlainHlslKeyword(const FxToken& token) {
  return token.Is("struct") || token.Is("typedef") || token.Is("cbuffer") || token.Is("tbuffer");
}

// "4" -> 4, "4x3" -> 4 and 3; the dimension suffix of float4x3 and friends.
bool ParseDimensions(std::string_view suffix, FxParameter& type) {
  auto digit = [](char c) { return c >= '1' && c <= '4' ? static_cast<uint32_t>(c - '0') : 0u; };
  if (suffix.empty()) {
    type.cls = FxClass::Scalar;
    return true;
  }
  if (suffix.size() == 1 && digit(suffix[0])) {
    type.cls = FxClass::Vector;
    type.columns = digit(suffix[0]);
    return true;
  }
  if (suffix.size() == 3 && digit(suffix[0]) && suffix[1] == 'x' && digit(suffix[2])) {
    type.cls = FxClass::Matrix;
    type.rows = digit(suffix[0]);
    type.columns = digit(suffix[2]);
    return true;
  }
  return false;
}

struct ObjectType {
  const char* name;
  FxType type;
  FxDimension dimension;
};

const ObjectType kTextureTypes[] = {
    {"texture", FxType::Texture, FxDimension::Any},
    {"texture1D", FxType::Texture1D, FxDimension::Tex1D},
    {"texture2D", FxType::Texture2D, FxDimension::Tex2D},
    {"texture3D", FxType::Texture3D, FxDimension::Tex3D},
    {"textureCUBE", FxType::TextureCube, FxDimension::Cube},
};

const ObjectType kSamplerTypes[] = {
    {"sampler", FxType::Sampler, FxDimension::Any},
    {"sampler1D", FxType::Sampler1D, FxDimension::Tex1D},
    {"sampler2D", FxType::Sampler2D, FxDimension::Tex2D},
    {"sampler3D", FxType::Sampler3D, FxDimension::Tex3D},
    {"samplerCUBE", FxType::SamplerCube, FxDimension::Cube},
};

}  // namespace

bool LookupParameterType(std::string_view name, FxParameter& type) {
  type.rows = 1;
  type.columns = 1;
  type.dimension = FxDimension::None;
  // Texture type names are case-insensitive in effect files ("Texture").
  for (const ObjectType& entry : kTextureTypes) {
    if (EqualsNoCase(name, entry.name)) {
      type.type = entry.type;
      type.cls = FxClass::Object;
      type.dimension = entry.dimension;
      return true;
    }
  }
  for (const ObjectType& entry : kSamplerTypes) {
    if (name == entry.name) {
      type.type = entry.type;
      type.cls = FxClass::Object;
      type.dimension = entry.dimension;
      return true;
    }
  }
  if (name == "string") {
    type.type = FxType::String;
    type.cls = FxClass::Object;
    return true;
  }
  if (name == "matrix") name = "float4x4";
  if (name == "vector") name = "float4";
  struct Base {
    const char* prefix;
    FxType type;
  };
  static const Base kBases[] = {
      {"float", FxType::Float}, {"half", FxType::Float}, {"int", FxType::Int},
      {"uint", FxType::Int},    {"dword", FxType::Int},  {"bool", FxType::Bool},
  };
  for (const Base& base : kBases) {
    std::string_view prefix = base.prefix;
    if (name.substr(0, prefix.size()) != prefix) continue;
    if (!ParseDimensions(name.substr(prefix.size()), type)) continue;
    type.type = base.type;
    return true;
  }
  return false;
}

FxParser::FxParser(std::string_view source, const char* fileName, FxEffect& out)
    : source_(source), fileName_(fileName ? fileName : "effect"), out_(out) {}

const FxToken& FxParser::Peek(size_t ahead) const {
  size_t index = std::min(pos_ + ahead, tokens_.size() - 1);
  return tokens_[index];
}

const FxToken& FxParser::Next() {
  const FxToken& token = tokens_[pos_];
  if (pos_ + 1 < tokens_.size()) ++pos_;
  return token;
}

int FxParser::ParameterIndex(std::string_view name) const {
  auto found = parameterIndex_.find(name);
  return found == parameterIndex_.end() ? -1 : static_cast<int>(found->second);
}

size_t FxParser::PreviousEnd() const { return pos_ > 0 ? tokens_[pos_ - 1].end : 0; }

bool FxParser::Fail(const FxSourcePos& at, const std::string& message) {
  *error_ = std::string(fileName_) + "(" + std::to_string(at.line) + "," +
            std::to_string(at.column) + "): error: " + message;
  return false;
}

std::string FxParser::Describe(const FxToken& token) {
  if (token.kind == FxTokenKind::End) return "end of file";
  std::string text(token.text.substr(0, 40));
  return "'" + text + "'";
}

bool FxParser::Expect(char punct, const std::string& context) {
  if (Peek().IsPunct(punct)) {
    Next();
    return true;
  }
  return Fail(Peek(),
              std::string("expected '") + punct + "' " + context + ", found " + Describe(Peek()));
}

bool FxParser::ExpectIdentifier(const std::string& what, const FxToken*& token) {
  if (Peek().kind != FxTokenKind::Identifier)
    return Fail(Peek(), "expected " + what + ", found " + Describe(Peek()));
  token = &Next();
  return true;
}

bool FxParser::Run(std::string& error) {
  error_ = &error;
  out_ = FxEffect();
  out_.source.assign(source_.data(), source_.size());
  FxSourcePos errorAt;
  std::string message;
  if (!TokenizeEffect(source_, tokens_, errorAt, message)) return Fail(errorAt, message);
  while (Peek().kind != FxTokenKind::End) {
    if (!ParseTopLevel()) return false;
  }
  if (!ResolveSamplers()) return false;
  BuildHlsl();
  return true;
}

bool FxParser::ParseTopLevel() {
  const FxToken& token = Peek();
  if (token.IsPunct(';')) {
    Next();
    return true;
  }
  if (token.IsNoCase("technique") || token.IsNoCase("technique9")) return ParseTechnique();
  // Direct3D 10 and 11 techniques, and the state objects only they use, are for other
  // compilers: left out, of the HLSL too.
  if (token.IsNoCase("technique10") || token.IsNoCase("technique11")) {
    const size_t begin = Next().begin;
    if (Peek().kind == FxTokenKind::Identifier) Next();
    std::vector<FxAnnotation> annotations;
    if (Peek().IsPunct('<') && !ParseAnnotations(annotations)) return false;
    if (!Peek().IsPunct('{')) return Expect('{', "to open the technique");
    if (!SkipBalanced()) return false;
    edits_.push_back(FxEdit{begin, PreviousEnd(), std::string()});
    return true;
  }
  if (token.Is("RasterizerState") || token.Is("DepthStencilState") || token.Is("BlendState")) {
    const size_t begin = token.begin;
    if (!SkipStatement()) return false;
    edits_.push_back(FxEdit{begin, PreviousEnd(), std::string()});
    return true;
  }
  if (IsPlainHlslKeyword(token)) return SkipStatement();
  return ParseDeclaration();
}

bool FxParser::ParseDeclaration() {
  size_t begin = Peek().begin;
  bool isStatic = false;
  while (IsQualifier(Peek())) {
    if (Peek().Is("static")) isStatic = true;
    Next();
  }
  if (Peek().kind != FxTokenKind::Identifier) return SkipStatement();
  if ((Peek().IsNoCase("VertexShader") || Peek().IsNoCase("PixelShader")) &&
      Peek(1).kind == FxTokenKind::Identifier && !Peek(2).IsPunct('('))
    return ParseShaderVariable(begin, Peek().IsNoCase("VertexShader"));
  FxParameter type;
  bool known = LookupParameterType(Next().text, type);
  if (Peek().kind == FxTokenKind::Identifier && Peek(1).IsPunct('(')) return ParseFunction(begin);
  if (known && isStatic && IsNumeric(type.type) && !Peek().IsPunct('<')) return ParseStatics(type);
  if (!known || isStatic || Peek().IsPunct('<')) return SkipStatement();
  return ParseVariables(begin, type);
}

// Statics are the shader's own constants, not effect parameters; those whose values can be
// worked out here may size arrays and feed initializers and states. One that cannot is the
// HLSL compiler's business alone, so nothing here fails the effect.
bool FxParser::ParseStatics(const FxParameter& type) {
  const size_t start = pos_;
  std::string* const error = error_;
  std::string ignored;
  error_ = &ignored;
  bool understood = true;
  const FxToken* name = nullptr;
  for (;;) {
    FxParameter constant = type;
    name = nullptr;
    understood = ExpectIdentifier("a name", name);
    if (!understood) break;
    constant.name = std::string(name->text);
    constant.where = name->where;
    if (Peek().IsPunct('[')) understood = ParseArraySize(constant);
    understood = understood && Peek().IsPunct('=');
    if (!understood) break;
    Next();
    std::vector<float> values;
    understood = ParseInitializer(values, 0);
    const uint32_t rows = std::max<uint32_t>(1, constant.arraySize) * constant.rows;
    if (values.size() == 1 && constant.arraySize == 0)
      values.resize(constant.columns * rows, values[0]);
    understood = understood && values.size() == size_t(rows) * constant.columns &&
                 values.size() <= FxConstant::kMaxValues;
    if (!understood) break;
    // An array reads as a matrix with a row for each element: s[i] is element i.
    FxConstant value;
    value.rows = rows;
    value.columns = constant.columns;
    value.isInteger = type.type != FxType::Float;
    for (size_t i = 0; i < values.size(); ++i) value.values[i] = values[i];
    constants_.Define(name->text, value);
    if (!Peek().IsPunct(',')) break;
    Next();
  }
  error_ = error;
  if (understood && Peek().IsPunct(';')) {
    Next();
    return true;
  }
  // Said only if the framework part uses the name.
  if (!understood && name) {
    const size_t text = ignored.find("error: ");
    constants_.Undefined(
        name->text,
        "its value (line " + std::to_string(name->where.line) + ") cannot be worked out at load" +
            (text == std::string::npos ? std::string() : ": " + ignored.substr(text + 7)));
  }
  pos_ = start;
  return SkipStatement();
}

bool FxParser::ParseFunction(size_t statementBegin) {
  const FxToken& nameToken = Next();
  Next();  // '('
  FxFunction function;
  function.name = std::string(nameToken.text);
  function.where = nameToken.where;
  function.returnType = std::string(Slice(statementBegin, nameToken.begin));
  while (!function.returnType.empty() && function.returnType.back() == ' ')
    function.returnType.pop_back();

  FxFunctionParam param;
  size_t paramBegin = Peek().begin;
  bool pastName = false;
  int depth = 0;
  for (;;) {
    const FxToken& token = Peek();
    if (token.kind == FxTokenKind::End)
      return Fail(nameToken, "unexpected end of file in the parameters of '" + function.name + "'");
    if (depth == 0 && (token.IsPunct(')') || token.IsPunct(','))) {
      std::string_view text = Slice(paramBegin, std::max(paramBegin, PreviousEnd()));
      if (!text.empty() && text != "void") {
        param.text = std::string(text);
        function.params.push_back(param);
      }
      param = FxFunctionParam();
      pastName = false;
      Next();
      if (token.IsPunct(')')) break;
      paramBegin = Peek().begin;
      continue;
    }
    if (token.IsPunct('(') || token.IsPunct('[') || token.IsPunct('{')) ++depth;
    if (token.IsPunct(')') || token.IsPunct(']') || token.IsPunct('}')) --depth;
    if (depth == 0 && (token.IsPunct(':') || token.IsPunct('='))) pastName = true;
    if (depth == 0 && !pastName && token.kind == FxTokenKind::Identifier) {
      if (token.Is("uniform")) param.isUniform = true;
      param.name = std::string(token.text);
    }
    Next();
  }

  size_t semanticBegin = Peek().begin;
  while (!Peek().IsPunct('{') && !Peek().IsPunct(';')) {
    if (Peek().kind == FxTokenKind::End)
      return Fail(nameToken,
                  "unexpected end of file after the parameters of '" + function.name + "'");
    Next();
  }
  if (Peek().IsPunct(';')) {
    Next();
    return true;
  }
  function.returnSemantic =
      std::string(Slice(semanticBegin, std::max(semanticBegin, PreviousEnd())));
  if (!SkipBalanced()) return false;
  out_.functions.push_back(std::move(function));
  return true;
}

bool FxParser::ParseVariables(size_t statementBegin, const FxParameter& type) {
  std::vector<size_t> declared;
  for (;;) {
    FxParameter parameter = type;
    std::string_view name = Peek().text;
    if (!ParseDeclarator(parameter)) return false;
    if (!parameterIndex_.emplace(name, out_.parameters.size()).second)
      return Fail(parameter.where, "redefinition of '" + parameter.name + "'");
    declared.push_back(out_.parameters.size());
    out_.parameters.push_back(std::move(parameter));
    if (Peek().IsPunct(',')) {
      Next();
      continue;
    }
    if (!Expect(';', "after the declaration of '" + out_.parameters.back().name + "'"))
      return false;
    break;
  }
  size_t end = PreviousEnd();
  // The HLSL compiler knows no texture objects or strings, and samplers get
  // a plain declaration of the right dimension once all are known.
  if (IsTexture(type.type) || type.type == FxType::String) {
    edits_.push_back(FxEdit{statementBegin, end, std::string()});
  } else if (IsSampler(type.type)) {
    samplerStatements_.push_back(SamplerStatement{statementBegin, end, declared});
  }
  return true;
}

bool FxParser::ParseDeclarator(FxParameter& parameter) {
  const FxToken* name = nullptr;
  if (!ExpectIdentifier("a parameter name", name)) return false;
  parameter.name = std::string(name->text);
  parameter.where = name->where;
  if (Peek().IsPunct('[') && !ParseArraySize(parameter)) return false;
  if (!ParseSemantics(parameter)) return false;
  if (Peek().IsPunct('<')) {
    size_t begin = Peek().begin;
    if (!ParseAnnotations(parameter.annotations)) return false;
    edits_.push_back(FxEdit{begin, PreviousEnd(), std::string()});
  }
  if (!Peek().IsPunct('=')) return true;

  size_t begin = Next().begin;
  if (IsNumeric(parameter.type)) {
    if (!ParseInitializer(parameter.initialValue, 0)) return false;
    ConvertValues(parameter.type, parameter.initialValue);
    size_t expected =
        size_t(parameter.rows) * parameter.columns * std::max<uint32_t>(1, parameter.arraySize);
    if (parameter.initialValue.size() == 1 && parameter.arraySize == 0)
      parameter.initialValue.assign(expected, parameter.initialValue[0]);
    if (parameter.initialValue.size() != expected)
      return Fail(*name, "initializer of '" + parameter.name + "' has " +
                             std::to_string(parameter.initialValue.size()) + " values, " +
                             std::to_string(expected) + " expected");
    edits_.push_back(FxEdit{begin, PreviousEnd(), std::string()});
  } else if (parameter.type == FxType::String) {
    if (Peek().kind != FxTokenKind::String)
      return Fail(Peek(),
                  "expected a string for '" + parameter.name + "', found " + Describe(Peek()));
    std::string_view text = Next().text;
    parameter.stringValue = std::string(text.substr(1, text.size() - 2));
  } else if (IsSampler(parameter.type)) {
    if (parameter.arraySize > 0 && Peek().IsPunct('{')) return ParseSamplerArray(parameter);
    if (!Peek().IsNoCase("sampler_state"))
      return Fail(Peek(),
                  "expected sampler_state for '" + parameter.name + "', found " + Describe(Peek()));
    Next();
    if (!ParseSamplerState(parameter)) return false;
  } else {
    while (!Peek().IsPunct(';') && !Peek().IsPunct(',')) {
      if (Peek().kind == FxTokenKind::End) return Fail(*name, "unexpected end of file");
      Next();
    }
  }
  return true;
}

bool FxParser::ParseSemantics(FxParameter& parameter) {
  while (Peek().IsPunct(':')) {
    size_t begin = Next().begin;
    const FxToken* token = nullptr;
    if (!ExpectIdentifier("a semantic after ':'", token)) return false;
    if (token->Is("register") || token->Is("packoffset")) {
      if (!Peek().IsPunct('('))
        return Fail(Peek(),
                    "expected '(' after " + Describe(*token) + ", found " + Describe(Peek()));
      if (!SkipBalanced()) return false;
    } else if (parameter.semantic.empty()) {
      parameter.semantic = std::string(token->text);
    }
    edits_.push_back(FxEdit{begin, PreviousEnd(), std::string()});
  }
  return true;
}

bool FxParser::ParseAnnotations(std::vector<FxAnnotation>& annotations) {
  Next();  // '<'
  while (!Peek().IsPunct('>')) {
    const FxToken* typeToken = nullptr;
    if (!ExpectIdentifier("an annotation type", typeToken)) return false;
    FxAnnotation annotation;
    annotation.type = std::string(typeToken->text);
    FxParameter type;
    if (!LookupParameterType(typeToken->text, type) ||
        !(IsNumeric(type.type) || type.type == FxType::String))
      return Fail(*typeToken, "unsupported annotation type " + Describe(*typeToken));
    const FxToken* nameToken = nullptr;
    if (!ExpectIdentifier("an annotation name", nameToken)) return false;
    annotation.name = std::string(nameToken->text);
    if (!Expect('=', "after the annotation '" + annotation.name + "'")) return false;
    if (type.type == FxType::String) {
      if (Peek().kind != FxTokenKind::String)
        return Fail(Peek(), "expected a string for the annotation '" + annotation.name + "'");
      std::string_view text = Next().text;
      annotation.stringValue = std::string(text.substr(1, text.size() - 2));
    } else if (!ParseInitializer(annotation.values, 0)) {
      return false;
    }
    if (!Expect(';', "after the annotation '" + annotation.name + "'")) return false;
    annotations.push_back(std::move(annotation));
  }
  Next();  // '>'
  return true;
}

// [size]: any constant expression of an integer value.
bool FxParser::ParseArraySize(FxParameter& parameter) {
  Next();  // '['
  FxConstant size;
  if (!ParseConstant(size)) return false;
  const double count = size.values[0];
  if (size.Count() != 1 || count != std::trunc(count))
    return Fail(parameter.where, "array size of '" + parameter.name + "' is not an integer");
  if (count < 1 || count > kMaxArraySize)
    return Fail(parameter.where, "array size of '" + parameter.name + "' out of range");
  parameter.arraySize = uint32_t(count);
  return Expect(']', "after the array size of '" + parameter.name + "'");
}

// A constant expression, or a {} list of initializers; every value lands in `values` in order.
bool FxParser::ParseInitializer(std::vector<float>& values, int depth) {
  if (depth > kMaxInitializerDepth) return Fail(Peek(), "initializer nested too deeply");
  if (values.size() >= kMaxInitializerValues) return Fail(Peek(), "initializer too long");
  if (!Peek().IsPunct('{')) {
    FxConstant value;
    if (!ParseConstant(value)) return false;
    for (uint32_t i = 0; i < value.Count(); ++i) values.push_back(float(value.values[i]));
    return true;
  }
  Next();
  while (!Peek().IsPunct('}')) {
    if (!ParseInitializer(values, depth + 1)) return false;
    if (Peek().IsPunct(',')) {
      Next();
    } else if (!Peek().IsPunct('}')) {
      return Fail(Peek(), "expected ',' or '}' in the initializer, found " + Describe(Peek()));
    }
  }
  Next();
  return true;
}

bool FxParser::ParseConstant(FxConstant& value) {
  size_t errorAt = 0;
  std::string message;
  if (constants_.Evaluate(tokens_, pos_, value, errorAt, message)) return true;
  return Fail(tokens_[errorAt], message);
}

bool FxParser::ParseInteger(uint32_t& value, const std::string& context) {
  double number = 0;
  bool isInteger = false;
  if (Peek().kind != FxTokenKind::Number)
    return Fail(Peek(), "expected an integer " + context + ", found " + Describe(Peek()));
  if (!ParseFxNumber(Peek().text, number, isInteger))
    return Fail(Peek(), "bad number " + Describe(Peek()));
  if (!isInteger || number > 4294967295.0)
    return Fail(Peek(), "expected an integer " + context + ", found " + Describe(Peek()));
  value = static_cast<uint32_t>(number);
  Next();
  return true;
}

// Plain HLSL the parser does not need: skip to the ';' that ends it, or past
// the '}' of a body that needs none (functions, cbuffers).
bool FxParser::SkipStatement() {
  const FxToken& start = Peek();
  int depth = 0;
  for (;;) {
    const FxToken& token = Next();
    if (token.kind == FxTokenKind::End)
      return Fail(start, "unexpected end of file in the declaration");
    if (token.IsPunct('(') || token.IsPunct('[') || token.IsPunct('{')) ++depth;
    if (token.IsPunct(')') || token.IsPunct(']') || token.IsPunct('}')) {
      if (--depth == 0 && token.IsPunct('}')) {
        if (Peek().IsPunct(';')) Next();
        return true;
      }
      if (depth < 0) return Fail(token, "unexpected " + Describe(token));
    }
    if (depth == 0 && token.IsPunct(';')) return true;
  }
}

// Skips a bracketed group starting at the current token, brackets included.
bool FxParser::SkipBalanced() {
  const FxToken& start = Peek();
  int depth = 0;
  do {
    const FxToken& token = Next();
    if (token.kind == FxTokenKind::End)
      return Fail(start, "unexpected end of file: " + Describe(start) + " is not closed");
    if (token.IsPunct('(') || token.IsPunct('[') || token.IsPunct('{')) ++depth;
    if (token.IsPunct(')') || token.IsPunct(']') || token.IsPunct('}')) --depth;
  } while (depth > 0);
  return true;
}

void FxParser::BuildHlsl() {
  std::sort(edits_.begin(), edits_.end(),
            [](const FxEdit& a, const FxEdit& b) { return a.begin < b.begin; });
  std::string& hlsl = out_.hlsl;
  hlsl.clear();
  hlsl.reserve(source_.size() + 64);
  size_t pos = 0;
  for (const FxEdit& edit : edits_) {
    if (edit.begin < pos) continue;
    hlsl.append(source_.substr(pos, edit.begin - pos));
    size_t firstLineEnd = source_.find('\n', edit.begin);
    if (firstLineEnd == std::string_view::npos || firstLineEnd > edit.end) firstLineEnd = edit.end;
    // The replacement goes over the first line; a longer one pushes only
    // the rest of that line to the right.
    size_t room = firstLineEnd - edit.begin;
    hlsl.append(edit.text);
    if (edit.text.size() < room) hlsl.append(room - edit.text.size(), ' ');
    for (size_t i = firstLineEnd; i < edit.end; ++i) {
      char c = source_[i];
      hlsl.push_back(c == '\n' || c == '\r' ? c : ' ');
    }
    pos = edit.end;
  }
  hlsl.append(source_.substr(pos));
}

int FindParameter(const FxEffect& effect, std::string_view name) {
  for (size_t i = 0; i < effect.parameters.size(); ++i) {
    if (effect.parameters[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

bool ParseEffect(std::string_view source, const char* fileName, FxEffect& out, std::string& error) {
  FxParser parser(source, fileName, out);
  return parser.Run(error);
}

}  // namespace ember
