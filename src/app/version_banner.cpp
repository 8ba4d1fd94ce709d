#include "app/version_banner.h"

#include <optional>

#include "app/version_banner_platform.h"
#include "build_date.h"
#include "output/console.h"

namespace {

// No version information is not worth a message here: the usage text
// follows the banner, and --version says so itself.
bool PrintBanner(const char* programPath, bool wholeVersion) {
  const std::optional<VersionInfo> info = ReadVersionInfo(programPath);
  if (!info) return false;
  const std::string_view version =
      wholeVersion ? std::string_view(info->versionText) : MajorMinor(info->versionText);
  WriteLine(info->fileName + " version " + std::string(version) + " from " + BuildDate());
  WriteLine(info->legalNotice);
  return true;
}

}  // namespace

bool PrintVersionBanner(const char* programPath) { return PrintBanner(programPath, false); }

bool PrintVersion(const char* programPath) { return PrintBanner(programPath, true); }

const std::string& BuildDate() {
  static const std::string date = QUONVEL_BUILD_DATE;
  return date;
}

std::string VersionText(std::uint32_t fileVersionMS, std::uint32_t fileVersionLS) {
  return std::to_string(fileVersionMS >> 16) + "." + std::to_string(fileVersionMS & 0xffff) + "." +
         std::to_string(fileVersionLS >> 16);
}

std::string_view MajorMinor(std::string_view version) {
  const std::size_t first = version.find('.');
  if (first == std::string_view::npos) return version;
  return version.substr(0, version.find('.', first + 1));
}
