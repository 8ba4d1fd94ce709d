#include "rules/dispatch.h"

#include "rules/cptc_rule.h"
#include "rules/ctc_rule.h"
#include "rules/ltc_licence_rules.h"

namespace {

bool Contains(LogLine line, std::string_view marker) {
  return line.find(marker) != std::string_view::npos;
}

}  // namespace

bool DispatchLine(LogLine line, std::string& output) {
  const bool hasCtc = Contains(line, "ctc");
  const bool hasLtc = Contains(line, "ltc");
  const bool hasCptc = Contains(line, "cptc");
  const bool hasLicence = Contains(line, "No valid license found");

  MatchResult match;
  bool result = false;
  if (hasCtc) {
    result = FullMatch(CtcPattern(), line, match);
    if (result) FormatCtcMessage(match, output);
  }
  if (hasLtc) {
    result = FullMatch(LtcPattern(), line, match);
    if (result) output.assign(line);
  }
  if (hasCptc) {
    result = FullMatch(CptcPattern(), line, match);
    if (result) FormatCptcMessage(match, output);
  }
  if (hasLicence) {
    result = FullMatch(LicensePattern(), line, match);
    if (result) FormatLicenseMessage(match, output);
  }
  return result;
}
