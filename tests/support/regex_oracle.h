// The reference behaviour: std::regex_match with the ECMAScript grammar on the
// rules' own pattern texts. Only for tests, benchmarks and fuzzing; it is slow,
// quadratic on crafted lines and overflows the stack on long ones, so keep
// the lines given to it short (about 2 KB).
#pragma once

#include <regex>
#include <string_view>

#include "rules/matcher.h"
#include "rules/recognize.h"

// Compiled once per pattern text and kept.
const std::regex& OracleRegex(std::string_view patternText);

// Full match with std::regex_match on the pattern's text; groups as views
// into `line`, a group that did not take part read as empty, exactly like
// our MatchResult.
bool OracleMatch(const MessagePattern& pattern, std::string_view line, MatchResult& match);

// RecognizeLine with every match done by std::regex: the same rules in the
// same order, found by the same markers. The baseline of the benchmarks.
inline bool OracleRecognizeLine(LogLine line, Recognition recognition, Diagnostic& diagnostic) {
  return RecognizeLine(line, recognition, diagnostic, OracleMatch);
}
