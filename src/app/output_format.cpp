#include "app/output_format.h"

#include "app/console.h"
#include "render/gcc.h"
#include "render/msbuild.h"
#include "render/msvc.h"

LayoutOutput::LayoutOutput(std::string_view name) : sink_(WriteLine) {
  if (name == "msvc") {
    convert_ = ConvertLineMsvc;
    reading_ = Recognition::kClassic;
  } else if (name == "msbuild") {
    convert_ = ConvertLineMsbuild;
  } else if (name == "gcc") {
    convert_ = ConvertLineGcc;
  } else if (name == "sarif") {
    convert_ = ConvertLineSarif;
    document_ = std::make_unique<SarifLog>(WriteBufferedLine);
    sink_ = [this](std::string_view result) { return document_->AddResult(result); };
  }
}

bool LayoutOutput::Finish(bool inputComplete) {
  if (!document_) return false;
  document_->Finish(inputComplete);
  FlushBufferedLines();
  return true;
}
