// Pieces shared by the layouts other than the output window's.
#pragma once

#include <string>
#include <string_view>

#include "rules/diagnostic.h"

// White space as the patterns' "[[:space:]]" knows it.
inline bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The message texts keep the blanks that separated them in the log; the
// other layouts put their own separators around them.
inline std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The diagnostic's code, e.g. "ctcW505": tool, letter and message number.
inline void AppendCode(const Diagnostic& diagnostic, std::string& output) {
  output.append(diagnostic.tool).append(diagnostic.severity).append(diagnostic.number);
}
