// Deciding, for one logical line, which message rules to try and what to print.
#pragma once

#include <string>

#include "log/log_reader.h"
#include "rules/cptc_rule.h"
#include "rules/ctc_rule.h"
#include "rules/ltc_licence_rules.h"
#include "rules/matcher.h"

// Tries, in order, the C compiler, linker, C++ compiler and licence rules whose
// marker text ("ctc", "ltc", "cptc", "No valid license found") occurs in the
// line. Each rule that matches overwrites `output`; nothing clears it. Returns
// the result of the last rule tried (not the OR of all), false if none was.
bool DispatchLine(LogLine line, std::string& output);

// The same, with the markers already known (the log reader finds them while
// it cuts the lines).
bool DispatchLine(LogLine line, const LineMarkers& markers, std::string& output);

// The dispatch itself, with the whole-line match as a parameter, so that the
// tests' std::regex reference runs exactly the same sequence of rules.
template <typename Matcher>
bool DispatchLineWith(LogLine line, const LineMarkers& markers, std::string& output,
                      Matcher&& fullMatch) {
  MatchResult match;
  bool result = false;
  if (markers.ctc) {
    result = fullMatch(CtcPattern(), line, match);
    if (result) FormatCtcMessage(match, output);
  }
  if (markers.ltc) {
    result = fullMatch(LtcPattern(), line, match);
    if (result) output.assign(line);
  }
  if (markers.cptc) {
    result = fullMatch(CptcPattern(), line, match);
    if (result) FormatCptcMessage(match, output);
  }
  if (markers.licence) {
    result = fullMatch(LicensePattern(), line, match);
    if (result) FormatLicenseMessage(match, output);
  }
  return result;
}
