#include "app/version_banner.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <regex>
#include <string>
#include <string_view>

#include "app/version_record.h"

namespace {

using version_record::FindVersionRecord;
using version_record::VersionRecord;

TEST(VersionTextTest, MajorDotMinorInDecimal) {
  const struct {
    std::uint32_t fileVersionMS;
    const char* text;
  } cases[] = {
      {0x00010002, "1.2"},          // 1.2.0.0
      {0x000a0000, "10.0"},         // 10.0.3.7: the third and fourth number are not shown
      {0x00000000, "0.0"},          // 0.0.0.0
      {0xffffffff, "65535.65535"},  // both halves unsigned
  };
  for (const auto& c : cases) EXPECT_EQ(VersionText(c.fileVersionMS), c.text) << c.fileVersionMS;
}

TEST(BuildDateTest, HasTheLayoutOfDateWithBlankPaddedDay) {
  const std::string& date = BuildDate();
  EXPECT_TRUE(std::regex_match(
      date,
      std::regex(
          "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) ( [1-9]|[12][0-9]|3[01]) [0-9]{4}")))
      << '"' << date << '"';
}

std::string Entry(char tag, std::string_view value) {
  std::string entry{tag, static_cast<char>(value.size() & 0xff),
                    static_cast<char>(value.size() >> 8)};
  return entry.append(value);
}

std::string VersionEntry(std::uint32_t fileVersionMS) {
  std::string bytes;
  for (int shift = 0; shift < 32; shift += 8)
    bytes += static_cast<char>((fileVersionMS >> shift) & 0xff);
  return Entry(version_record::kVersionTag, bytes);
}

std::string Record(const std::string& entries) {
  return version_record::BeginMarker() + entries + version_record::EndMarker();
}

TEST(VersionRecordTest, FindsRecordOrNothing) {
  using namespace std::string_literals;
  const std::string full =
      VersionEntry(0x00010002) + Entry('F', "Quonvel") + Entry('L', "(C) Maker");
  const std::string begin = version_record::BeginMarker();
  const std::string end = version_record::EndMarker();
  const struct {
    const char* name;
    std::string bytes;
    std::optional<VersionRecord> expected;
  } cases[] = {
      {"complete, amid other bytes",
       "\x7f"
       "ELF\0\0"s +
           Record(full) + "\0tail"s,
       VersionRecord{0x00010002, "Quonvel", "(C) Maker"}},
      {"values in any order, unknown tag skipped",
       Record(Entry('L', "n") + Entry('?', "later") + VersionEntry(0x00030004) + Entry('F', "f")),
       VersionRecord{0x00030004, "f", "n"}},
      {"values keep NUL bytes and marker text", Record(VersionEntry(1) + Entry('F', "a\0b"s + end)),
       VersionRecord{1, "a\0b"s + end, ""}},
      {"no file name reads empty", Record(VersionEntry(0x00010002) + Entry('L', "(C) Maker")),
       VersionRecord{0x00010002, "", "(C) Maker"}},
      {"no legal notice reads empty", Record(VersionEntry(0x00010002) + Entry('F', "Quonvel")),
       VersionRecord{0x00010002, "Quonvel", ""}},
      {"a broken record before a good one", begin + "junk" + Record(full),
       VersionRecord{0x00010002, "Quonvel", "(C) Maker"}},
      {"no bytes", "", std::nullopt},
      {"no record", "Quonvel version 1.2\n(C) Maker\n", std::nullopt},
      {"no file version", Record(Entry('F', "Quonvel") + Entry('L', "(C) Maker")), std::nullopt},
      {"file version of the wrong size", Record(Entry('V', "\1\2\3"s) + Entry('F', "x")),
       std::nullopt},
      {"cut before the end marker", begin + full, std::nullopt},
      {"cut inside the end marker", Record(full).substr(0, (begin + full + end).size() - 1),
       std::nullopt},
      {"cut inside a value", begin + full.substr(0, full.size() - 2), std::nullopt},
      {"cut inside an entry header", begin + VersionEntry(1) + "F\x07", std::nullopt},
      {"length past the end marker", begin + VersionEntry(1) + "F\x40\x00"s + end, std::nullopt},
      {"end marker alone", end + full + end, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<VersionRecord> found = FindVersionRecord(c.bytes);
    ASSERT_EQ(found.has_value(), c.expected.has_value());
    if (!found) continue;
    EXPECT_EQ(found->fileVersionMS, c.expected->fileVersionMS);
    EXPECT_EQ(found->fileName, c.expected->fileName);
    EXPECT_EQ(found->legalNotice, c.expected->legalNotice);
  }
}

TEST(VersionRecordTest, CompileTimeRecordReadsBack) {
  constexpr std::string_view name = "Quonvel";
  constexpr std::string_view notice = "Copyright (C) Maker";
  constexpr auto record = version_record::BuildRecord<version_record::RecordSize(name, notice)>(
      0x000a0000, name, notice);
  const std::optional<VersionRecord> found =
      FindVersionRecord(std::string_view(record.data(), record.size()));
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->fileVersionMS, 0x000a0000u);
  EXPECT_EQ(found->fileName, name);
  EXPECT_EQ(found->legalNotice, notice);
}

}  // namespace
