// The reference behaviour: std::regex_match with the ECMAScript grammar on the
// rules' own pattern texts. Only for tests, benchmarks and fuzzing; it is slow,
// quadratic on crafted lines and overflows the stack on long ones, so keep
// the lines given to it short (about 2 KB).
#pragma once

#include <regex>
#include <string>
#include <string_view>

#include "log/log_reader.h"
#include "rules/matcher.h"

// Compiled once per pattern text and kept.
const std::regex& OracleRegex(const MessagePattern& pattern);

// Full match with std::regex_match; groups as views into `line`, a group that
// did not take part read as empty, exactly like our MatchResult.
bool OracleMatch(const MessagePattern& pattern, std::string_view line, MatchResult& match);

// The markers of `line` by plain substring search, independent of the
// reader's scan.
LineMarkers SubstringMarkers(std::string_view line);

// DispatchLine with every match done by std::regex; same rules, same
// formatters, same quirks. The baseline of the benchmarks.
bool OracleDispatchLine(LogLine line, std::string& output,
                        Recognition recognition = Recognition::kClassic);
