#include "rules/dispatch.h"

#include "rules/cptc_rule.h"
#include "rules/ctc_rule.h"
#include "rules/ltc_licence_rules.h"

bool DispatchLine(LogLine line, std::string& output) {
  return DispatchLine(line, FindMarkers(line), output);
}

bool DispatchLine(LogLine line, const LineMarkers& markers, std::string& output) {
  MatchResult match;
  bool result = false;
  if (markers.ctc) {
    result = FullMatch(CtcPattern(), line, match);
    if (result) FormatCtcMessage(match, output);
  }
  if (markers.ltc) {
    result = FullMatch(LtcPattern(), line, match);
    if (result) output.assign(line);
  }
  if (markers.cptc) {
    result = FullMatch(CptcPattern(), line, match);
    if (result) FormatCptcMessage(match, output);
  }
  if (markers.licence) {
    result = FullMatch(LicensePattern(), line, match);
    if (result) FormatLicenseMessage(match, output);
  }
  return result;
}
