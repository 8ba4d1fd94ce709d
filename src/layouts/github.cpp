#include "layouts/github.h"

#include "layouts/layout_text.h"
#include "layouts/placement.h"
#include "layouts/utf8_text.h"

namespace {

constexpr ByteEscape kDataEscapes[] = {{'%', "%25"}, {'\r', "%0D"}, {'\n', "%0A"}};
constexpr ByteEscape kPropertyEscapes[] = {
    {'%', "%25"}, {'\r', "%0D"}, {'\n', "%0A"}, {':', "%3A"}, {',', "%2C"}};

class GithubLayout : public Layout {
 public:
  explicit GithubLayout(const LayoutSettings& settings) : root_(settings.sourceRoot) {}

  void Write(const Diagnostic& diagnostic, const LineOrigin& origin, std::string& out) override {
    const Placement at = Place(diagnostic, origin, root_, buffers_);
    out.assign(IsError(diagnostic)         ? "::error title="
               : IsInformation(diagnostic) ? "::notice title="
                                           : "::warning title=");
    title_.assign(diagnostic.tool).append(" ").append(diagnostic.severity);
    title_.append(diagnostic.number);
    AppendEscapedUtf8(title_, kPropertyEscapes, out);
    AppendLocationProperties(at, {",file=", ",line=", ",col="}, kPropertyEscapes, out);
    out.append("::");
    AppendAnnotationText(diagnostic, buffers_, kDataEscapes, out);
  }

 private:
  SourceRoot root_;
  PlacementBuffers buffers_;
  std::string title_;
};

}  // namespace

std::unique_ptr<Layout> MakeGithubLayout(const LayoutSettings& settings) {
  return std::make_unique<GithubLayout>(settings);
}
