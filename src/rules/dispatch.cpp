#include "rules/dispatch.h"

void FormatMsvcLine(const Diagnostic& diagnostic, std::string& output) {
  switch (diagnostic.rule) {
    case Rule::kCtc:
      FormatCtcMessage(diagnostic, output);
      return;
    case Rule::kLtc:
      output.assign(diagnostic.whole);
      return;
    case Rule::kCptc:
      FormatCptcMessage(diagnostic, output);
      return;
    case Rule::kLicense:
      FormatLicenseMessage(diagnostic, output);
      return;
  }
}

bool DispatchLine(LogLine line, const LineMarkers& markers, std::string& output) {
  return DispatchLineWith(line, markers, output, FullMatch);
}
