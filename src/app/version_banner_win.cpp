// Windows: the banner's values come from the executable's version resource
// (res/Quonvel.rc.in), read through the version-information functions.
#include <windows.h>

#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/version_banner.h"
#include "app/version_banner_platform.h"

namespace {

// A string value of the block, cut at its NUL; the length the system reports
// bounds it in case the NUL is missing.
bool QueryString(const void* block, const char* subBlock, std::string& text) {
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block, subBlock, &value, &length) || value == nullptr) return false;
  const std::string_view chars(static_cast<const char*>(value), length);
  text = std::string(chars.substr(0, chars.find('\0')));
  return true;
}

}  // namespace

std::optional<VersionInfo> ReadVersionInfo(const char* programPath) {
  // The functions take a mutable-looking path on some SDKs: give them our own.
  // Paths are UTF-8, the code page the manifest gives the process, so the
  // narrow functions reach a file of any name.
  std::vector<char> path(programPath, programPath + std::strlen(programPath) + 1);
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.data(), &handle);
  std::vector<unsigned char> block(size);
  // The path buffer and the block are freed on every way out of here.
  if (size == 0 || !GetFileVersionInfoA(path.data(), 0, size, block.data())) return std::nullopt;

  void* root = nullptr;
  UINT rootLength = 0;
  if (!VerQueryValueA(block.data(), "\\", &root, &rootLength) || root == nullptr ||
      rootLength < sizeof(VS_FIXEDFILEINFO)) {
    return std::nullopt;
  }
  VersionInfo info;
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, root, sizeof fixed);
  info.versionText = VersionText(fixed.dwFileVersionMS, fixed.dwFileVersionLS);

  // Only the U.S. English, Unicode string table is asked; another one leaves
  // the texts empty and the banner still shows.
  QueryString(block.data(), "\\StringFileInfo\\040904b0\\LegalCopyright", info.legalNotice);
  QueryString(block.data(), "\\StringFileInfo\\040904b0\\OriginalFilename", info.fileName);
  return info;
}
