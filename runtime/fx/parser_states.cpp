// Techniques, passes and sampler_state blocks: the effect framework's state
// assignments, with their values turned into Direct3D 9 numbers.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "runtime/fx/parser_internal.h"

namespace ember {
namespace {

struct Profile {
  const char* name;
  bool vertex;
  uint32_t major;
  uint32_t minor;
};

const Profile kProfiles[] = {
    {"vs_1_1", true, 1, 1},  {"vs_2_0", true, 2, 0},  {"vs_2_a", true, 2, 0},
    {"vs_2_sw", true, 2, 0}, {"vs_3_0", true, 3, 0},  {"ps_2_0", false, 2, 0},
    {"ps_2_a", false, 2, 0}, {"ps_2_b", false, 2, 0}, {"ps_2_sw", false, 2, 0},
    {"ps_3_0", false, 3, 0},
};

const Profile* FindProfile(std::string_view name) {
  for (const Profile& profile : kProfiles) {
    if (EqualsNoCase(name, profile.name)) return &profile;
  }
  return nullptr;
}

const char* DimensionName(FxDimension dimension) {
  switch (dimension) {
    case FxDimension::Tex1D:
      return "1D";
    case FxDimension::Tex2D:
      return "2D";
    case FxDimension::Tex3D:
      return "3D";
    case FxDimension::Cube:
      return "cube";
    default:
      return "untyped";
  }
}

const char* HlslSamplerType(FxDimension dimension) {
  switch (dimension) {
    case FxDimension::Tex1D:
      return "sampler1D";
    case FxDimension::Tex3D:
      return "sampler3D";
    case FxDimension::Cube:
      return "samplerCUBE";
    default:
      return "sampler2D";
  }
}

bool IsConcrete(FxDimension dimension) {
  return dimension != FxDimension::None && dimension != FxDimension::Any;
}

}  // namespace

bool FxParser::ParseTechnique() {
  size_t begin = Next().begin;
  FxTechnique technique;
  technique.where = Peek().where;
  if (Peek().kind == FxTokenKind::Identifier) technique.name = std::string(Next().text);
  if (Peek().IsPunct('<') && !ParseAnnotations(technique.annotations)) return false;
  if (!Expect('{', "to open the technique")) return false;
  while (!Peek().IsPunct('}')) {
    if (!Peek().IsNoCase("pass"))
      return Fail(Peek(), "expected 'pass' in the technique, found " + Describe(Peek()));
    technique.passes.emplace_back();
    if (!ParsePass(technique.passes.back())) return false;
  }
  Next();
  edits_.push_back(FxEdit{begin, PreviousEnd(), std::string()});
  out_.techniques.push_back(std::move(technique));
  return true;
}

bool FxParser::ParsePass(FxPass& pass) {
  Next();  // "pass"
  pass.where = Peek().where;
  if (Peek().kind == FxTokenKind::Identifier) pass.name = std::string(Next().text);
  if (Peek().IsPunct('<') && !ParseAnnotations(pass.annotations)) return false;
  if (!Expect('{', "to open the pass")) return false;
  while (!Peek().IsPunct('}')) {
    if (!ParsePassState(pass)) return false;
  }
  Next();
  return true;
}

bool FxParser::ParsePassState(FxPass& pass) {
  const FxToken* name = nullptr;
  if (!ExpectIdentifier("a state name", name)) return false;
  size_t nameEnd = name->end;
  bool indexed = Peek().IsPunct('[');
  if (indexed) {
    if (!SkipBalanced()) return false;
    nameEnd = PreviousEnd();
  }
  FxState state;
  state.name = std::string(Slice(name->begin, nameEnd));
  state.where = name->where;
  if (!Expect('=', "after the state " + state.name)) return false;
  if (!indexed && name->IsNoCase("VertexShader")) return ParseShaderCall(pass.vertexShader, true);
  if (!indexed && name->IsNoCase("PixelShader")) return ParseShaderCall(pass.pixelShader, false);
  const FxStateInfo* info = indexed ? nullptr : FindRenderState(name->text);
  if (info) {
    state.type = info->type;
    state.supported = true;
    if (!ParseStateValue(*info, state)) return false;
  } else if (!ParseRawStateValue(state)) {
    return false;
  }
  pass.states.push_back(std::move(state));
  return true;
}

// VertexShader = compile vs_2_0 f(); = NULL; = asm { }; or the name of a shader variable,
// bare, in brackets or in angle brackets.
bool FxParser::ParseShaderCall(FxShaderCall& call, bool vertex) {
  call = FxShaderCall();
  const bool named =
      Peek().IsPunct('(') || Peek().IsPunct('<') ||
      (Peek().kind == FxTokenKind::Identifier && shaderVariables_.count(Peek().text) > 0);
  if (!(named ? ParseShaderReference(call, vertex) : ParseShaderValue(call, vertex))) return false;
  return Expect(';', std::string("after the ") + (vertex ? "VertexShader" : "PixelShader"));
}

bool FxParser::ParseShaderValue(FxShaderCall& call, bool vertex) {
  const char* stateName = vertex ? "VertexShader" : "PixelShader";
  if (Peek().IsNoCase("NULL")) {
    Next();
    return true;
  }
  if (Peek().IsNoCase("asm") && Peek(1).IsPunct('{')) {
    call.where = Next().where;
    call.unsupported = "assembly shaders are not supported";
    return SkipBalanced();
  }
  if (!Peek().IsNoCase("compile"))
    return Fail(Peek(), std::string("expected 'compile' or NULL for ") + stateName + ", found " +
                            Describe(Peek()));
  Next();
  return ParseCompile(call, vertex);
}

bool FxParser::ParseShaderReference(FxShaderCall& call, bool vertex) {
  char close = 0;
  if (Peek().IsPunct('(')) close = ')';
  if (Peek().IsPunct('<')) close = '>';
  if (close) Next();
  const FxToken* name = nullptr;
  if (!ExpectIdentifier("a shader variable", name)) return false;
  auto found = shaderVariables_.find(name->text);
  if (found == shaderVariables_.end())
    return Fail(*name, Describe(*name) + " is not a shader variable");
  const ShaderVariable& variable = found->second;
  if (variable.vertex != vertex)
    return Fail(*name, Describe(*name) + " is a " + (vertex ? "pixel" : "vertex") + " shader");
  if (!variable.isArray) {
    call = variable.calls.front();
  } else if (Peek().IsPunct('[')) {
    const FxToken& open = Next();
    // An index the file fixes picks the shader now; a parameter picks it at each pass.
    std::string* const error = error_;
    std::string ignored;
    error_ = &ignored;
    const size_t start = pos_;
    FxConstant index;
    const bool fixed = ParseConstant(index) && Peek().IsPunct(']') && index.Count() == 1;
    error_ = error;
    if (fixed && (index.values[0] < 0 || index.values[0] >= variable.calls.size()))
      return Fail(open, "index out of range for " + Describe(*name));
    if (fixed) {
      call = variable.calls[size_t(index.values[0])];
      Next();  // ']'
    } else {
      pos_ = start;
      const int selector =
          Peek().kind == FxTokenKind::Identifier ? ParameterIndex(Peek().text) : -1;
      if (selector < 0 || !IsNumeric(out_.parameters[size_t(selector)].type) ||
          !Peek(1).IsPunct(']'))
        return Fail(Peek(), "the index of " + Describe(*name) +
                                " must be a constant or a numeric parameter");
      Next();
      Next();  // ']'
      call = variable.calls.front();
      call.where = name->where;
      call.selector = selector;
      call.choices = variable.calls;
    }
  } else {
    return Fail(*name, Describe(*name) + " is an array of shaders; pick one with []");
  }
  return !close || Expect(close, "after the shader variable");
}

// What follows `compile`: the profile, the entry point and its arguments.
bool FxParser::ParseCompile(FxShaderCall& call, bool vertex) {
  const FxToken* profileToken = nullptr;
  if (!ExpectIdentifier("a shader profile", profileToken)) return false;
  const Profile* profile = FindProfile(profileToken->text);
  if (!profile) return Fail(*profileToken, "unsupported shader profile " + Describe(*profileToken));
  if (profile->vertex != vertex)
    return Fail(*profileToken, Describe(*profileToken) + " is not a " +
                                   (vertex ? "vertex" : "pixel") + " shader profile");
  const FxToken* entry = nullptr;
  if (!ExpectIdentifier("an entry point name", entry)) return false;
  call.present = true;
  call.profile = profile->name;
  call.major = profile->major;
  call.minor = profile->minor;
  call.entry = std::string(entry->text);
  call.where = entry->where;
  if (!Expect('(', "after the entry point " + call.entry)) return false;
  size_t argBegin = Peek().begin;
  int depth = 0;
  for (;;) {
    const FxToken& token = Peek();
    if (token.kind == FxTokenKind::End)
      return Fail(*entry, "unexpected end of file in the arguments");
    if (depth == 0 && (token.IsPunct(',') || token.IsPunct(')'))) {
      bool closing = token.IsPunct(')');
      bool empty = argBegin == token.begin || PreviousEnd() <= argBegin;
      if (empty && !(closing && call.args.empty()))
        return Fail(token, "missing argument to " + call.entry);
      if (!empty) call.args.push_back(std::string(Slice(argBegin, PreviousEnd())));
      Next();
      if (closing) break;
      argBegin = Peek().begin;
      continue;
    }
    if (token.IsPunct('(') || token.IsPunct('[') || token.IsPunct('{')) ++depth;
    if (token.IsPunct(')') || token.IsPunct(']') || token.IsPunct('}')) --depth;
    Next();
  }
  return true;
}

// VertexShader vs = compile vs_2_0 f(); at file scope, or an array of them in {}. The HLSL
// compiler never sees it.
bool FxParser::ParseShaderVariable(size_t statementBegin, bool vertex) {
  Next();  // VertexShader or PixelShader
  const FxToken* name = nullptr;
  if (!ExpectIdentifier("a shader variable name", name)) return false;
  ShaderVariable variable;
  variable.vertex = vertex;
  FxParameter array;
  array.name = std::string(name->text);
  array.where = name->where;
  if (Peek().IsPunct('[')) {
    if (!ParseArraySize(array)) return false;
    variable.isArray = true;
  }
  if (!Expect('=', "after the shader variable " + array.name)) return false;
  if (variable.isArray) {
    if (!Expect('{', "to open the shaders of " + array.name)) return false;
    while (!Peek().IsPunct('}')) {
      variable.calls.emplace_back();
      if (!ParseShaderValue(variable.calls.back(), vertex)) return false;
      if (Peek().IsPunct(','))
        Next();
      else if (!Peek().IsPunct('}'))
        return Fail(Peek(), "expected ',' or '}' in the shaders of " + array.name + ", found " +
                                Describe(Peek()));
    }
    Next();
    if (variable.calls.size() != array.arraySize)
      return Fail(*name, "'" + array.name + "' has " + std::to_string(variable.calls.size()) +
                             " shaders, " + std::to_string(array.arraySize) + " expected");
  } else {
    variable.calls.emplace_back();
    if (!ParseShaderValue(variable.calls.back(), vertex)) return false;
  }
  if (!Expect(';', "after the shader variable " + array.name)) return false;
  if (!shaderVariables_.emplace(name->text, std::move(variable)).second ||
      parameterIndex_.count(name->text))
    return Fail(*name, "redefinition of '" + array.name + "'");
  edits_.push_back(FxEdit{statementBegin, PreviousEnd(), std::string()});
  return true;
}

bool FxParser::ParseSamplerState(FxParameter& sampler) {
  if (!Expect('{', "after sampler_state")) return false;
  while (!Peek().IsPunct('}')) {
    const FxToken* name = nullptr;
    if (!ExpectIdentifier("a sampler state name", name)) return false;
    if (!Expect('=', "after the sampler state " + Describe(*name))) return false;
    if (name->IsNoCase("Texture")) {
      if (!ParseSamplerTexture(sampler)) return false;
      continue;
    }
    FxState state;
    state.name = std::string(name->text);
    state.where = name->where;
    const FxStateInfo* info = FindSamplerState(name->text);
    if (info) {
      state.type = info->type;
      state.supported = true;
      if (!ParseStateValue(*info, state)) return false;
    } else if (!ParseRawStateValue(state)) {
      return false;
    }
    sampler.samplerStates.push_back(std::move(state));
  }
  Next();
  return true;
}

// sampler2D maps[2] = { sampler_state { ... }, sampler_state { ... } };
bool FxParser::ParseSamplerArray(FxParameter& sampler) {
  Next();  // '{'
  while (!Peek().IsPunct('}')) {
    if (!Peek().IsNoCase("sampler_state"))
      return Fail(Peek(),
                  "expected sampler_state for '" + sampler.name + "', found " + Describe(Peek()));
    Next();
    FxParameter element;
    if (!ParseSamplerState(element)) return false;
    sampler.samplerElements.push_back(FxSamplerElement{
        element.samplerTexture, element.samplerTextureIndex, std::move(element.samplerStates)});
    if (Peek().IsPunct(',')) {
      Next();
    } else if (!Peek().IsPunct('}')) {
      return Fail(Peek(), "expected ',' or '}' in the samplers of '" + sampler.name + "', found " +
                              Describe(Peek()));
    }
  }
  Next();
  if (sampler.samplerElements.size() != sampler.arraySize)
    return Fail(sampler.where,
                "'" + sampler.name + "' has " + std::to_string(sampler.samplerElements.size()) +
                    " sampler states, " + std::to_string(sampler.arraySize) + " expected");
  return true;
}

// Texture = <name>; the effect framework also takes (name) and a bare name.
bool FxParser::ParseSamplerTexture(FxParameter& sampler) {
  char close = 0;
  if (Peek().IsPunct('<')) close = '>';
  if (Peek().IsPunct('(')) close = ')';
  if (close) Next();
  const FxToken* texture = nullptr;
  if (!ExpectIdentifier("a texture name", texture)) return false;
  if (close && !Expect(close, "after the texture name")) return false;
  if (!Expect(';', "after the sampler's texture")) return false;
  if (texture->IsNoCase("NULL")) return true;
  int index = ParameterIndex(texture->text);
  if (index < 0 || !IsTexture(out_.parameters[index].type))
    return Fail(*texture, Describe(*texture) + " is not a texture parameter");
  sampler.samplerTexture = std::string(texture->text);
  sampler.samplerTextureIndex = index;
  return true;
}

bool FxParser::ParseStateValue(const FxStateInfo& info, FxState& state) {
  size_t begin = Peek().begin;
  const FxToken& first = Peek();
  std::string context = std::string("for ") + info.name;
  state.isFloat = info.kind == FxValueKind::Float;
  bool fromParameter = false;
  if (!ParseStateParameter(info, state, fromParameter)) return false;
  uint32_t value = 0;
  FxConstant number;
  if (fromParameter) {
    // Applied from the parameter's value at each pass.
  } else if (info.kind == FxValueKind::Enum || info.kind == FxValueKind::Flags) {
    if (first.kind == FxTokenKind::Number) {
      if (!ParseInteger(value, context)) return false;
    } else {
      for (;;) {
        const FxToken* name = nullptr;
        if (!ExpectIdentifier("a value " + context, name)) return false;
        uint32_t named = 0;
        if (!FindStateValueName(info, name->text, named))
          return Fail(*name, Describe(*name) + " is not a valid value " + context);
        value |= named;
        if (info.kind == FxValueKind::Enum || !Peek().IsPunct('|')) break;
        Next();
      }
    }
  } else if (info.kind == FxValueKind::Bool &&
             (first.IsNoCase("true") || first.IsNoCase("false"))) {
    value = first.IsNoCase("true") ? 1 : 0;
    Next();
  } else {
    if (!ParseConstant(number)) return false;
    const double x = number.values[0];
    if (number.Count() != 1) return Fail(first, "expected one value " + context);
    if (info.kind == FxValueKind::Float) {
      const float asFloat = float(x);
      std::memcpy(&value, &asFloat, sizeof value);
    } else if (info.kind == FxValueKind::Bool) {
      value = x != 0 ? 1 : 0;
    } else if (x != std::trunc(x) || x < -2147483648.0 || x > 4294967295.0) {
      return Fail(first, "expected an integer " + context);
    } else {
      value = x < 0 ? uint32_t(int32_t(x)) : uint32_t(x);
    }
  }
  state.value = value;
  state.rawValue = std::string(Slice(begin, PreviousEnd()));
  return Expect(';', "after the value of " + state.name);
}

// <name>, (name) or a bare name of a numeric parameter: the state follows that parameter.
// A value name of the state's own wins over a parameter of the same name.
bool FxParser::ParseStateParameter(const FxStateInfo& info, FxState& state, bool& matched) {
  const bool angled = Peek().IsPunct('<');
  const bool bracketed = Peek().IsPunct('(') && Peek(2).IsPunct(')');
  const FxToken& name = angled || bracketed ? Peek(1) : Peek();
  const int index = name.kind == FxTokenKind::Identifier ? ParameterIndex(name.text) : -1;
  const bool numeric = index >= 0 && IsNumeric(out_.parameters[size_t(index)].type);
  uint32_t named = 0;
  const bool valueName = FindStateValueName(info, name.text, named);
  matched = angled || (numeric && !valueName && (bracketed || Peek(1).IsPunct(';')));
  if (!matched) return true;
  if (!numeric) return Fail(name, Describe(name) + " is not a numeric parameter");
  if (angled && !Peek(2).IsPunct('>'))
    return Fail(Peek(2), "expected '>' after the parameter, found " + Describe(Peek(2)));
  for (int i = angled || bracketed ? 3 : 1; i > 0; --i) Next();
  state.parameter = index;
  return true;
}

// A state this runtime does not know: kept as written, up to its ';'.
bool FxParser::ParseRawStateValue(FxState& state) {
  size_t begin = Peek().begin;
  int depth = 0;
  while (depth > 0 || !Peek().IsPunct(';')) {
    const FxToken& token = Next();
    if (token.kind == FxTokenKind::End)
      return Fail(state.where, "unexpected end of file in the state " + state.name);
    if (token.IsPunct('(') || token.IsPunct('[') || token.IsPunct('{')) ++depth;
    if (token.IsPunct(')') || token.IsPunct(']') || token.IsPunct('}')) --depth;
  }
  state.rawValue = std::string(Slice(begin, std::max(begin, PreviousEnd())));
  Next();
  return true;
}

bool FxParser::ResolveSamplers() {
  for (FxParameter& sampler : out_.parameters) {
    if (!IsSampler(sampler.type)) continue;
    FxDimension textureDimension = FxDimension::None;
    int texture = sampler.samplerTextureIndex;
    for (const FxSamplerElement& element : sampler.samplerElements)
      if (texture < 0) texture = element.textureIndex;
    if (texture >= 0) textureDimension = out_.parameters[size_t(texture)].dimension;
    if (sampler.dimension == FxDimension::Any) {
      sampler.dimension =
          IsConcrete(textureDimension) ? textureDimension : DimensionFromUse(sampler.name);
    } else if (IsConcrete(textureDimension) && textureDimension != sampler.dimension) {
      return Fail(sampler.where, "sampler '" + sampler.name + "' is " +
                                     DimensionName(sampler.dimension) + " but its texture '" +
                                     out_.parameters[size_t(texture)].name + "' is " +
                                     DimensionName(textureDimension));
    }
  }
  for (const SamplerStatement& statement : samplerStatements_) {
    std::string text;
    for (size_t index : statement.parameters) {
      const FxParameter& sampler = out_.parameters[index];
      if (!text.empty()) text += ' ';
      text += HlslSamplerType(sampler.dimension);
      text += ' ';
      text += sampler.name;
      if (sampler.arraySize > 0) text += "[" + std::to_string(sampler.arraySize) + "]";
      text += ';';
    }
    edits_.push_back(FxEdit{statement.begin, statement.end, text});
  }
  return true;
}

// A plain `sampler` on a plain `texture`: the texture lookups made through it
// tell its dimension; 2D when nothing does.
FxDimension FxParser::DimensionFromUse(std::string_view samplerName) {
  if (!samplerUsesScanned_) {
    samplerUsesScanned_ = true;
    struct Lookup {
      const char* prefix;
      FxDimension dimension;
    };
    static const Lookup kLookups[] = {
        {"tex1D", FxDimension::Tex1D},
        {"tex2D", FxDimension::Tex2D},
        {"tex3D", FxDimension::Tex3D},
        {"texCUBE", FxDimension::Cube},
    };
    for (size_t i = 0; i + 2 < tokens_.size(); ++i) {
      const FxToken& call = tokens_[i];
      const FxToken& sampler = tokens_[i + 2];
      if (call.kind != FxTokenKind::Identifier || !tokens_[i + 1].IsPunct('(') ||
          sampler.kind != FxTokenKind::Identifier)
        continue;
      for (const Lookup& lookup : kLookups) {
        if (call.text.substr(0, std::strlen(lookup.prefix)) == lookup.prefix)
          samplerUses_.emplace(sampler.text, lookup.dimension);
      }
    }
  }
  auto found = samplerUses_.find(samplerName);
  return found == samplerUses_.end() ? FxDimension::Tex2D : found->second;
}

}  // namespace ember
