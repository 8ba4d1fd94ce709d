#include "layouts/msvc.h"

#include "layouts/layout_text.h"

namespace {

std::string_view SeverityWord(const Diagnostic& diagnostic) {
  return IsError(diagnostic) ? "Error" : "Warning";
}

void FormatCtcMessage(const Diagnostic& diagnostic, std::string& output) {
  output.assign(diagnostic.file);
  output.append("(").append(diagnostic.line).append(",").append(diagnostic.column).append(") :");
  output.append(SeverityWord(diagnostic)).append(": ").append(diagnostic.text);
}

void FormatCptcMessage(const Diagnostic& diagnostic, std::string& output) {
  output.assign(diagnostic.file);
  output.append("(").append(diagnostic.line).append(") : ");
  output.append(SeverityWord(diagnostic)).append(": ");
  output.append(diagnostic.text).append("\n").append(diagnostic.excerpt);
}

void FormatLicenseMessage(const Diagnostic& diagnostic, std::string& output) {
  output.assign(SeverityWord(diagnostic)).append(": ").append(diagnostic.text).append("! ");
}

class MsvcLayout : public Layout {
 public:
  void Write(const Diagnostic& diagnostic, const LineOrigin&, std::string& out) override {
    FormatMsvcLine(diagnostic, out);
  }
};

}  // namespace

void FormatMsvcLine(const Diagnostic& diagnostic, std::string& output) {
  if (diagnostic.placeholder) {
    output.clear();
    AppendPlaceholder(diagnostic, output);
    return;
  }
  switch (diagnostic.rule->msvc) {
    case MsvcForm::kFileLineColumn:
      FormatCtcMessage(diagnostic, output);
      return;
    case MsvcForm::kFileLineExcerpt:
      FormatCptcMessage(diagnostic, output);
      return;
    case MsvcForm::kLineItself:
      output.assign(diagnostic.whole);
      return;
    case MsvcForm::kLicense:
      FormatLicenseMessage(diagnostic, output);
      return;
    case MsvcForm::kNone:
      break;
  }
  // A rule of the sound recognition only: never reached by this layout's own
  // reading.
  output.assign(diagnostic.whole);
}

std::unique_ptr<Layout> MakeMsvcLayout(const LayoutSettings& settings) {
  if (settings.sourceRoot.empty()) return std::make_unique<MsvcLayout>();
  // --SourceRoot written: the names relative to it, the layout otherwise
  // the same.
  return MakeRootedLineLayout(settings, [](const Diagnostic& diagnostic, const LineOrigin&,
                                           std::string& out) { FormatMsvcLine(diagnostic, out); });
}
