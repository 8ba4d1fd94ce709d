#include "layouts/azure.h"

#include "layouts/layout_text.h"
#include "layouts/placement.h"
#include "layouts/utf8_text.h"

namespace {

// The agent reads "%AZP25" back as "%".
constexpr ByteEscape kDataEscapes[] = {{'%', "%AZP25"}, {'\r', "%0D"}, {'\n', "%0A"}};
constexpr ByteEscape kPropertyEscapes[] = {
    {'%', "%AZP25"}, {'\r', "%0D"}, {'\n', "%0A"}, {']', "%5D"}, {';', "%3B"}};

class AzureLayout : public Layout {
 public:
  explicit AzureLayout(const LayoutSettings& settings) : root_(settings.sourceRoot) {}

  void Write(const Diagnostic& diagnostic, const LineOrigin& origin, std::string& out) override {
    const Placement at = Place(diagnostic, origin, root_, buffers_);
    out.assign(IsError(diagnostic) ? "##vso[task.logissue type=error;code="
                                   : "##vso[task.logissue type=warning;code=");
    code_.clear();
    AppendCode(diagnostic, code_);
    AppendEscapedUtf8(code_, kPropertyEscapes, out);
    AppendLocationProperties(at, {";sourcepath=", ";linenumber=", ";columnnumber="},
                             kPropertyEscapes, out);
    out.append(";]");
    AppendAnnotationText(diagnostic, buffers_, kDataEscapes, out);
  }

 private:
  SourceRoot root_;
  PlacementBuffers buffers_;
  std::string code_;
};

}  // namespace

std::unique_ptr<Layout> MakeAzureLayout(const LayoutSettings& settings) {
  return std::make_unique<AzureLayout>(settings);
}
