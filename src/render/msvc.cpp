#include "render/msvc.h"

#include "rules/dispatch.h"

namespace {

void FormatCtcMessage(const Diagnostic& diagnostic, std::string& output) {
  output.assign(diagnostic.file);
  output.append("(").append(diagnostic.line).append(",").append(diagnostic.column).append(") :");
  output.append(IsError(diagnostic) ? "Error" : "Warning").append(": ").append(diagnostic.text);
}

void FormatCptcMessage(const Diagnostic& diagnostic, std::string& output) {
  output.assign(diagnostic.file);
  output.append("(").append(diagnostic.line).append(") : ");
  output.append(IsError(diagnostic) ? "Error" : "Warning").append(": ");
  output.append(diagnostic.text).append("\n").append(diagnostic.excerpt);
}

void FormatLicenseMessage(const Diagnostic& diagnostic, std::string& output) {
  output.assign(IsError(diagnostic) ? "Error" : "Warning");
  output.append(": ").append(diagnostic.text).append("! ");
}

}  // namespace

void FormatMsvcLine(const Diagnostic& diagnostic, std::string& output) {
  if (!diagnostic.placeholder.empty()) {
    output.assign(diagnostic.placeholder);
    return;
  }
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
  return DispatchLineWith(line, markers, Recognition::kClassic, output, FullMatch, FormatMsvcLine);
}

bool ConvertLineMsvc(LogLine line, const LineMarkers& markers, const LineOrigin&,
                     std::string& output) {
  return DispatchLine(line, markers, output);
}
