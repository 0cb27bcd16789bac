#include "runtime/fx/const_expr.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "runtime/fx/parser_internal.h"

namespace ember {
namespace {

// Brackets nest deeper than any real file; this keeps a hostile one off the stack's end.
constexpr int kMaxDepth = 64;
constexpr uint32_t kMaxArguments = 16;

// Binary operators from the loosest to the tightest binding, as in C.
enum Level { kOr, kAnd, kBitOr, kBitXor, kBitAnd, kEquality, kRelation, kShift, kSum, kProduct };

double Saturate(double x) { return std::min(1.0, std::max(0.0, x)); }
double Frac(double x) { return x - std::floor(x); }
double Rsqrt(double x) { return 1.0 / std::sqrt(x); }
double Sign(double x) { return x > 0 ? 1.0 : x < 0 ? -1.0 : 0.0; }
double Degrees(double x) { return x * (180.0 / M_PI); }
double Radians(double x) { return x * (M_PI / 180.0); }
double Round(double x) { return std::nearbyint(x); }

struct UnaryIntrinsic {
  const char* name;
  double (*apply)(double);
};

const UnaryIntrinsic kUnary[] = {
    {"acos", [](double x) { return std::acos(x); }},
    {"asin", [](double x) { return std::asin(x); }},
    {"atan", [](double x) { return std::atan(x); }},
    {"ceil", [](double x) { return std::ceil(x); }},
    {"cos", [](double x) { return std::cos(x); }},
    {"cosh", [](double x) { return std::cosh(x); }},
    {"degrees", Degrees},
    {"exp", [](double x) { return std::exp(x); }},
    {"exp2", [](double x) { return std::exp2(x); }},
    {"floor", [](double x) { return std::floor(x); }},
    {"frac", Frac},
    {"log", [](double x) { return std::log(x); }},
    {"log10", [](double x) { return std::log10(x); }},
    {"log2", [](double x) { return std::log2(x); }},
    {"radians", Radians},
    {"round", Round},
    {"rsqrt", Rsqrt},
    {"saturate", Saturate},
    {"sign", Sign},
    {"sin", [](double x) { return std::sin(x); }},
    {"sinh", [](double x) { return std::sinh(x); }},
    {"sqrt", [](double x) { return std::sqrt(x); }},
    {"tan", [](double x) { return std::tan(x); }},
    {"tanh", [](double x) { return std::tanh(x); }},
    {"trunc", [](double x) { return std::trunc(x); }},
};

// An integer's 32 bits, as the compiler's unsigned arithmetic wraps them.
uint32_t Bits(double x) {
  double wrapped = std::fmod(std::trunc(x), 4294967296.0);
  if (wrapped < 0) wrapped += 4294967296.0;
  return uint32_t(wrapped);
}

bool SwizzleIndex(char c, uint32_t& index) {
  const char* const sets[] = {"xyzw", "rgba"};
  for (const char* set : sets) {
    const char* found = std::strchr(set, c);
    if (c != '\0' && found) {
      index = uint32_t(found - set);
      return true;
    }
  }
  return false;
}

}  // namespace

bool ParseFxNumber(std::string_view text, double& value, bool& isInteger) {
  std::string digits(text);
  const bool hex = digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
  const char* suffixes = hex ? "lLuU" : "fFhHlLuU";
  while (!digits.empty() && std::strchr(suffixes, digits.back())) digits.pop_back();
  if (digits.empty() || digits.size() > 64) return false;
  char* end = nullptr;
  errno = 0;
  if (hex) {
    const unsigned long long parsed = std::strtoull(digits.c_str() + 2, &end, 16);
    if (digits.size() == 2 || parsed > 0xFFFFFFFFull) return false;
    value = double(parsed);
    isInteger = true;
  } else {
    value = std::strtod(digits.c_str(), &end);
    isInteger = digits.find_first_of(".eE") == std::string::npos;
    if (!std::isfinite(value) || std::fabs(value) > 3.4e38) return false;
  }
  return end != nullptr && *end == '\0' && errno != ERANGE;
}

void FxConstantEvaluator::Define(std::string_view name, const FxConstant& value) {
  names_[std::string(name)] = value;
  undefined_.erase(std::string(name));
}

void FxConstantEvaluator::Undefined(std::string_view name, const std::string& why) {
  names_.erase(std::string(name));
  undefined_[std::string(name)] = why;
}

// One evaluation: a recursive descent over the tokens, C's precedence, HLSL's rules for
// sizes (a scalar widens to the other operand; of two vectors the shorter wins).
class FxExpressionReader {
 public:
  FxExpressionReader(const FxConstantEvaluator& evaluator, const std::vector<FxToken>& tokens,
                     size_t& pos, size_t& errorAt, std::string& error)
      : names_(evaluator.names_),
        undefined_(evaluator.undefined_),
        tokens_(tokens),
        pos_(pos),
        errorAt_(errorAt),
        error_(error) {}

  bool Expression(FxConstant& out) { return Conditional(out); }

 private:
  const FxToken& Peek(size_t ahead = 0) const {
    return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)];
  }
  void Skip(size_t count = 1) { pos_ = std::min(pos_ + count, tokens_.size() - 1); }
  // Two one-character tokens written together make one operator: "<=", "&&".
  bool Pair(char first, char second) const {
    return Peek().IsPunct(first) && Peek(1).IsPunct(second) && Peek().end == Peek(1).begin;
  }

  bool Fail(const std::string& message) {
    errorAt_ = std::min(pos_, tokens_.size() - 1);
    error_ = message;
    return false;
  }
  bool Expect(char punct, const char* context) {
    if (!Peek().IsPunct(punct))
      return Fail(std::string("expected '") + punct + "' " + context + ", found " + Describe());
    Skip();
    return true;
  }
  std::string Describe() const {
    if (Peek().kind == FxTokenKind::End) return "end of file";
    return "'" + std::string(Peek().text.substr(0, 40)) + "'";
  }

  struct Depth {
    explicit Depth(int& depth) : depth_(depth) { ++depth_; }
    ~Depth() { --depth_; }
    int& depth_;
  };

  bool Conditional(FxConstant& out) {
    Depth guard(depth_);
    if (depth_ > kMaxDepth) return Fail("expression nested too deeply");
    if (!Binary(out, kOr)) return false;
    if (!Peek().IsPunct('?')) return true;
    Skip();
    FxConstant whenTrue, whenFalse;
    if (!Conditional(whenTrue) || !Expect(':', "in the conditional expression") ||
        !Conditional(whenFalse))
      return false;
    const FxConstant condition = out;
    const FxConstant* operands[] = {&condition, &whenTrue, &whenFalse};
    return Componentwise(operands, 3, out, whenTrue.isInteger && whenFalse.isInteger,
                         [](const double* x) { return x[0] != 0 ? x[1] : x[2]; });
  }

  // The operator at the cursor if it belongs to `level`: its code and length in tokens.
  bool MatchOperator(int level, char& op, size_t& length) const {
    struct Operator {
      const char* text;
      int level;
      char code;
    };
    // Two-character operators first, so that "<<" is not read as "<".
    static const Operator kOperators[] = {
        {"||", kOr, 'o'},       {"&&", kAnd, 'a'},      {"==", kEquality, 'e'},
        {"!=", kEquality, 'n'}, {"<=", kRelation, 'l'}, {">=", kRelation, 'g'},
        {"<<", kShift, 'L'},    {">>", kShift, 'R'},    {"|", kBitOr, '|'},
        {"^", kBitXor, '^'},    {"&", kBitAnd, '&'},    {"<", kRelation, '<'},
        {">", kRelation, '>'},  {"+", kSum, '+'},       {"-", kSum, '-'},
        {"*", kProduct, '*'},   {"/", kProduct, '/'},   {"%", kProduct, '%'},
    };
    for (const Operator& candidate : kOperators) {
      const bool two = candidate.text[1] != '\0';
      const bool here =
          two ? Pair(candidate.text[0], candidate.text[1]) : Peek().IsPunct(candidate.text[0]);
      if (!here) continue;
      op = candidate.code;
      length = two ? 2 : 1;
      return candidate.level == level;
    }
    return false;
  }

  bool Binary(FxConstant& out, int level) {
    if (level > kProduct) return Unary(out);
    if (!Binary(out, level + 1)) return false;
    char op = 0;
    size_t length = 0;
    while (MatchOperator(level, op, length)) {
      const size_t at = pos_;
      Skip(length);
      FxConstant right;
      if (!Binary(right, level + 1)) return false;
      if (!Combine(op, out, right, at)) return false;
    }
    return true;
  }

  bool Combine(char op, FxConstant& left, const FxConstant& right, size_t at) {
    const bool integers = left.isInteger && right.isInteger;
    const bool shift = op == 'L' || op == 'R';
    if ((shift || op == '|' || op == '^' || op == '&') && !integers) {
      pos_ = at;
      return Fail("bitwise operator on a value that is not an integer");
    }
    const FxConstant a = left;
    const FxConstant* operands[] = {&a, &right};
    bool failed = false;
    const bool logical = std::strchr("oaengl<>", op) != nullptr;
    auto apply = [&](const double* x) -> double {
      const double l = x[0], r = x[1];
      const uint32_t li = Bits(l), ri = Bits(r);
      if (shift) {
        if (r < 0 || r > 31) return failed = true, 0.0;
        return op == 'L' ? double(uint32_t(li << ri)) : double(li >> ri);
      }
      switch (op) {
        case 'o':
          return (l != 0 || r != 0) ? 1 : 0;
        case 'a':
          return (l != 0 && r != 0) ? 1 : 0;
        case 'e':
          return l == r ? 1 : 0;
        case 'n':
          return l != r ? 1 : 0;
        case '<':
          return l < r ? 1 : 0;
        case '>':
          return l > r ? 1 : 0;
        case 'l':
          return l <= r ? 1 : 0;
        case 'g':
          return l >= r ? 1 : 0;
        case '|':
          return double(li | ri);
        case '^':
          return double(li ^ ri);
        case '&':
          return double(li & ri);
        case '+':
          return l + r;
        case '-':
          return l - r;
        case '*':
          return l * r;
        case '/':
          if (integers) return r == 0 ? (failed = true, 0.0) : std::trunc(l / r);
          return l / r;
        case '%':
          if (integers && r == 0) return failed = true, 0.0;
          return std::fmod(l, r);
      }
      return 0;
    };
    if (!Componentwise(operands, 2, left, integers || logical, apply)) return false;
    if (failed) {
      pos_ = at;
      return Fail(shift ? "shift count out of range" : "division by zero");
    }
    return true;
  }

  bool Unary(FxConstant& out) {
    Depth guard(depth_);
    if (depth_ > kMaxDepth) return Fail("expression nested too deeply");
    const FxToken& token = Peek();
    if (token.IsPunct('-') || token.IsPunct('+') || token.IsPunct('!') || token.IsPunct('~')) {
      const char op = token.text[0];
      const size_t at = pos_;
      Skip();
      if (!Unary(out)) return false;
      if (op == '~' && !out.isInteger) {
        pos_ = at;
        return Fail("bitwise operator on a value that is not an integer");
      }
      for (uint32_t i = 0; i < out.Count(); ++i) {
        double& x = out.values[i];
        if (op == '-') x = -x;
        if (op == '!') x = x == 0 ? 1 : 0;
        if (op == '~') x = double(~Bits(x));
      }
      if (op == '!') out.isInteger = true;
      return true;
    }
    FxParameter type;
    if (token.IsPunct('(') && Peek(1).kind == FxTokenKind::Identifier && Peek(2).IsPunct(')') &&
        LookupParameterType(Peek(1).text, type) && IsNumeric(type.type)) {
      Skip(3);
      if (!Unary(out)) return false;
      return Cast(type, out);
    }
    return Postfix(out);
  }

  // (float3)x: a scalar widens, a longer value is cut, ints and bools convert.
  bool Cast(const FxParameter& type, FxConstant& value) {
    const uint32_t count = type.rows * type.columns;
    if (value.Count() != 1 && value.Count() < count)
      return Fail("cannot convert a value of " + std::to_string(value.Count()) + " components to " +
                  std::to_string(count));
    FxConstant result;
    result.rows = type.rows;
    result.columns = type.columns;
    for (uint32_t i = 0; i < count; ++i)
      result.values[i] = value.values[value.Count() == 1 ? 0 : i];
    Convert(type.type, result);
    value = result;
    return true;
  }

  static void Convert(FxType type, FxConstant& value) {
    value.isInteger = type != FxType::Float;
    for (uint32_t i = 0; i < value.Count(); ++i) {
      double& x = value.values[i];
      if (type == FxType::Int) x = std::trunc(x);
      if (type == FxType::Bool) x = x != 0 ? 1 : 0;
    }
  }

  bool Postfix(FxConstant& out) {
    if (!Primary(out)) return false;
    for (;;) {
      if (Peek().IsPunct('.') && Peek(1).kind == FxTokenKind::Identifier) {
        Skip();
        if (!Swizzle(out)) return false;
      } else if (Peek().IsPunct('[')) {
        Skip();
        FxConstant index;
        if (!Conditional(index) || !Index(out, index) || !Expect(']', "after the index"))
          return false;
      } else {
        return true;
      }
    }
  }

  bool Swizzle(FxConstant& value) {
    const std::string_view letters = Peek().text;
    FxConstant result;
    result.isInteger = value.isInteger;
    result.columns = uint32_t(letters.size());
    uint32_t index = 0;
    if (value.rows != 1 || letters.size() > 4) return Fail("bad swizzle " + Describe());
    for (size_t i = 0; i < letters.size(); ++i) {
      if (!SwizzleIndex(letters[i], index) || index >= value.columns)
        return Fail("bad swizzle " + Describe());
      result.values[i] = value.values[index];
    }
    Skip();
    value = result;
    return true;
  }

  // v[i] is a component; m[i] a row.
  bool Index(FxConstant& value, const FxConstant& index) {
    const bool matrix = value.rows > 1;
    const uint32_t limit = matrix ? value.rows : value.columns;
    if (index.Count() != 1 || index.values[0] < 0 || index.values[0] >= limit)
      return Fail("index out of range");
    const uint32_t at = uint32_t(index.values[0]);
    FxConstant result;
    result.isInteger = value.isInteger;
    result.columns = matrix ? value.columns : 1;
    for (uint32_t i = 0; i < result.columns; ++i)
      result.values[i] = value.values[matrix ? at * value.columns + i : at];
    value = result;
    return true;
  }

  bool Primary(FxConstant& out) {
    const FxToken& token = Peek();
    out = FxConstant();
    if (token.kind == FxTokenKind::Number) {
      if (!ParseFxNumber(token.text, out.values[0], out.isInteger))
        return Fail("bad number " + Describe());
      Skip();
      return true;
    }
    if (token.Is("true") || token.Is("false")) {
      out.values[0] = token.Is("true") ? 1 : 0;
      out.isInteger = true;
      Skip();
      return true;
    }
    if (token.IsPunct('(')) {
      Skip();
      return Conditional(out) && Expect(')', "to close the bracket");
    }
    if (token.kind != FxTokenKind::Identifier)
      return Fail("expected a constant expression, found " + Describe());
    if (Peek(1).IsPunct('(')) return Call(out);
    auto found = names_.find(std::string(token.text));
    if (found == names_.end()) {
      auto undefined = undefined_.find(std::string(token.text));
      return Fail(Describe() + " is not a constant" +
                  (undefined == undefined_.end() ? "" : ": " + undefined->second));
    }
    out = found->second;
    Skip();
    return true;
  }

  bool Call(FxConstant& out) {
    const FxToken& name = Peek();
    const size_t at = pos_;
    Skip(2);
    FxConstant arguments[kMaxArguments];
    uint32_t count = 0;
    while (!Peek().IsPunct(')')) {
      if (count == kMaxArguments) return Fail("too many arguments");
      if (!Conditional(arguments[count++])) return false;
      if (Peek().IsPunct(',')) {
        Skip();
      } else if (!Peek().IsPunct(')')) {
        return Fail("expected ',' or ')' in the arguments, found " + Describe());
      }
    }
    Skip();
    const size_t after = pos_;
    pos_ = at;
    FxParameter type;
    bool ok = LookupParameterType(name.text, type) && IsNumeric(type.type)
                  ? Construct(type, arguments, count, out)
                  : Intrinsic(name.text, arguments, count, out);
    if (ok) pos_ = after;
    return ok;
  }

  // float3(1, v.xy): every component of every argument in order; one scalar fills them all.
  bool Construct(const FxParameter& type, const FxConstant* arguments, uint32_t count,
                 FxConstant& out) {
    const uint32_t wanted = type.rows * type.columns;
    out = FxConstant();
    out.rows = type.rows;
    out.columns = type.columns;
    uint32_t filled = 0;
    for (uint32_t a = 0; a < count; ++a) {
      for (uint32_t i = 0; i < arguments[a].Count(); ++i) {
        if (filled == wanted) return Fail("too many values for " + Describe());
        out.values[filled++] = arguments[a].values[i];
      }
    }
    if (filled == 1)
      std::fill(out.values + 1, out.values + wanted, out.values[0]);
    else if (filled != wanted)
      return Fail("too few values for " + Describe());
    Convert(type.type, out);
    return true;
  }

  bool Intrinsic(std::string_view name, const FxConstant* a, uint32_t count, FxConstant& out) {
    auto arity = [&](uint32_t wanted) {
      return count == wanted || Fail(Describe() + " takes " + std::to_string(wanted) + " argument" +
                                     (wanted == 1 ? "" : "s"));
    };
    const FxConstant* operands[] = {&a[0], &a[1], &a[2]};
    const bool integers =
        a[0].isInteger && (count < 2 || a[1].isInteger) && (count < 3 || a[2].isInteger);
    for (const UnaryIntrinsic& entry : kUnary) {
      if (name != entry.name) continue;
      auto apply = entry.apply;
      return arity(1) && Componentwise(operands, 1, out, false,
                                       [apply](const double* x) { return apply(x[0]); });
    }
    if (name == "abs")
      return arity(1) && Componentwise(operands, 1, out, integers,
                                       [](const double* x) { return std::fabs(x[0]); });
    if (name == "min" || name == "max") {
      const bool isMin = name == "min";
      return arity(2) && Componentwise(operands, 2, out, integers, [isMin](const double* x) {
               return isMin ? std::min(x[0], x[1]) : std::max(x[0], x[1]);
             });
    }
    if (name == "pow")
      return arity(2) && Componentwise(operands, 2, out, false,
                                       [](const double* x) { return std::pow(x[0], x[1]); });
    if (name == "fmod")
      return arity(2) && Componentwise(operands, 2, out, false,
                                       [](const double* x) { return std::fmod(x[0], x[1]); });
    if (name == "atan2")
      return arity(2) && Componentwise(operands, 2, out, false,
                                       [](const double* x) { return std::atan2(x[0], x[1]); });
    if (name == "step")
      return arity(2) && Componentwise(operands, 2, out, false,
                                       [](const double* x) { return x[1] >= x[0] ? 1.0 : 0.0; });
    if (name == "clamp")
      return arity(3) && Componentwise(operands, 3, out, integers, [](const double* x) {
               return std::min(std::max(x[0], x[1]), x[2]);
             });
    if (name == "lerp")
      return arity(3) && Componentwise(operands, 3, out, false,
                                       [](const double* x) { return x[0] + (x[1] - x[0]) * x[2]; });
    if (name == "smoothstep")
      return arity(3) && Componentwise(operands, 3, out, false, [](const double* x) {
               const double t = Saturate((x[2] - x[0]) / (x[1] - x[0]));
               return t * t * (3 - 2 * t);
             });
    if (name == "dot" || name == "distance") {
      if (!arity(2)) return false;
      if (a[0].Count() != a[1].Count() || a[0].rows != 1)
        return Fail(Describe() + " takes two vectors of one size");
      out = FxConstant();
      for (uint32_t i = 0; i < a[0].Count(); ++i) {
        const double d =
            name == "dot" ? a[0].values[i] * a[1].values[i]
                          : (a[0].values[i] - a[1].values[i]) * (a[0].values[i] - a[1].values[i]);
        out.values[0] += d;
      }
      if (name == "distance") out.values[0] = std::sqrt(out.values[0]);
      out.isInteger = integers && name == "dot";
      return true;
    }
    if (name == "length" || name == "normalize") {
      if (!arity(1)) return false;
      double sum = 0;
      for (uint32_t i = 0; i < a[0].Count(); ++i) sum += a[0].values[i] * a[0].values[i];
      const double length = std::sqrt(sum);
      if (name == "length") {
        out = FxConstant();
        out.values[0] = length;
        return true;
      }
      if (length == 0) return Fail("normalize of a zero vector");
      out = a[0];
      out.isInteger = false;
      for (uint32_t i = 0; i < out.Count(); ++i) out.values[i] /= length;
      return true;
    }
    if (name == "cross") {
      if (!arity(2)) return false;
      if (a[0].Count() != 3 || a[1].Count() != 3)
        return Fail("cross takes two 3-component vectors");
      const double* x = a[0].values;
      const double* y = a[1].values;
      out = FxConstant();
      out.columns = 3;
      out.values[0] = x[1] * y[2] - x[2] * y[1];
      out.values[1] = x[2] * y[0] - x[0] * y[2];
      out.values[2] = x[0] * y[1] - x[1] * y[0];
      out.isInteger = integers;
      return true;
    }
    return Fail(Describe() + " is not a function the effect can evaluate at load");
  }

  // Applies `function` to each component; a scalar operand widens to the others' size, and
  // of vectors of different sizes the shortest sets the size (HLSL cuts the others).
  template <class Function>
  bool Componentwise(const FxConstant* const* operands, uint32_t count, FxConstant& out,
                     bool isInteger, Function function) {
    const FxConstant* shape = operands[0];
    for (uint32_t i = 1; i < count; ++i) {
      const FxConstant& next = *operands[i];
      if (next.Count() == 1) continue;
      if (shape->Count() == 1 ||
          (next.rows == shape->rows && next.columns <= shape->columns && next.rows == 1)) {
        shape = &next;
      } else if (!(next.rows == shape->rows && next.columns >= shape->columns)) {
        return Fail("operands of different sizes");
      }
    }
    FxConstant result;
    result.rows = shape->rows;
    result.columns = shape->columns;
    result.isInteger = isInteger;
    for (uint32_t c = 0; c < result.Count(); ++c) {
      double x[3] = {};
      for (uint32_t i = 0; i < count; ++i) {
        const FxConstant& operand = *operands[i];
        x[i] = operand.values[operand.Count() == 1 ? 0 : c];
      }
      result.values[c] = function(x);
      if (!std::isfinite(result.values[c]) || std::fabs(result.values[c]) > 3.4e38)
        return Fail("the value is out of range");
    }
    out = result;
    return true;
  }

  const std::unordered_map<std::string, FxConstant>& names_;
  const std::unordered_map<std::string, std::string>& undefined_;
  const std::vector<FxToken>& tokens_;
  size_t& pos_;
  size_t& errorAt_;
  std::string& error_;
  int depth_ = 0;
};

bool FxConstantEvaluator::Evaluate(const std::vector<FxToken>& tokens, size_t& pos,
                                   FxConstant& value, size_t& errorAt, std::string& error) const {
  if (tokens.empty()) {
    errorAt = 0;
    error = "expected a constant expression";
    return false;
  }
  FxExpressionReader reader(*this, tokens, pos, errorAt, error);
  return reader.Expression(value);
}

}  // namespace ember
