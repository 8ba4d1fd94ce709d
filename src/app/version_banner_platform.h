// What the banner needs from the platform: one reader of the executable's
// own version information per platform, linked in by the build.
#pragma once

#include <string>

// The banner's process-wide texts and flag. The flag is set as soon as the
// version's root value was read, and alone decides whether anything is shown.
struct BannerState {
  std::string fileName;
  std::string versionText;
  std::string legalNotice;
  bool versionFound = false;
};

// Reads the version information of the file named by `programPath` into
// `state`; leaves what it cannot read as it is.
void ReadVersionInfo(const char* programPath, BannerState& state);
