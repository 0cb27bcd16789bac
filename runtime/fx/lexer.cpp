#include "runtime/fx/lexer.h"

#include "runtime/fx/states.h"

namespace ember {
namespace {

bool IsIdentStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsIdentChar(char c) { return IsIdentStart(c) || IsDigit(c); }

class Lexer {
 public:
  explicit Lexer(std::string_view source) : src_(source) {}

  bool Run(std::vector<FxToken>& tokens, FxSourcePos& errorAt, std::string& error) {
    while (SkipSpace(errorAt, error)) {
      if (pos_ >= src_.size()) {
        tokens.push_back(Make(FxTokenKind::End, pos_));
        return true;
      }
      size_t start = pos_;
      char c = src_[pos_];
      if (IsIdentStart(c)) {
        while (pos_ < src_.size() && IsIdentChar(src_[pos_])) ++pos_;
        tokens.push_back(Make(FxTokenKind::Identifier, start));
      } else if (IsDigit(c) || (c == '.' && pos_ + 1 < src_.size() && IsDigit(src_[pos_ + 1]))) {
        LexNumber();
        tokens.push_back(Make(FxTokenKind::Number, start));
      } else if (c == '"') {
        if (!LexString(errorAt, error)) return false;
        tokens.push_back(Make(FxTokenKind::String, start));
      } else {
        ++pos_;
        tokens.push_back(Make(FxTokenKind::Punct, start));
      }
      lastTokenLine_ = tokenWhere_.line;
    }
    return false;
  }

 private:
  FxSourcePos Here() const {
    return FxSourcePos{line_, static_cast<uint32_t>(pos_ - lineStart_ + 1)};
  }

  FxToken Make(FxTokenKind kind, size_t start) {
    FxToken token;
    token.kind = kind;
    token.begin = start;
    token.end = pos_;
    token.text = src_.substr(start, pos_ - start);
    token.where = tokenWhere_;
    return token;
  }

  void Advance() {
    if (src_[pos_] == '\n') {
      ++line_;
      lineStart_ = pos_ + 1;
    }
    ++pos_;
  }

  // Skips to the next token and records where it starts.
  bool SkipSpace(FxSourcePos& errorAt, std::string& error) {
    while (pos_ < src_.size()) {
      char c = src_[pos_];
      if (c == '\n') {
        Advance();
      } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
        Advance();
      } else if (c == '/' && Peek(1) == '/') {
        while (pos_ < src_.size() && src_[pos_] != '\n') Advance();
      } else if (c == '/' && Peek(1) == '*') {
        FxSourcePos at = Here();
        Advance();
        Advance();
        while (pos_ < src_.size() && !(src_[pos_] == '*' && Peek(1) == '/')) Advance();
        if (pos_ >= src_.size()) {
          errorAt = at;
          error = "unterminated comment";
          return false;
        }
        Advance();
        Advance();
      } else if (c == '#' && lastTokenLine_ != line_) {
        SkipDirective();
      } else {
        break;
      }
    }
    tokenWhere_ = Here();
    return true;
  }

  // Preprocessor lines are glslang's business; a backslash continues them.
  void SkipDirective() {
    while (pos_ < src_.size() && src_[pos_] != '\n') {
      if (src_[pos_] == '\\' && Peek(1) == '\n')
        Advance();
      else if (src_[pos_] == '\\' && Peek(1) == '\r' && Peek(2) == '\n') {
        Advance();
        Advance();
      }
      Advance();
    }
  }

  void LexNumber() {
    bool hex = src_[pos_] == '0' && (Peek(1) == 'x' || Peek(1) == 'X');
    while (pos_ < src_.size()) {
      char c = src_[pos_];
      if (IsIdentChar(c) || c == '.') {
        Advance();
      } else if ((c == '+' || c == '-') && !hex && pos_ > 0 &&
                 (src_[pos_ - 1] == 'e' || src_[pos_ - 1] == 'E')) {
        Advance();
      } else {
        break;
      }
    }
  }

  bool LexString(FxSourcePos& errorAt, std::string& error) {
    FxSourcePos at = Here();
    Advance();
    while (pos_ < src_.size() && src_[pos_] != '"') {
      if (src_[pos_] == '\n') break;
      if (src_[pos_] == '\\' && pos_ + 1 < src_.size() && src_[pos_ + 1] != '\n') Advance();
      Advance();
    }
    if (pos_ >= src_.size() || src_[pos_] != '"') {
      errorAt = at;
      error = "unterminated string";
      return false;
    }
    Advance();
    return true;
  }

  char Peek(size_t ahead) const { return pos_ + ahead < src_.size() ? src_[pos_ + ahead] : '\0'; }

  std::string_view src_;
  size_t pos_ = 0;
  size_t lineStart_ = 0;
  uint32_t line_ = 1;
  uint32_t lastTokenLine_ = 0;
  FxSourcePos tokenWhere_;
};

}  // namespace

bool FxToken::IsNoCase(std::string_view word) const {
  return kind == FxTokenKind::Identifier && EqualsNoCase(text, word);
}

bool TokenizeEffect(std::string_view source, std::vector<FxToken>& tokens, FxSourcePos& errorAt,
                    std::string& error) {
  tokens.clear();
  Lexer lexer(source);
  return lexer.Run(tokens, errorAt, error);
}

}  // namespace ember
