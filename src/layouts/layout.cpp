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
     "the MSVC output window:  src/a.c(118,23) :Warning:  text",
     {.messagesOnStandardError = false, .failedWritesCount = false, .unopenedLogFails = false}},
    {"msbuild", Recognition::kSound, false, MakeMsbuildLayout,
     "MSBuild's Error List:    src/a.c(118,23): warning ctcW505: text"},
    {"gcc", Recognition::kSound, false, MakeGccLayout,
     "GCC's layout:            src/a.c:118:23: warning: text [ctc W505]"},
    {"sarif", Recognition::kSound, true, MakeSarifLayout,
     "one SARIF 2.1.0 log, for code scanning and SARIF viewers"},
    {"github", Recognition::kSound, false, MakeGithubLayout,
     "GitHub's annotations:    ::warning title=ctc W505,file=src/a.c"},
    {"azure", Recognition::kSound, false, MakeAzureLayout,
     "Azure Pipelines' issues: ##vso[task.logissue type=warning;...]"},
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
