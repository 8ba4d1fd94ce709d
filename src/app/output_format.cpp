#include "app/output_format.h"

#include "app/console.h"
#include "render/gcc.h"
#include "render/msbuild.h"
#include "render/sarif.h"
#include "rules/dispatch.h"

LayoutOutput::LayoutOutput(std::string_view name) : sink_(WriteLine) {
  if (name == "msvc") {
    convert_ = DispatchLine;
  } else if (name == "msbuild") {
    convert_ = ConvertLineMsbuild;
  } else if (name == "gcc") {
    convert_ = ConvertLineGcc;
  } else if (name == "sarif") {
    convert_ = ConvertLineSarif;
    document_ = true;
    sink_ = [this](std::string_view result) {
      AddSarifResult(results_, result);
      return true;
    };
  }
}

bool LayoutOutput::Finish(bool inputComplete) {
  if (!document_) return false;
  WriteLine(SarifDocument(results_, inputComplete));
  return true;
}
