// Deciding, for one logical line, which message rules to try and what to print.
#pragma once

#include <string>

#include "log/log_reader.h"
#include "rules/cptc_rule.h"
#include "rules/ctc_rule.h"
#include "rules/diagnostic.h"
#include "rules/ltc_licence_rules.h"
#include "rules/matcher.h"

// Tries, in order, the C compiler, linker, C++ compiler and licence rules whose
// marker text ("ctc", "ltc", "cptc", "No valid license found") occurs in the
// line. Each rule that matches overwrites `output` with its output-window
// line; nothing clears it. Returns the result of the last rule tried (not the
// OR of all), false if none was. The markers are those the log reader found
// while it cut the lines.
bool DispatchLine(LogLine line, const LineMarkers& markers, std::string& output);

// The output-window line of any rule's record.
void FormatMsvcLine(const Diagnostic& diagnostic, std::string& output);

// The dispatch itself, with the whole-line match and the layout as
// parameters: the tests' std::regex reference runs exactly the same sequence
// of rules, and every output layout keeps its quirks (the last rule tried
// decides; a rule that matches writes over `output`, placeholders included).
template <typename Matcher, typename Render>
bool DispatchLineWith(LogLine line, const LineMarkers& markers, std::string& output,
                      Matcher&& fullMatch, Render&& render) {
  MatchResult match;
  bool result = false;
  if (markers.ctc) {
    result = fullMatch(CtcPattern(), line, match);
    if (result) render(CtcDiagnostic(match), output);
  }
  if (markers.ltc) {
    result = fullMatch(LtcPattern(), line, match);
    if (result) render(LtcDiagnostic(match), output);
  }
  if (markers.cptc) {
    result = fullMatch(CptcPattern(), line, match);
    if (result) render(CptcDiagnostic(match), output);
  }
  if (markers.license) {
    result = fullMatch(LicensePattern(), line, match);
    if (result) render(LicenseDiagnostic(match), output);
  }
  return result;
}

template <typename Matcher>
bool DispatchLineWith(LogLine line, const LineMarkers& markers, std::string& output,
                      Matcher&& fullMatch) {
  return DispatchLineWith(line, markers, output, fullMatch, FormatMsvcLine);
}
