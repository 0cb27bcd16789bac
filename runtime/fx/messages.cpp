#include "runtime/fx/messages.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <vector>

#include "runtime/fx/hlsl_to_spirv.h"

namespace ember {
namespace {

struct Message {
  FxSourcePos at;
  std::string text;
};

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Reads the decimal number at the start of `text` and drops it from there.
bool TakeNumber(std::string_view& text, uint32_t& value) {
  size_t digits = 0;
  value = 0;
  while (digits < text.size() && digits < 9 && text[digits] >= '0' && text[digits] <= '9') {
    value = value * 10 + static_cast<uint32_t>(text[digits] - '0');
    ++digits;
  }
  text.remove_prefix(digits);
  return digits > 0;
}

bool IsWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Column of `token` in `line` as a whole word, or 0.
uint32_t FindToken(std::string_view line, std::string_view token) {
  if (token.empty()) return 0;
  bool word = IsWordChar(token.front()) && IsWordChar(token.back());
  for (size_t at = line.find(token); at != std::string_view::npos; at = line.find(token, at + 1)) {
    bool startOk = !word || at == 0 || !IsWordChar(line[at - 1]);
    size_t after = at + token.size();
    bool endOk = !word || after >= line.size() || !IsWordChar(line[after]);
    if (startOk && endOk) return static_cast<uint32_t>(at + 1);
  }
  return 0;
}

uint32_t FirstNonBlankColumn(std::string_view line) {
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] != ' ' && line[i] != '\t') return static_cast<uint32_t>(i + 1);
  }
  return 1;
}

// glslang quotes the token it complains about first: "'foo' : unknown variable".
std::string_view QuotedToken(std::string_view message) {
  if (message.empty() || message.front() != '\'') return {};
  size_t close = message.find('\'', 1);
  return close == std::string_view::npos ? std::string_view() : message.substr(1, close - 1);
}

}  // namespace

std::string FormatFxError(const char* fileName, const FxSourcePos& at, const std::string& message) {
  std::string text = fileName ? fileName : "effect";
  if (at.line > 0) {
    text += "(" + std::to_string(at.line);
    if (at.column > 0) text += "," + std::to_string(at.column);
    text += ")";
  }
  return text + ": error: " + message;
}

std::string FxSourceContext(const std::string& source, const FxSourcePos& at) {
  std::vector<std::string_view> lines = SplitLines(source);
  if (at.line == 0 || at.line > lines.size()) return std::string();
  uint32_t first = at.line > 1 ? at.line - 1 : 1;
  uint32_t last = std::min<uint32_t>(at.line + 1, static_cast<uint32_t>(lines.size()));
  size_t width = std::to_string(last).size();
  std::string text;
  for (uint32_t number = first; number <= last; ++number) {
    std::string label = std::to_string(number);
    std::string_view line = lines[number - 1];
    text += number == at.line ? "> " : "  ";
    text += std::string(width - label.size(), ' ') + label + " | ";
    text += std::string(line) + "\n";
    if (number == at.line && at.column > 0 && at.column <= line.size() + 1) {
      text += "  " + std::string(width, ' ') + " | ";
      for (size_t i = 0; i + 1 < at.column; ++i) text += line[i] == '\t' ? '\t' : ' ';
      text += "^\n";
    }
  }
  return text;
}

std::string FormatGlslangLog(const std::string& log, const char* fileName,
                             const std::string& source, const FxSourcePos& fallback) {
  const std::string sourcePrefix = std::string(kFxSourceName) + ":";
  const std::string parseFailPrefix = std::string(kFxSourceName) + "(";
  std::vector<Message> messages;
  std::map<uint32_t, uint32_t> failColumns;  // line -> column of "HLSL parsing failed"
  for (std::string_view line : SplitLines(log)) {
    line = Trim(line);
    if (StartsWith(line, "ERROR: ")) {
      std::string_view rest = line.substr(7);
      Message message;
      if (StartsWith(rest, sourcePrefix)) {
        rest.remove_prefix(sourcePrefix.size());
        if (TakeNumber(rest, message.at.line) && StartsWith(rest, ":")) rest.remove_prefix(1);
      } else if (rest.find("compilation error") != std::string_view::npos) {
        continue;
      }
      message.text = std::string(Trim(rest));
      messages.push_back(std::move(message));
    } else if (StartsWith(line, parseFailPrefix)) {
      // "fx_source(20): error at column 54, HLSL parsing failed."
      std::string_view rest = line.substr(parseFailPrefix.size());
      Message message;
      std::string_view columnKey = "): error at column ";
      if (!TakeNumber(rest, message.at.line) || !StartsWith(rest, columnKey)) continue;
      rest.remove_prefix(columnKey.size());
      if (!TakeNumber(rest, message.at.column)) continue;
      failColumns[message.at.line] = message.at.column;
      message.text = "HLSL parsing failed";
      messages.push_back(std::move(message));
    }
  }
  if (messages.empty()) messages.push_back(Message{FxSourcePos(), std::string(Trim(log))});

  std::vector<std::string_view> lines = SplitLines(source);
  for (Message& message : messages) {
    if (message.at.line == 0 || message.at.line > lines.size()) {
      message.at = fallback;
      continue;
    }
    if (message.at.column > 0) continue;
    std::string_view line = lines[message.at.line - 1];
    message.at.column = FindToken(line, QuotedToken(message.text));
    auto fail = failColumns.find(message.at.line);
    if (message.at.column == 0 && fail != failColumns.end()) message.at.column = fail->second;
    if (message.at.column == 0) message.at.column = FirstNonBlankColumn(line);
  }

  std::string text;
  for (const Message& message : messages)
    text += FormatFxError(fileName, message.at, message.text) + "\n";
  text += FxSourceContext(source, messages.front().at);
  return text;
}

}  // namespace ember
