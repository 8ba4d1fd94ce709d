// What the banner needs from the platform: one reader of the executable's
// own version information per platform, linked in by the build.
#pragma once

#include <optional>
#include <string>

// The banner's three values. A string value the file lacks reads as empty.
struct VersionInfo {
  std::string fileName;
  std::string versionText;
  std::string legalNotice;
};

// The version information of the file named by `programPath`; nothing when
// its version (the resource's root value, or the record) cannot be read,
// which alone decides that no banner is shown.
std::optional<VersionInfo> ReadVersionInfo(const char* programPath);
