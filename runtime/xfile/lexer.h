// Tokens of the text X format, after the 16-byte header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ember {

enum class XTokenKind {
  End,
  Error,    // the lexer's message is in XLexer::Error()
  Name,     // identifier: letter or '_' first
  Integer,  // optional sign and digits
  Float,    // a number with a fraction or an exponent
  String,   // text between double quotes, quotes excluded
  Guid,     // text between '<' and '>', brackets excluded
  OpenBrace,
  CloseBrace,
  Separator,  // ',' or ';'
  Other,      // '[', ']', "..." and other punctuation found in template declarations
};

struct XToken {
  XTokenKind kind = XTokenKind::End;
  const char* text = nullptr;
  size_t length = 0;
  uint32_t line = 0;

  bool Is(const char* word) const;
  // The token as a message shows it: quoted and shortened, or "end of file".
  std::string Describe() const;
};

class XLexer {
 public:
  XLexer(const char* text, size_t size, uint32_t firstLine);

  XToken Next();
  const std::string& Error() const { return error_; }
  // Bytes not yet consumed; a bound on how much data can still follow.
  size_t Remaining() const { return static_cast<size_t>(end_ - pos_); }

 private:
  void SkipSpaceAndComments();
  XToken Make(XTokenKind kind, const char* start, size_t length, uint32_t line);
  XToken Fail(const std::string& message, uint32_t line);
  XToken LexNumber();
  XToken LexDelimited(XTokenKind kind, char close, const char* what);

  const char* pos_;
  const char* end_;
  uint32_t line_;
  std::string error_;
};

}  // namespace ember
