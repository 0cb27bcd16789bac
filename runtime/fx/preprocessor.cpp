#include "runtime/fx/preprocessor.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

namespace ember {
namespace {

constexpr int kMaxIncludeDepth = 16;
constexpr size_t kMaxOutputBytes = size_t(16) << 20;
constexpr int kMaxExpansionDepth = 64;

struct Macro {
  bool function = false;
  std::vector<std::string> parameters;
  std::string body;
};

bool IsIdentStart(char c) { return std::isalpha(uint8_t(c)) || c == '_'; }
bool IsIdent(char c) { return std::isalnum(uint8_t(c)) || c == '_'; }

std::string Trim(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && std::isspace(uint8_t(text[b]))) ++b;
  while (e > b && std::isspace(uint8_t(text[e - 1]))) --e;
  return std::string(text.substr(b, e - b));
}

// A conditional group: whether its current branch is kept, and whether one was already.
struct Conditional {
  bool parentActive;
  bool active;
  bool taken;
  bool sawElse;
};

class Preprocessor {
 public:
  Preprocessor(const FxIncludeReader& include, std::string& out) : include_(include), out_(out) {}

  void Define(const std::string& name, const std::string& value) {
    macros_[name] = Macro{false, {}, value};
  }

  bool Run(std::string_view source, const std::string& file, int depth) {
    if (depth > kMaxIncludeDepth) return Fail(file, 1, "#include nested too deeply");
    std::vector<Conditional> stack;
    bool inComment = false;
    size_t pos = 0;
    int line = 0;
    while (pos < source.size()) {
      // A logical line: physical lines joined where one ends with a backslash.
      std::string logical;
      int physical = 0;
      for (;;) {
        const size_t end = source.find('\n', pos);
        std::string_view piece =
            source.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        pos = end == std::string_view::npos ? source.size() : end + 1;
        ++physical;
        if (!piece.empty() && piece.back() == '\r') piece.remove_suffix(1);
        if (!piece.empty() && piece.back() == '\\' && pos < source.size()) {
          logical.append(piece.substr(0, piece.size() - 1));
          continue;
        }
        logical.append(piece);
        break;
      }
      line += 1;
      const int firstLine = line;
      line += physical - 1;
      const bool active = stack.empty() || stack.back().active;
      const std::string trimmed = Trim(logical);
      if (!inComment && !trimmed.empty() && trimmed[0] == '#') {
        if (!Directive(trimmed.substr(1), file, firstLine, depth, stack, active)) return false;
        // An included file's text stands where the #include was; other directives leave lines.
      } else if (active) {
        if (!Expand(logical, inComment, file, firstLine)) return false;
      } else {
        TrackComments(logical, inComment);
      }
      out_.append(size_t(physical), '\n');
      if (out_.size() > kMaxOutputBytes)
        return Fail(file, firstLine, "the expanded effect is too large");
    }
    if (!stack.empty()) return Fail(file, line, "#if without #endif");
    return true;
  }

  const std::string& Error() const { return error_; }

 private:
  bool Fail(const std::string& file, int line, const std::string& message) {
    if (error_.empty()) error_ = file + "(" + std::to_string(line) + ",1): error: " + message;
    return false;
  }

  static void TrackComments(const std::string& text, bool& inComment) {
    for (size_t i = 0; i < text.size(); ++i) {
      if (inComment) {
        if (text.compare(i, 2, "*/") == 0) {
          inComment = false;
          ++i;
        }
      } else if (text.compare(i, 2, "//") == 0) {
        return;
      } else if (text.compare(i, 2, "/*") == 0) {
        inComment = true;
        ++i;
      } else if (text[i] == '"') {
        for (++i; i < text.size() && text[i] != '"'; ++i)
          if (text[i] == '\\') ++i;
      }
    }
  }

  bool Directive(const std::string& text, const std::string& file, int line, int depth,
                 std::vector<Conditional>& stack, bool active) {
    size_t i = 0;
    while (i < text.size() && std::isspace(uint8_t(text[i]))) ++i;
    size_t start = i;
    while (i < text.size() && IsIdent(text[i])) ++i;
    const std::string name = text.substr(start, i - start);
    const std::string rest = Trim(std::string_view(text).substr(i));
    if (name == "if" || name == "ifdef" || name == "ifndef") {
      bool value = false;
      if (active) {
        if (name == "if") {
          long long result = 0;
          if (!Evaluate(rest, file, line, result)) return false;
          value = result != 0;
        } else {
          const bool defined = macros_.count(FirstIdentifier(rest)) > 0;
          value = name == "ifdef" ? defined : !defined;
        }
      }
      stack.push_back(Conditional{active, active && value, active && value, false});
      return true;
    }
    if (name == "elif" || name == "else" || name == "endif") {
      if (stack.empty()) return Fail(file, line, "#" + name + " without #if");
      Conditional& group = stack.back();
      if (name == "endif") {
        stack.pop_back();
        return true;
      }
      if (group.sawElse) return Fail(file, line, "#" + name + " after #else");
      bool value = !group.taken;
      if (name == "elif" && value && group.parentActive) {
        long long result = 0;
        if (!Evaluate(rest, file, line, result)) return false;
        value = result != 0;
      }
      group.sawElse = name == "else";
      group.active = group.parentActive && value;
      group.taken = group.taken || group.active;
      return true;
    }
    if (!active) return true;
    if (name == "define") return DefineFrom(rest, file, line);
    if (name == "undef") {
      macros_.erase(FirstIdentifier(rest));
      return true;
    }
    if (name == "include") return Include(rest, file, line, depth);
    if (name == "error") return Fail(file, line, "#error " + rest);
    // #pragma, #line and the like are the shader compiler's.
    out_ += '#';
    out_ += text;
    return true;
  }

  static std::string FirstIdentifier(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsIdent(text[i])) ++i;
    return text.substr(0, i);
  }

  bool DefineFrom(const std::string& text, const std::string& file, int line) {
    size_t i = 0;
    while (i < text.size() && IsIdent(text[i])) ++i;
    if (i == 0 || !IsIdentStart(text[0])) return Fail(file, line, "#define without a name");
    const std::string name = text.substr(0, i);
    Macro macro;
    if (i < text.size() && text[i] == '(') {
      macro.function = true;
      const size_t close = text.find(')', i);
      if (close == std::string::npos) return Fail(file, line, "#define " + name + " without ')'");
      std::string list = text.substr(i + 1, close - i - 1);
      size_t at = 0;
      while (at <= list.size()) {
        const size_t comma = list.find(',', at);
        const std::string parameter = Trim(std::string_view(list).substr(
            at, comma == std::string::npos ? std::string::npos : comma - at));
        if (!parameter.empty()) macro.parameters.push_back(parameter);
        if (comma == std::string::npos) break;
        at = comma + 1;
      }
      i = close + 1;
    }
    std::string body = Trim(std::string_view(text).substr(i));
    // A comment ends the definition.
    const size_t comment = body.find("//");
    if (comment != std::string::npos) body = Trim(std::string_view(body).substr(0, comment));
    macro.body = body;
    macros_[name] = macro;
    return true;
  }

  bool Include(const std::string& text, const std::string& file, int line, int depth) {
    if (text.size() < 2 || !((text[0] == '"' && text.find('"', 1) != std::string::npos) ||
                             (text[0] == '<' && text.find('>', 1) != std::string::npos)))
      return Fail(file, line, "#include needs a \"file\" or a <file>");
    const bool system = text[0] == '<';
    const std::string name = text.substr(1, text.find(system ? '>' : '"', 1) - 1);
    std::string included, path, reason;
    if (!include_ || !include_(name, system, file, included, path, reason))
      return Fail(
          file, line,
          "cannot #include \"" + name + "\": " + (reason.empty() ? "no way to read it" : reason));
    return Run(included, path.empty() ? name : path, depth + 1);
  }

  // Expands the macros of an active line outside its comments and strings.
  bool Expand(const std::string& text, bool& inComment, const std::string& file, int line) {
    std::string plain;  // the code between comments, expanded a stretch at a time
    auto flush = [&]() {
      if (plain.empty()) return true;
      std::string expanded;
      std::set<std::string> hidden;
      if (!ExpandText(plain, hidden, 0, expanded))
        return Fail(file, line, "macro expansion too deep or too large");
      out_ += expanded;
      plain.clear();
      return true;
    };
    for (size_t i = 0; i < text.size(); ++i) {
      if (inComment) {
        out_ += text[i];
        if (text.compare(i, 2, "*/") == 0) {
          out_ += '/';
          ++i;
          inComment = false;
        }
        continue;
      }
      if (text.compare(i, 2, "//") == 0) {
        if (!flush()) return false;
        out_.append(text, i, std::string::npos);
        return true;
      }
      if (text.compare(i, 2, "/*") == 0) {
        if (!flush()) return false;
        out_ += "/*";
        ++i;
        inComment = true;
        continue;
      }
      plain += text[i];
    }
    return flush();
  }

  // Replaces the macros of `text`, rescanning each replacement with its own name hidden.
  bool ExpandText(const std::string& text, std::set<std::string>& hidden, int depth,
                  std::string& out) {
    if (depth > kMaxExpansionDepth) return false;
    for (size_t i = 0; i < text.size();) {
      // Macros that each name the next twice grow without end: stop at the output's limit.
      if (out.size() > kMaxOutputBytes) return false;
      const char c = text[i];
      if (c == '"') {
        const size_t start = i;
        for (++i; i < text.size() && text[i] != '"'; ++i)
          if (text[i] == '\\') ++i;
        i = i < text.size() ? i + 1 : text.size();
        out.append(text, start, i - start);
        continue;
      }
      if (std::isdigit(uint8_t(c))) {  // numbers such as 1e5f are no identifiers
        while (i < text.size() && (IsIdent(text[i]) || text[i] == '.')) out += text[i++];
        continue;
      }
      if (!IsIdentStart(c)) {
        out += text[i++];
        continue;
      }
      const size_t start = i;
      while (i < text.size() && IsIdent(text[i])) ++i;
      const std::string name = text.substr(start, i - start);
      auto found = macros_.find(name);
      if (found == macros_.end() || hidden.count(name)) {
        out += name;
        continue;
      }
      const Macro& macro = found->second;
      std::string replacement =
          macro.body.find("##") == std::string::npos ? macro.body : Substitute(macro, {});
      if (macro.function) {
        size_t open = i;
        while (open < text.size() && std::isspace(uint8_t(text[open]))) ++open;
        if (open >= text.size() || text[open] != '(') {
          out += name;  // a function-like macro's name without arguments stays a name
          continue;
        }
        std::vector<std::string> arguments;
        size_t end = 0;
        if (!SplitArguments(text, open, arguments, end)) {
          out += name;
          continue;
        }
        i = end;
        replacement = Substitute(macro, arguments);
      }
      hidden.insert(name);
      const bool ok = ExpandText(replacement, hidden, depth + 1, out);
      hidden.erase(name);
      if (!ok) return false;
    }
    return true;
  }

  static bool SplitArguments(const std::string& text, size_t open,
                             std::vector<std::string>& arguments, size_t& end) {
    int nesting = 0;
    std::string current;
    for (size_t i = open + 1; i < text.size(); ++i) {
      const char c = text[i];
      if (c == '(') ++nesting;
      if (c == ')' && nesting-- == 0) {
        arguments.push_back(Trim(current));
        end = i + 1;
        return true;
      }
      if (c == ',' && nesting == 0) {
        arguments.push_back(Trim(current));
        current.clear();
        continue;
      }
      current += c;
    }
    return false;
  }

  // The body with each parameter replaced by its argument, #parameter made a string and the
  // two sides of ## pasted into one token; the caller rescans the result.
  static std::string Substitute(const Macro& macro, const std::vector<std::string>& arguments) {
    std::string out;
    const std::string& body = macro.body;
    auto argument = [&](const std::string& word) -> const std::string* {
      for (size_t index = 0; index < macro.parameters.size() && index < arguments.size(); ++index)
        if (macro.parameters[index] == word) return &arguments[index];
      return nullptr;
    };
    auto skipSpace = [&](size_t i) {
      while (i < body.size() && std::isspace(uint8_t(body[i]))) ++i;
      return i;
    };
    for (size_t i = 0; i < body.size();) {
      if (body.compare(i, 2, "##") == 0) {
        while (!out.empty() && std::isspace(uint8_t(out.back()))) out.pop_back();
        i = skipSpace(i + 2);
        continue;
      }
      if (body[i] == '"' || body[i] == '\'') {
        const char quote = body[i];
        const size_t start = i;
        for (++i; i < body.size() && body[i] != quote; ++i)
          if (body[i] == '\\') ++i;
        i = std::min(i + 1, body.size());
        out.append(body, start, i - start);
        continue;
      }
      if (body[i] == '#' && macro.function) {
        size_t at = skipSpace(i + 1);
        const size_t start = at;
        while (at < body.size() && IsIdent(body[at])) ++at;
        const std::string* value = argument(body.substr(start, at - start));
        if (value) {
          out += Stringize(*value);
          i = at;
          continue;
        }
      }
      if (!IsIdentStart(body[i])) {
        out += body[i++];
        continue;
      }
      const size_t start = i;
      while (i < body.size() && IsIdent(body[i])) ++i;
      const std::string word = body.substr(start, i - start);
      const std::string* value = argument(word);
      out += value ? *value : word;
    }
    return out;
  }

  // #x: the argument's text in quotes, with the quotes and backslashes of its strings escaped.
  static std::string Stringize(const std::string& text) {
    std::string out = "\"";
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (c == '"' || (inString && c == '\\')) out += '\\';
      out += c;
      if (inString && c == '\\' && i + 1 < text.size()) {
        const char escaped = text[++i];  // stays in the string, whatever it is
        if (escaped == '"' || escaped == '\\') out += '\\';
        out += escaped;
      } else if (c == '"') {
        inString = !inString;
      }
    }
    return out + "\"";
  }

  // #if: `defined` first, then the macros, then what is left of the names reads 0.
  bool Evaluate(const std::string& text, const std::string& file, int line, long long& result) {
    std::string resolved;
    for (size_t i = 0; i < text.size();) {
      if (text.compare(i, 7, "defined") == 0 && (i + 7 >= text.size() || !IsIdent(text[i + 7])) &&
          (i == 0 || !IsIdent(text[i - 1]))) {
        i += 7;
        while (i < text.size() && std::isspace(uint8_t(text[i]))) ++i;
        const bool paren = i < text.size() && text[i] == '(';
        if (paren) ++i;
        while (i < text.size() && std::isspace(uint8_t(text[i]))) ++i;
        const size_t start = i;
        while (i < text.size() && IsIdent(text[i])) ++i;
        resolved += macros_.count(text.substr(start, i - start)) ? " 1 " : " 0 ";
        while (paren && i < text.size() && text[i] != ')') ++i;
        if (paren && i < text.size()) ++i;
        continue;
      }
      resolved += text[i++];
    }
    std::string expanded;
    std::set<std::string> hidden;
    if (!ExpandText(resolved, hidden, 0, expanded))
      return Fail(file, line, "macro expansion too deep or too large");
    ExpressionReader reader{expanded, 0, true};
    result = reader.Conditional();
    reader.SkipSpace();
    if (!reader.ok || reader.pos != expanded.size())
      return Fail(file, line, "#if cannot read \"" + Trim(text) + "\"");
    return true;
  }

  // Integer expressions as C reads them; names left over read 0.
  struct ExpressionReader {
    const std::string& text;
    size_t pos;
    bool ok;

    void SkipSpace() {
      while (pos < text.size() && std::isspace(uint8_t(text[pos]))) ++pos;
    }
    bool Take(const char* op) {
      SkipSpace();
      const size_t n = std::char_traits<char>::length(op);
      if (text.compare(pos, n, op) != 0) return false;
      // "<" is not the start of "<<" or "<="; "&" is not "&&"; and so on.
      if (n == 1 && pos + 1 < text.size() && std::strchr("<>&|=", op[0]) &&
          (text[pos + 1] == op[0] || text[pos + 1] == '='))
        return false;
      pos += n;
      return true;
    }
    long long Conditional() {
      long long condition = Binary(0);
      if (Take("?")) {
        long long a = Conditional();
        if (!Take(":")) ok = false;
        long long b = Conditional();
        return condition ? a : b;
      }
      return condition;
    }
    // Precedence climbing over C's binary operators, loosest first.
    long long Binary(int level) {
      static const std::vector<std::vector<const char*>> kLevels = {{"||"},
                                                                    {"&&"},
                                                                    {"|"},
                                                                    {"^"},
                                                                    {"&"},
                                                                    {"==", "!="},
                                                                    {"<=", ">=", "<", ">"},
                                                                    {"<<", ">>"},
                                                                    {"+", "-"},
                                                                    {"*", "/", "%"}};
      if (level == int(kLevels.size())) return Unary();
      long long left = Binary(level + 1);
      for (;;) {
        const char* matched = nullptr;
        for (const char* op : kLevels[size_t(level)])
          if (Take(op)) {
            matched = op;
            break;
          }
        if (!matched) return left;
        const long long right = Binary(level + 1);
        const std::string op = matched;
        if (op == "||")
          left = left || right;
        else if (op == "&&")
          left = left && right;
        else if (op == "|")
          left |= right;
        else if (op == "^")
          left ^= right;
        else if (op == "&")
          left &= right;
        else if (op == "==")
          left = left == right;
        else if (op == "!=")
          left = left != right;
        else if (op == "<=")
          left = left <= right;
        else if (op == ">=")
          left = left >= right;
        else if (op == "<")
          left = left < right;
        else if (op == ">")
          left = left > right;
        else if (op == "<<")
          left = right >= 0 && right < 63 ? left << right : 0;
        else if (op == ">>")
          left = right >= 0 && right < 63 ? left >> right : 0;
        else if (op == "+")
          left = (long long)((unsigned long long)left + (unsigned long long)right);
        else if (op == "-")
          left = (long long)((unsigned long long)left - (unsigned long long)right);
        else if (op == "*")
          left = (long long)((unsigned long long)left * (unsigned long long)right);
        else if (right == 0 || (left == LLONG_MIN && right == -1))
          ok = false;
        else
          left = op == "/" ? left / right : left % right;
      }
    }
    long long Unary() {
      if (Take("!")) return !Unary();
      if (Take("~")) return ~Unary();
      if (Take("-")) return (long long)(0ull - (unsigned long long)Unary());
      if (Take("+")) return Unary();
      if (Take("(")) {
        long long value = Conditional();
        if (!Take(")")) ok = false;
        return value;
      }
      SkipSpace();
      if (pos < text.size() && std::isdigit(uint8_t(text[pos]))) {
        const char* start = text.c_str() + pos;
        char* end = nullptr;
        const long long value = (long long)std::strtoull(start, &end, 0);
        pos += size_t(end - start);
        while (pos < text.size() && std::strchr("uUlL", text[pos])) ++pos;
        return value;
      }
      if (pos < text.size() && IsIdentStart(text[pos])) {
        while (pos < text.size() && IsIdent(text[pos])) ++pos;
        return 0;
      }
      ok = false;
      return 0;
    }
  };

  const FxIncludeReader& include_;
  std::string& out_;
  std::map<std::string, Macro> macros_;
  std::string error_;
};

}  // namespace

bool PreprocessEffect(std::string_view source, const char* fileName,
                      const std::vector<FxMacro>& defines, const FxIncludeReader& include,
                      std::string& out, std::string& error) {
  out.clear();
  Preprocessor preprocessor(include, out);
  for (const FxMacro& macro : defines) preprocessor.Define(macro.name, macro.value);
  if (!preprocessor.Run(source, fileName ? fileName : "effect", 0)) {
    error = preprocessor.Error();
    out.clear();
    return false;
  }
  return true;
}

}  // namespace ember
