#include "app/version_banner.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <regex>
#include <string>
#include <string_view>

#include "app/version_banner_platform.h"
#include "app/version_record.h"

namespace {

TEST(VersionTextTest, MajorMinorPatchInDecimal) {
  const struct {
    std::uint32_t fileVersionMS;
    std::uint32_t fileVersionLS;
    const char* text;
  } cases[] = {
      {0x00010002, 0x00000000, "1.2.0"},              // 1.2.0.0
      {0x000a0000, 0x00030007, "10.0.3"},             // 10.0.3.7: the fourth number is not shown
      {0x00000000, 0x00000000, "0.0.0"},              // 0.0.0.0
      {0xffffffff, 0xffffffff, "65535.65535.65535"},  // every half unsigned
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VersionText(c.fileVersionMS, c.fileVersionLS), c.text) << c.text;
  }
}

// The banner's part: the version up to its second dot.
TEST(MajorMinorTest, CutsAtTheSecondDot) {
  const struct {
    std::string_view version;
    std::string_view banner;
  } cases[] = {
      {"1.2.0", "1.2"}, {"10.20.30", "10.20"}, {"1.2", "1.2"}, {"1", "1"}, {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(MajorMinor(c.version), c.banner) << c.version;
}

TEST(BuildDateTest, HasTheLayoutOfDateWithBlankPaddedDay) {
  const std::string& date = BuildDate();
  EXPECT_TRUE(std::regex_match(
      date,
      std::regex(
          "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) ( [1-9]|[12][0-9]|3[01]) [0-9]{4}")))
      << '"' << date << '"';
}

// Begin marker, the values joined by NUL, end marker.
std::string Record(std::initializer_list<std::string_view> values) {
  std::string record = "<B>";
  for (std::string_view value : values) record.append(value).push_back('\0');
  if (values.size() > 0) record.pop_back();
  return record + "</B>";
}

TEST(VersionRecordTest, FindsFirstCompleteRecordOrNothing) {
  using namespace std::string_literals;
  const std::string full = Record({"Quonvel", "1.2", "(C) Maker"});
  const VersionInfo values{"Quonvel", "1.2", "(C) Maker"};
  const struct {
    const char* name;
    std::string bytes;
    std::optional<VersionInfo> expected;
  } cases[] = {
      {"amid other bytes", "\x7f"s + "ELF\0\0"s + full + "\0tail"s, values},
      {"empty values", Record({"", "", ""}), VersionInfo{"", "", ""}},
      {"a begin marker without values first", "<B>junk" + full, values},
      {"two values first", Record({"Quonvel", "1.2"}) + full, values},
      {"no bytes", "", std::nullopt},
      {"no end marker", full.substr(0, full.size() - 1), std::nullopt},
      {"four values", Record({"a", "b", "c", "d"}), std::nullopt},
      {"end marker alone", "</B>" + full.substr(3), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<VersionInfo> found = FindVersionRecord(c.bytes, "<B>", "</B>");
    ASSERT_EQ(found.has_value(), c.expected.has_value());
    if (!found) continue;
    EXPECT_EQ(found->fileName, c.expected->fileName);
    EXPECT_EQ(found->versionText, c.expected->versionText);
    EXPECT_EQ(found->legalNotice, c.expected->legalNotice);
  }
}

}  // namespace
