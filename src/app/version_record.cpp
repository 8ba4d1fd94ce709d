#include "app/version_record.h"

namespace version_record {

namespace {

// Read through a volatile so that the compiler cannot fold the unmasking and
// leave the plain marker in the reader's code.
volatile unsigned char markerMask = kMarkerMask;

template <std::size_t N>
std::string Plain(const std::array<char, N>& masked) {
  const std::array<char, N> plain = Unmask(masked, markerMask);
  return std::string(plain.data(), plain.size());
}

// Reads the entries from `bytes` up to the end marker; nothing when the end
// marker does not follow the last entry.
std::optional<VersionRecord> ReadEntries(std::string_view bytes, std::string_view endMarker) {
  VersionRecord record;
  bool versionFound = false;
  while (!bytes.starts_with(endMarker)) {
    if (bytes.size() < 3) return std::nullopt;
    const char tag = bytes[0];
    const std::size_t length = static_cast<unsigned char>(bytes[1]) |
                               static_cast<std::size_t>(static_cast<unsigned char>(bytes[2])) << 8;
    bytes.remove_prefix(3);
    if (length > bytes.size()) return std::nullopt;
    const std::string_view value = bytes.substr(0, length);
    bytes.remove_prefix(length);
    if (tag == kVersionTag && value.size() == 4) {
      std::uint32_t version = 0;
      for (int i = 3; i >= 0; --i) version = version << 8 | static_cast<unsigned char>(value[i]);
      record.fileVersionMS = version;
      versionFound = true;
    } else if (tag == kFileNameTag) {
      record.fileName = value;
    } else if (tag == kLegalNoticeTag) {
      record.legalNotice = value;
    }
  }
  if (!versionFound) return std::nullopt;
  return record;
}

}  // namespace

std::string BeginMarker() { return Plain(kMaskedBegin); }
std::string EndMarker() { return Plain(kMaskedEnd); }

std::optional<VersionRecord> FindVersionRecord(std::string_view bytes) {
  const std::string begin = BeginMarker();
  const std::string end = EndMarker();
  for (std::size_t at = bytes.find(begin); at != std::string_view::npos;
       at = bytes.find(begin, at + 1)) {
    if (auto record = ReadEntries(bytes.substr(at + begin.size()), end)) return record;
  }
  return std::nullopt;
}

}  // namespace version_record
