// The rule table: the one place that knows the toolchain. Each program of the
// toolchain that the table names, each message rule (its marker, its pattern
// text, what its groups record) and which recognition uses it. The reader,
// the recognitions, the layouts' texts about programs, and every test, fuzz
// target and benchmark that needs the rules take them from here.
//
// Adding a rule is one row in kRules (rule_table.cpp) and its test rows.
// The table checks itself: every row's pattern is read, and its groups
// checked against its form, when the table is first used (RuleProblem); a
// row that cannot work stops the program there with exit code -4, and the
// unit tests read every row the same way.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "rules/matcher.h"

// How lines are read and recognised. The output window's layout keeps the
// classic reading, quirks and all; the other layouts read soundly, so that no
// diagnostic is lost to an echoed command line, a file name, a missing
// source excerpt or a program the classic rules do not know.
enum class Recognition : std::uint8_t {
  kClassic,  // markers anywhere choose the rules; the last rule tried decides
  kSound,    // the diagnostic layout of any program; the first rule that matches decides
};

struct Program {
  std::string_view name;  // as the toolchain writes it at the start of a line
  // What the program is, for the help text and SARIF's rule texts, e.g.
  // "C compiler"; an unknown program is "program".
  std::string_view kind;
  // Its diagnostics with a location may be followed by the source line they
  // point at. In the classic reading every line that holds its name takes
  // the next one. One setting of the whole table: the reader knows a single
  // program with excerpts (ExcerptProgram), so at most one row may claim
  // them, which rule_table.cpp checks as it compiles.
  bool showsExcerpt = false;
};

// How the output window writes a rule's match.
enum class MsvcForm : std::uint8_t {
  kNone,             // a rule of the sound recognition only
  kFileLineColumn,   // "file(line,column) :Warning:  text"
  kFileLineExcerpt,  // "file(line) : Warning:  text", a line feed, the excerpt
  kLineItself,       // the line, unchanged
  kLicense,          // "Error: text! "
};

// A field of the record and the capture group it is read from (0: none).
struct RuleGroups {
  std::uint8_t severity = 0;
  std::uint8_t file = 0;
  std::uint8_t line = 0;
  std::uint8_t column = 0;
  std::uint8_t text = 0;
  std::uint8_t excerpt = 0;
};

// Which empty fields make a match write its placeholder instead.
enum PlaceholderWhen : std::uint8_t {
  kNoPlaceholder = 0,
  kEmptyFile = 1,
  kEmptyText = 2,
  kEmptyExcerpt = 4,
};

enum RecognitionSet : std::uint8_t {
  kClassicOnly = 1,
  kSoundOnly = 2,
  kBoth = 3,
};

struct MessageRule {
  std::string_view name;     // how tests and messages call the rule
  std::string_view program;  // the program it reads; empty: whichever opens the line
  // A line is tried with the rule only when it holds this text anywhere;
  // empty: every line.
  std::string_view marker;
  std::string_view pattern;  // the pattern text, as std::regex reads it too
  RuleGroups groups;
  std::uint8_t placeholderWhen = kNoPlaceholder;
  MsvcForm msvc = MsvcForm::kNone;
  std::uint8_t recognitions = kBoth;
};

// Every rule, in the order in which each recognition tries its own.
std::span<const MessageRule> Rules();

// The rule's compiled pattern. Every row is compiled, and checked, on the
// first call for any of them; a row with a problem ends the program there
// with its message on standard error and exit code -4.
const MessagePattern& RulePattern(const MessageRule& rule);

// What keeps `rule` from working, naming the rule (empty: nothing): a
// pattern the matcher cannot read as std::regex does (with the byte where it
// goes wrong), a group the pattern does not have, or a field that the rule's
// output-window form or placeholder needs and no group records.
std::string RuleProblem(const MessageRule& rule);
inline bool UsedBy(const MessageRule& rule, Recognition recognition) {
  return (rule.recognitions & (recognition == Recognition::kClassic ? kClassicOnly : kSoundOnly)) !=
         0;
}

// The programs the table knows, and what it says of any other.
std::span<const Program> Programs();
const Program& ProgramNamed(std::string_view name);

// The program whose name makes a line take the next one in the classic
// reading, and whose located diagnostics take an excerpt in the sound one.
const Program& ExcerptProgram();
