#include "runtime/fx/hlsl_rewrites.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <vector>

namespace ember {
namespace {

struct Element {
  int row;
  int column;
};

bool IsIdentifierChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Reads the swizzle that starts with '_' at `at`; `end` is the first character after it.
bool ReadMatrixSwizzle(const std::string& text, size_t at, std::vector<Element>& elements,
                       size_t& end) {
  elements.clear();
  const bool zeroBased = at + 1 < text.size() && text[at + 1] == 'm';
  const size_t width = zeroBased ? 4 : 3;
  const char first = zeroBased ? '0' : '1';
  while (at + width <= text.size() && text[at] == '_' && elements.size() < 4) {
    if (zeroBased && text[at + 1] != 'm') return false;
    const char row = text[at + width - 2], column = text[at + width - 1];
    if (row < first || row > first + 3 || column < first || column > first + 3) return false;
    elements.push_back({row - first, column - first});
    at += width;
  }
  end = at;
  return !elements.empty() && (end == text.size() || !IsIdentifierChar(text[end]));
}

// Where the operand that ends `text` begins: an identifier with its member accesses, indices
// and calls, or a bracketed expression.
size_t OperandStart(const std::string& text) {
  size_t at = text.size();
  for (;;) {
    while (at > 0 && (text[at - 1] == ']' || text[at - 1] == ')')) {
      const char close = text[at - 1], open = close == ']' ? '[' : '(';
      int depth = 0;
      do {
        --at;
        if (text[at] == close) ++depth;
        if (text[at] == open) --depth;
      } while (at > 0 && depth > 0);
    }
    while (at > 0 && IsIdentifierChar(text[at - 1])) --at;
    if (at == 0 || text[at - 1] != '.') return at;
    --at;
  }
}

// Copies a comment or a string literal that starts at `at`; false when none starts there.
bool CopyCommentOrString(const std::string& text, size_t& at, std::string& out) {
  size_t end = at;
  if (text.compare(at, 2, "//") == 0) {
    end = text.find('\n', at);
  } else if (text.compare(at, 2, "/*") == 0) {
    end = text.find("*/", at + 2);
    if (end != std::string::npos) end += 2;
  } else if (text[at] == '"') {
    for (end = at + 1; end < text.size() && text[end] != '"' && text[end] != '\n'; ++end)
      if (text[end] == '\\') ++end;
    if (end < text.size()) ++end;
  } else {
    return false;
  }
  if (end == std::string::npos || end > text.size()) end = text.size();
  out.append(text, at, end - at);
  at = end;
  return true;
}

// Reads `(type[N])` from the '(' at `at`: the element count and the first character after it.
bool ReadArrayCast(const std::string& text, size_t at, uint32_t& count, size_t& end) {
  size_t i = at + 1;
  auto skipSpace = [&]() {
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  };
  skipSpace();
  const size_t type = i;
  while (i < text.size() && IsIdentifierChar(text[i])) ++i;
  if (i == type || std::isdigit(static_cast<unsigned char>(text[type]))) return false;
  skipSpace();
  if (i >= text.size() || text[i++] != '[') return false;
  skipSpace();
  count = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && count <= 16)
    count = count * 10 + uint32_t(text[i++] - '0');
  skipSpace();
  if (count == 0 || count > 16 || i >= text.size() || text[i++] != ']') return false;
  skipSpace();
  if (i >= text.size() || text[i] != ')') return false;
  end = i + 1;
  return true;
}

// Whether `text` ends in an assignment's '=' (spaces aside), not in ==, <=, >= or !=.
bool EndsInAssignment(const std::string& text) {
  size_t at = text.size();
  while (at > 0 && std::isspace(static_cast<unsigned char>(text[at - 1]))) --at;
  return at > 0 && text[at - 1] == '=' && (at < 2 || !std::strchr("=!<>", text[at - 2]));
}

}  // namespace

std::string RewriteArrayCasts(const std::string& hlsl) {
  std::string out;
  out.reserve(hlsl.size());
  size_t at = 0;
  while (at < hlsl.size()) {
    if (CopyCommentOrString(hlsl, at, out)) continue;
    uint32_t count = 0;
    size_t end = 0;
    if (hlsl[at] != '(' || !EndsInAssignment(out) || !ReadArrayCast(hlsl, at, count, end)) {
      out += hlsl[at++];
      continue;
    }
    // The operand runs to the initializer's ';'.
    size_t stop = end;
    int depth = 0;
    for (; stop < hlsl.size() && !(depth == 0 && (hlsl[stop] == ';' || hlsl[stop] == ','));
         ++stop) {
      if (std::strchr("([{", hlsl[stop])) ++depth;
      if (std::strchr(")]}", hlsl[stop]) && --depth < 0) break;
    }
    std::string operand = hlsl.substr(end, stop - end);
    if (stop >= hlsl.size() || hlsl[stop] != ';' || operand.find("//") != std::string::npos ||
        operand.find("/*") != std::string::npos) {
      out += hlsl[at++];
      continue;
    }
    // The operand is written once for each element, on one line; its line breaks follow.
    size_t lines = 0;
    for (char& c : operand) {
      if (c == '\n') ++lines;
      if (c == '\n' || c == '\r') c = ' ';
    }
    out += "{ ";
    for (uint32_t i = 0; i < count; ++i)
      out += (i ? ", (" : "(") + operand + ")[" + std::to_string(i) + "]";
    out += " }";
    out.append(lines, '\n');
    at = stop;
  }
  return out;
}

std::string RewriteMatrixSwizzles(const std::string& hlsl) {
  std::string out;
  out.reserve(hlsl.size());
  std::vector<Element> elements;
  size_t at = 0;
  while (at < hlsl.size()) {
    if (CopyCommentOrString(hlsl, at, out)) continue;
    size_t end = 0;
    if (hlsl[at] != '.' || at + 1 >= hlsl.size() || hlsl[at + 1] != '_' || out.empty() ||
        !ReadMatrixSwizzle(hlsl, at + 1, elements, end)) {
      out += hlsl[at++];
      continue;
    }
    const size_t start = OperandStart(out);
    if (start == out.size()) {
      out += hlsl[at++];
      continue;
    }
    const std::string operand = out.substr(start);
    out.resize(start);
    auto element = [&operand](const Element& e) {
      return operand + "[" + std::to_string(e.row) + "][" + std::to_string(e.column) + "]";
    };
    if (elements.size() == 1) {
      out += element(elements[0]);
    } else {
      out += "float" + std::to_string(elements.size()) + "(";
      for (size_t i = 0; i < elements.size(); ++i) out += (i ? ", " : "") + element(elements[i]);
      out += ")";
    }
    at = end;
  }
  return out;
}

}  // namespace ember
