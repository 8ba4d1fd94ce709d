// Whole log fragments through reading, dispatch and each layout: what the
// opt-in layouts print, none of it lost to echoed commands, file names or
// the log's encoding, and what the output window prints, as it always has.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/convert.h"
#include "app/output_format.h"

namespace {

// The fragment as Windows PowerShell 5.1's ">" writes it: UTF-16 with a byte
// order mark, little-endian, or big-endian.
std::string Utf16(std::u16string_view text, bool bigEndian = false) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : text) {
    const char low = static_cast<char>(unit & 0xFF);
    const char high = static_cast<char>(unit >> 8);
    bytes.append(1, bigEndian ? high : low).append(1, bigEndian ? low : high);
  }
  return bytes;
}

// The printed lines of `log` in `layout`, as the program reads build.log; a
// SARIF result as "level ruleId uri:line text".
std::vector<std::string> Printed(const char* layout, const std::string& log) {
  LayoutOutput output(layout);
  LogReader reader(log, output.Reading(), 16);
  ConvertSettings settings;
  settings.log = "build.log";
  std::vector<std::string> lines;
  const bool sarif = std::string_view(layout) == "sarif";
  ConvertLog(
      reader, output.Converter(),
      [&](std::string_view printed) {
        if (!sarif) {
          lines.emplace_back(printed);
          return true;
        }
        const nlohmann::json result = nlohmann::json::parse(printed);
        const nlohmann::json& where = result["locations"][0]["physicalLocation"];
        lines.push_back(result["level"].get<std::string>() + " " +
                        result["ruleId"].get<std::string>() + " " +
                        where["artifactLocation"]["uri"].get<std::string>() + ":" +
                        std::to_string(where["region"]["startLine"].get<int>()) + " " +
                        result["message"]["text"].get<std::string>());
        return true;
      },
      settings);
  return lines;
}

struct Fragment {
  const char* what;
  std::string log;
  std::vector<std::string> msvc, msbuild, gcc, sarif;
};

TEST(LogFragments, OptInLayoutsPrintEveryDiagnosticTheDefaultKeepsItsOutput) {
  const Fragment fragments[] = {
      {"commands echoed by make",
       "cptc -c src/app/motor.cpp -o obj/motor.ic\n"
       "cptc E1234: [\"src/app/motor.cpp\" 57] identifier \"speedLimit\" is undefined\n"
       "57 return speedLimit;\n"
       "ctc -c src/saltcalc.c\n"
       "ctc W505: [\"src/saltcalc.c\" 118/23] conversion of constant\n",
       {},
       {R"(src/app/motor.cpp(57): error cptcE1234: identifier "speedLimit" is undefined | return speedLimit;)",
        "src/saltcalc.c(118,23): warning ctcW505: conversion of constant"},
       {R"(src/app/motor.cpp:57: error: identifier "speedLimit" is undefined [cptc E1234])"
        "\n return speedLimit;",
        "src/saltcalc.c:118:23: warning: conversion of constant [ctc W505]"},
       {R"(error cptcE1234 src/app/motor.cpp:57 identifier "speedLimit" is undefined)",
        "warning ctcW505 src/saltcalc.c:118 conversion of constant"}},
      {"cptc in a C file name",
       "ctc W1: [\"cptc_io.c\" 1/1] x\nltc E2: y\n",
       {},
       {"cptc_io.c(1,1): warning ctcW1: x", "build.log(2): error ltcE2: y"},
       {"cptc_io.c:1:1: warning: x [ctc W1]", "build.log:2: error: y [ltc E2]"},
       {"warning ctcW1 cptc_io.c:1 x", "error ltcE2 build.log:2 y"}},
      {"the linker's licence notice, after a C++ diagnostic's two lines",
       "cptc W2: [\"a.cpp\" 3] t\r\n3 x;\r\nltc F100: No valid license found\r\n",
       {"a.cpp(3) : Warning:  t\nx;"},
       {"a.cpp(3): warning cptcW2: t | x;", "build.log(3): error ltcF100: No valid license found"},
       {"a.cpp:3: warning: t [cptc W2]\n x;",
        "build.log:3: error: No valid license found [ltc F100]"},
       {"warning cptcW2 a.cpp:3 t", "error ltcF100 build.log:3 No valid license found"}},
      {"the C compiler's licence notice",
       "ctc F104: setup: No valid license found",
       {"Error: No valid license found! "},
       {"build.log(1): error ctcF104: No valid license found"},
       {"build.log:1: error: No valid license found [ctc F104]"},
       {"error ctcF104 build.log:1 No valid license found"}},
      {"UTF-8 byte order mark",
       "\xEF\xBB\xBFltc E106: unresolved external: foo\r\nltc E2: y",
       {"ltc E2: y"},
       {"build.log(1): error ltcE106: unresolved external: foo", "build.log(2): error ltcE2: y"},
       {"build.log:1: error: unresolved external: foo [ltc E106]",
        "build.log:2: error: y [ltc E2]"},
       {"error ltcE106 build.log:1 unresolved external: foo", "error ltcE2 build.log:2 y"}},
      {"UTF-16LE, as PowerShell 5.1 writes it",
       Utf16(u"ltc E106: unresolved external: f\u00f6o\u20ac\U0001F600\r\n"
             u"ctc W505: [\"a.c\" 1/2] x\r\n"),
       {},
       {"build.log(1): error ltcE106: unresolved external: f\xc3\xb6o\xe2\x82\xac\xf0\x9f\x98\x80",
        "a.c(1,2): warning ctcW505: x"},
       {"build.log:1: error: unresolved external: f\xc3\xb6o\xe2\x82\xac\xf0\x9f\x98\x80 [ltc "
        "E106]",
        "a.c:1:2: warning: x [ctc W505]"},
       {"error ltcE106 build.log:1 unresolved external: f\xc3\xb6o\xe2\x82\xac\xf0\x9f\x98\x80",
        "warning ctcW505 a.c:1 x"}},
      {"UTF-16BE with a lone surrogate and an odd byte at the end",
       Utf16(u"\nltc E1: a\xD800z\r\n", true) + "x",
       {},
       {"build.log(2): error ltcE1: a\xef\xbf\xbdz"},
       {"build.log:2: error: a\xef\xbf\xbdz [ltc E1]"},
       {"error ltcE1 build.log:2 a\xef\xbf\xbdz"}},
  };
  for (const Fragment& f : fragments) {
    EXPECT_EQ(Printed("msvc", f.log), f.msvc) << f.what;
    EXPECT_EQ(Printed("msbuild", f.log), f.msbuild) << f.what;
    EXPECT_EQ(Printed("gcc", f.log), f.gcc) << f.what;
    EXPECT_EQ(Printed("sarif", f.log), f.sarif) << f.what;
  }
}

}  // namespace
