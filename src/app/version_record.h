// The version record: how the banner's three values travel inside the
// executable on platforms without Windows version resources.
//
// Layout, all lengths little-endian:
//   begin marker (16 bytes)
//   entries: tag (1 byte), value length (2 bytes), value bytes
//     'V': the file version's high 32 bits (4 bytes): major << 16 | minor
//     'F': the file name           'L': the legal notice
//     other tags are skipped, so that later builds may add values
//   end marker (17 bytes)
// A record counts only when it runs from its begin to its end marker without
// a gap; an entry reaching past the end of the bytes spoils it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace version_record {

// A value missing from the record reads as empty text; a record without the
// file version does not count at all.
struct VersionRecord {
  std::uint32_t fileVersionMS = 0;
  std::string fileName;
  std::string legalNotice;
};

inline constexpr char kVersionTag = 'V';
inline constexpr char kFileNameTag = 'F';
inline constexpr char kLegalNoticeTag = 'L';

// The markers are kept with every byte XOR-ed with kMarkerMask, and the reader
// undoes that at run time with a mask the compiler cannot see through. So the
// plain markers occur in the executable only inside the record itself and the
// reader never finds its own search key as a false record.
inline constexpr unsigned char kMarkerMask = 0x5a;

template <std::size_t N>
constexpr std::array<char, N> Unmask(const std::array<char, N>& masked, unsigned char mask) {
  std::array<char, N> plain{};
  for (std::size_t i = 0; i < N; ++i) {
    plain[i] = static_cast<char>(static_cast<unsigned char>(masked[i]) ^ mask);
  }
  return plain;
}

// consteval: the plain text is never part of the program, only its masked form.
template <std::size_t N>
consteval std::array<char, N - 1> Masked(const char (&plain)[N]) {
  std::array<char, N - 1> text{};
  for (std::size_t i = 0; i + 1 < N; ++i) text[i] = plain[i];
  return Unmask(text, kMarkerMask);
}

inline constexpr auto kMaskedBegin = Masked("<QuonvelVersion>");
inline constexpr auto kMaskedEnd = Masked("</QuonvelVersion>");

constexpr std::size_t RecordSize(std::string_view fileName, std::string_view legalNotice) {
  return kMaskedBegin.size() + (3 + 4) + (3 + fileName.size()) + (3 + legalNotice.size()) +
         kMaskedEnd.size();
}

// Builds the complete record at compile time, so that it lands in the
// executable's read-only data as it stands. Values must be shorter than 64 KiB.
template <std::size_t N>
constexpr std::array<char, N> BuildRecord(std::uint32_t fileVersionMS, std::string_view fileName,
                                          std::string_view legalNotice) {
  std::array<char, N> record{};
  std::size_t at = 0;
  auto put = [&](char byte) { record[at++] = byte; };
  auto putLength = [&](std::size_t length) {
    put(static_cast<char>(length & 0xff));
    put(static_cast<char>((length >> 8) & 0xff));
  };
  for (char byte : Unmask(kMaskedBegin, kMarkerMask)) put(byte);
  put(kVersionTag);
  putLength(4);
  for (int shift = 0; shift < 32; shift += 8)
    put(static_cast<char>((fileVersionMS >> shift) & 0xff));
  put(kFileNameTag);
  putLength(fileName.size());
  for (char byte : fileName) put(byte);
  put(kLegalNoticeTag);
  putLength(legalNotice.size());
  for (char byte : legalNotice) put(byte);
  for (char byte : Unmask(kMaskedEnd, kMarkerMask)) put(byte);
  return record;
}

// The plain markers, unmasked at run time.
std::string BeginMarker();
std::string EndMarker();

// Finds the first complete version record with a file version in `bytes`;
// nothing when there is none. Begin markers not followed by such a record are
// passed over.
std::optional<VersionRecord> FindVersionRecord(std::string_view bytes);

}  // namespace version_record
