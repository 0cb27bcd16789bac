// Constant expressions of an effect's framework part, worked out at load as Direct3D's
// effect compiler does: array sizes, initializers and state values written as arithmetic,
// constructors, casts, swizzles, intrinsics on constants and `static const` values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "runtime/fx/lexer.h"

namespace ember {

// A scalar (1 x 1), a vector (1 x N) or a matrix (R x C), row after row. Doubles keep every
// 32-bit integer exact, which state values written in hex need.
struct FxConstant {
  static constexpr uint32_t kMaxValues = 16;
  double values[kMaxValues] = {};
  uint32_t rows = 1;
  uint32_t columns = 1;
  bool isInteger = false;  // every operand an integer: division truncates

  uint32_t Count() const { return rows * columns; }
};

// Reads a number token's text: decimal or hex, with the suffixes HLSL allows. False for text
// that is no number, or one out of float range.
bool ParseFxNumber(std::string_view text, double& value, bool& isInteger);

class FxConstantEvaluator {
 public:
  // Makes `name` usable in later expressions; a later definition of the same name wins.
  void Define(std::string_view name, const FxConstant& value);
  // Records why a name declared as a constant has no value here, for the message of a later
  // expression that uses it.
  void Undefined(std::string_view name, const std::string& why);

  // Evaluates the expression starting at tokens[pos] and leaves `pos` on the first token that
  // cannot continue it (',' ';' ')' '}' and the like). On failure `errorAt` is the token at
  // fault and `error` says why.
  bool Evaluate(const std::vector<FxToken>& tokens, size_t& pos, FxConstant& value, size_t& errorAt,
                std::string& error) const;

 private:
  std::unordered_map<std::string, FxConstant> names_;
  std::unordered_map<std::string, std::string> undefined_;
  friend class FxExpressionReader;
};

}  // namespace ember
