#include "app/version_banner.h"

#include "app/console.h"
#include "app/version_banner_platform.h"
#include "build_date.h"

namespace {

BannerState& State() {
  static BannerState state;
  return state;
}

}  // namespace

void PrintVersionBanner(const char* programPath) {
  BannerState& state = State();
  state.fileName.clear();
  state.versionText.clear();
  state.legalNotice.clear();
  ReadVersionInfo(programPath, state);
  // No version information is not worth a message: the usage text follows.
  if (!state.versionFound) return;
  WriteLine(state.fileName + " version " + state.versionText + " from " + BuildDate());
  WriteLine(state.legalNotice);
}

const std::string& BuildDate() {
  static const std::string date = QUONVEL_BUILD_DATE;
  return date;
}

std::string VersionText(std::uint32_t fileVersionMS) {
  return std::to_string(fileVersionMS >> 16) + "." + std::to_string(fileVersionMS & 0xffff);
}
