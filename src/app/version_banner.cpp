#include "app/version_banner.h"

#include <optional>

#include "app/version_banner_platform.h"
#include "build_date.h"
#include "output/console.h"

bool PrintVersionBanner(const char* programPath) {
  const std::optional<VersionInfo> info = ReadVersionInfo(programPath);
  // No version information is not worth a message: the usage text follows.
  if (!info) return false;
  WriteLine(info->fileName + " version " + info->versionText + " from " + BuildDate());
  WriteLine(info->legalNotice);
  return true;
}

const std::string& BuildDate() {
  static const std::string date = QUONVEL_BUILD_DATE;
  return date;
}

std::string VersionText(std::uint32_t fileVersionMS) {
  return std::to_string(fileVersionMS >> 16) + "." + std::to_string(fileVersionMS & 0xffff);
}
