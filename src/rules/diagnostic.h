// What a message rule recognised in one logical line. Every layout writes
// from this record; its texts are views into the line (and the excerpt's
// line), so making one costs no allocation.
#pragma once

#include <string_view>

struct MessageRule;
struct Program;

struct Diagnostic {
  const MessageRule* rule = nullptr;  // the table row that matched
  const Program* program = nullptr;   // what the table knows of the tool
  std::string_view tool;              // the program's name as the line writes it
  std::string_view severity;          // the letter: "I", "W", "E" or "F"
  std::string_view number;            // the message number's digits
  std::string_view file;              // empty when the line names no source file
  std::string_view line;              // digits, as written (leading zeros stay)
  std::string_view column;            // digits, when the location has a column
  std::string_view text;              // the message text as matched, blanks around it included
  std::string_view excerpt;           // the source line a C++ diagnostic shows
  std::string_view whole;             // the whole logical line
  // A part the output needs is empty: the layouts write "empty <tool> msg"
  // instead of the diagnostic's text.
  bool placeholder = false;
};

// Fatal errors are errors for every client.
inline bool IsError(const Diagnostic& diagnostic) {
  return diagnostic.severity == "E" || diagnostic.severity == "F";
}
inline bool IsFatal(const Diagnostic& diagnostic) { return diagnostic.severity == "F"; }
inline bool IsInformation(const Diagnostic& diagnostic) { return diagnostic.severity == "I"; }
