#include "layouts/layout.h"

#include "layouts/azure.h"
#include "layouts/codequality.h"
#include "layouts/gcc.h"
#include "layouts/github.h"
#include "layouts/msbuild.h"
#include "layouts/msvc.h"
#include "layouts/sarif.h"

namespace {

constexpr LayoutEntry kLayouts[] = {
    {"msvc", Recognition::kClassic, false, MakeMsvcLayout},
    {"msbuild", Recognition::kSound, false, MakeMsbuildLayout},
    {"gcc", Recognition::kSound, false, MakeGccLayout},
    {"sarif", Recognition::kSound, true, MakeSarifLayout},
    {"github", Recognition::kSound, false, MakeGithubLayout},
    {"azure", Recognition::kSound, false, MakeAzureLayout},
    {"codequality", Recognition::kSound, true, MakeCodeQualityLayout},
};

}  // namespace

std::span<const LayoutEntry> Layouts() { return kLayouts; }

const LayoutEntry* FindLayout(std::string_view name) {
  for (const LayoutEntry& layout : kLayouts) {
    if (layout.name == name) return &layout;
  }
  return nullptr;
}
