#include "layouts/layout.h"

#include "layouts/azure.h"
#include "layouts/codequality.h"
#include "layouts/gcc.h"
#include "layouts/github.h"
#include "layouts/msbuild.h"
#include "layouts/msvc.h"
#include "layouts/sarif.h"
#include "layouts/source_root.h"

namespace {

class RootedLineLayout : public Layout {
 public:
  RootedLineLayout(const LayoutSettings& settings, LineFormat format)
      : root_(settings.sourceRoot), format_(format) {}

  void Write(const Diagnostic& diagnostic, const LineOrigin& origin, std::string& out) override {
    Diagnostic written = diagnostic;
    written.file = root_.Written(diagnostic.file, file_);
    format_(written, {root_.Written(origin.log, log_), origin.line}, out);
  }

 private:
  SourceRoot root_;
  LineFormat format_;
  std::string file_, log_;
};

constexpr LayoutEntry kLayouts[] = {
    {"msvc",
     Recognition::kClassic,
     false,
     MakeMsvcLayout,
     "a.c(9,2) :Warning:  text        (the MSVC output window)",
     {.messagesOnStandardError = false, .failedWritesCount = false, .unopenedLogFails = false}},
    {"msbuild", Recognition::kSound, false, MakeMsbuildLayout,
     "a.c(9,2): warning ctcW505: text (MSBuild, Visual Studio)"},
    {"gcc", Recognition::kSound, false, MakeGccLayout,
     "a.c:9:2: warning: text [ctc W505] (VS Code, Vim)"},
    {"sarif", Recognition::kSound, true, MakeSarifLayout,
     "one SARIF 2.1.0 log, for code scanning and SARIF viewers"},
    {"github", Recognition::kSound, false, MakeGithubLayout,
     "::warning title=ctc W505,file=a.c,line=9,col=2::text"},
    {"azure", Recognition::kSound, false, MakeAzureLayout,
     "##vso[task.logissue type=warning;code=ctcW505;...]text"},
    {"codequality", Recognition::kSound, true, MakeCodeQualityLayout,
     "one GitLab Code Quality report (JSON)"},
};

}  // namespace

std::unique_ptr<Layout> MakeRootedLineLayout(const LayoutSettings& settings, LineFormat format) {
  return std::make_unique<RootedLineLayout>(settings, format);
}

std::span<const LayoutEntry> Layouts() { return kLayouts; }

const LayoutEntry& DefaultLayout() { return kLayouts[0]; }

const LayoutEntry* FindLayout(std::string_view name) {
  for (const LayoutEntry& layout : kLayouts) {
    if (layout.name == name) return &layout;
  }
  return nullptr;
}
