#include "runtime/xfile/lexer.h"

#include <strings.h>

#include <cstdio>
#include <cstring>

namespace ember {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
// Exporters write names such as "Box-01"; a '-' inside a name cannot be mistaken for a number's
// sign because data values are always separated.
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c) || c == '-'; }

}  // namespace

// Template and keyword names match whatever their case, as Direct3D's reader takes them.
bool XToken::Is(const char* word) const {
  return kind == XTokenKind::Name && std::strlen(word) == length &&
         strncasecmp(word, text, length) == 0;
}

std::string XToken::Describe() const {
  switch (kind) {
    case XTokenKind::End:
      return "end of file";
    case XTokenKind::String:
      return "a string";
    case XTokenKind::Guid:
      return "a GUID";
    default:
      break;
  }
  const size_t kShown = 24;
  std::string shown(text, length < kShown ? length : kShown);
  if (length > kShown) shown += "...";
  return "'" + shown + "'";
}

XLexer::XLexer(const char* text, size_t size, uint32_t firstLine)
    : pos_(text), end_(text + size), line_(firstLine) {}

void XLexer::SkipSpaceAndComments() {
  while (pos_ < end_) {
    char c = *pos_;
    if (c == '\n') {
      ++line_;
      ++pos_;
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
      ++pos_;
    } else if (c == '#' || (c == '/' && pos_ + 1 < end_ && pos_[1] == '/')) {
      while (pos_ < end_ && *pos_ != '\n') ++pos_;
    } else {
      return;
    }
  }
}

XToken XLexer::Make(XTokenKind kind, const char* start, size_t length, uint32_t line) {
  XToken token;
  token.kind = kind;
  token.text = start;
  token.length = length;
  token.line = line;
  return token;
}

XToken XLexer::Fail(const std::string& message, uint32_t line) {
  error_ = "line " + std::to_string(line) + ": " + message;
  pos_ = end_;
  return Make(XTokenKind::Error, end_, 0, line);
}

XToken XLexer::Next() {
  SkipSpaceAndComments();
  if (pos_ >= end_) return Make(XTokenKind::End, end_, 0, line_);

  const char* start = pos_;
  char c = *pos_;
  if (IsNameStart(c)) {
    while (pos_ < end_ && IsNameChar(*pos_)) ++pos_;
    return Make(XTokenKind::Name, start, static_cast<size_t>(pos_ - start), line_);
  }
  if (IsDigit(c) || c == '-' || c == '+' || c == '.') {
    XToken number = LexNumber();
    if (number.kind != XTokenKind::End) return number;
    if (c == '.') {
      while (pos_ < end_ && *pos_ == '.') ++pos_;
      return Make(XTokenKind::Other, start, static_cast<size_t>(pos_ - start), line_);
    }
  }
  switch (c) {
    case '{':
      ++pos_;
      return Make(XTokenKind::OpenBrace, start, 1, line_);
    case '}':
      ++pos_;
      return Make(XTokenKind::CloseBrace, start, 1, line_);
    case ',':
    case ';':
      ++pos_;
      return Make(XTokenKind::Separator, start, 1, line_);
    case '[':
    case ']':
      ++pos_;
      return Make(XTokenKind::Other, start, 1, line_);
    case '"':
      return LexDelimited(XTokenKind::String, '"', "string");
    case '<':
      return LexDelimited(XTokenKind::Guid, '>', "GUID");
    default:
      break;
  }
  char shown[32];
  if (c >= 0x20 && c < 0x7f) {
    std::snprintf(shown, sizeof shown, "'%c'", c);
  } else {
    std::snprintf(shown, sizeof shown, "0x%02X",
                  static_cast<unsigned>(static_cast<unsigned char>(c)));
  }
  return Fail(std::string("unexpected character ") + shown, line_);
}

// Returns an End token, consuming nothing, when the text at pos_ is not a number.
XToken XLexer::LexNumber() {
  const char* start = pos_;
  const char* p = pos_;
  if (*p == '-' || *p == '+') ++p;
  size_t digits = 0;
  while (p < end_ && IsDigit(*p)) ++p, ++digits;
  bool isFloat = false;
  if (p < end_ && *p == '.') {
    isFloat = true;
    ++p;
    while (p < end_ && IsDigit(*p)) ++p, ++digits;
  }
  if (digits == 0) return Make(XTokenKind::End, start, 0, line_);
  if (p < end_ && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    if (q < end_ && (*q == '-' || *q == '+')) ++q;
    if (q < end_ && IsDigit(*q)) {
      while (q < end_ && IsDigit(*q)) ++q;
      p = q;
      isFloat = true;
    }
  }
  pos_ = p;
  return Make(isFloat ? XTokenKind::Float : XTokenKind::Integer, start,
              static_cast<size_t>(p - start), line_);
}

XToken XLexer::LexDelimited(XTokenKind kind, char close, const char* what) {
  uint32_t line = line_;
  const char* start = ++pos_;
  while (pos_ < end_ && *pos_ != close) {
    if (*pos_ == '\n') ++line_;
    ++pos_;
  }
  if (pos_ >= end_) return Fail(std::string("unterminated ") + what, line);
  size_t length = static_cast<size_t>(pos_ - start);
  ++pos_;
  return Make(kind, start, length, line);
}

}  // namespace ember
