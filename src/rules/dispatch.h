// Deciding, for one logical line, which message rules to try and what to print.
#pragma once

#include <string>

#include "log/log_reader.h"
#include "rules/cptc_rule.h"
#include "rules/ctc_rule.h"
#include "rules/diagnostic.h"
#include "rules/ltc_licence_rules.h"
#include "rules/matcher.h"

// One message rule: the marker text that lets it be tried, its pattern and
// the record a match makes. A new rule is one more row here (and its marker
// in log/markers.h).
struct MessageRule {
  bool LineMarkers::*marker;
  const MessagePattern& (*pattern)();
  Diagnostic (*record)(const MatchResult& match);
};

// In the order they are tried.
inline constexpr MessageRule kMessageRules[] = {
    {&LineMarkers::ctc, CtcPattern, CtcDiagnostic},
    {&LineMarkers::ltc, LtcPattern, LtcDiagnostic},
    {&LineMarkers::cptc, CptcPattern, CptcDiagnostic},
    {&LineMarkers::license, LicensePattern, LicenseDiagnostic},
};

// Tries, in order, each rule whose marker the reader found in the line. Each
// rule that matches renders its record over `output`; nothing clears it.
// Classic: returns the result of the last rule tried (not the OR of all),
// false if none was. Sound: returns whether any rule matched; `output` then
// holds the last match's text. The whole-line match and the renderer are
// parameters, so that the tests' std::regex reference runs exactly the same
// sequence of rules for every layout.
template <typename Matcher, typename Render>
bool DispatchLineWith(LogLine line, const LineMarkers& markers, Recognition recognition,
                      std::string& output, Matcher&& fullMatch, Render&& render) {
  MatchResult match;
  bool last = false;
  bool any = false;
  for (const MessageRule& rule : kMessageRules) {
    if (!(markers.*rule.marker)) continue;
    last = fullMatch(rule.pattern(), line, match);
    if (last) {
      render(rule.record(match), output);
      any = true;
    }
  }
  return recognition == Recognition::kClassic ? last : any;
}
