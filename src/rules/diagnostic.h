// What a message rule recognised in one logical line. Every output layout is
// written from this record; its texts are views into the line, so making one
// costs no allocation.
#pragma once

#include <cstdint>
#include <string_view>

enum class Rule : std::uint8_t { kCtc, kLtc, kCptc, kLicense };

struct Diagnostic {
  Rule rule = Rule::kCtc;
  std::string_view tool;      // "ctc", "cptc" or "ltc"; the licence notice is the C compiler's
  std::string_view severity;  // "E", "F" or "W"
  std::string_view number;    // the message number's digits
  std::string_view file;      // empty for the linker and the licence notice
  std::string_view line;      // digits, as written (leading zeros stay)
  std::string_view column;    // digits; only the C compiler gives a column
  std::string_view text;      // the message text as matched, blanks around it included
  std::string_view excerpt;   // the C++ compiler's source line
  // Set when a part that the output needs is empty: the rule then writes
  // this fixed text instead of a diagnostic.
  std::string_view placeholder;
  std::string_view whole;  // the whole logical line
};

inline constexpr std::string_view kEmptyCtcMessage = "empty ctc msg";
inline constexpr std::string_view kEmptyCptcMessage = "empty cptc msg";

// Fatal errors are errors for every client.
inline bool IsError(const Diagnostic& diagnostic) {
  return diagnostic.severity == "E" || diagnostic.severity == "F";
}
