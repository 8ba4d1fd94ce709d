// Pieces of text that several layouts share.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "rules/diagnostic.h"
#include "text/chars.h"

// The message texts keep the blanks that separated them in the log; the
// other layouts put their own separators around them.
inline std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

// The diagnostic's code, e.g. ctcW505: tool, letter and message number.
inline void AppendCode(const Diagnostic& diagnostic, std::string& output) {
  output.append(diagnostic.tool).append(diagnostic.severity).append(diagnostic.number);
}

// The diagnostic's own file, when there is one that a layout can use.
inline bool HasFile(const Diagnostic& diagnostic) {
  return !diagnostic.placeholder && !diagnostic.file.empty();
}

// The fixed text written instead of a diagnostic that lacks a part its
// output needs: "empty ctc msg".
inline void AppendPlaceholder(const Diagnostic& diagnostic, std::string& output) {
  output.append("empty ").append(diagnostic.tool).append(" msg");
}

// The message: the placeholder, or the trimmed text; a diagnostic without a
// text gets a fixed one, since clients drop a problem without a message.
inline void AppendMessage(const Diagnostic& diagnostic, std::string& output) {
  if (diagnostic.placeholder) {
    AppendPlaceholder(diagnostic, output);
    return;
  }
  const std::string_view text = Trimmed(diagnostic.text);
  if (!text.empty()) {
    output.append(text);
    return;
  }
  AppendCode(diagnostic, output);
  output.append(" (no message text)");
}

inline void AppendNumber(std::uint64_t value, std::string& output) {
  char digits[20];
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count > 0) output.push_back(digits[--count]);
}
