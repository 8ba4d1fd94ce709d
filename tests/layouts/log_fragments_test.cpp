// Whole log fragments through reading, recognition and each layout: the
// opt-in layouts print every diagnostic a real build log holds, once, none
// of it lost to echoed commands, missing excerpts, interleaved jobs, other
// programs or the log's encoding; the output window prints what it always
// has (a log's byte order mark aside).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "app/run.h"
#include "rules/recognize.h"

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

// The printed lines of `log` in `layout`, as the program reads build.log; an
// entry of a document as "level rule file:line text[ | excerpt]" (SARIF's
// result) or "severity check path:line description" (Code Quality's issue).
std::vector<std::string> Printed(std::string_view layout, const std::string& log) {
  const LayoutEntry& entry = *FindLayout(layout);
  LineReader reader(log, ReadingRulesFor(entry.recognition), 16);
  const std::unique_ptr<Layout> writer = entry.make({"build.log"});
  std::vector<std::string> lines;
  ConvertLog(reader, entry, *writer, "build.log", [&](std::string_view printed) {
    if (!entry.document) {
      lines.emplace_back(printed);
      return true;
    }
    if (printed.starts_with(',')) printed.remove_prefix(1);
    const nlohmann::json item = nlohmann::json::parse(printed, nullptr, false);
    if (item.contains("check_name")) {
      lines.push_back(item["severity"].get<std::string>() + " " +
                      item["check_name"].get<std::string>() + " " +
                      item["location"]["path"].get<std::string>() + ":" +
                      std::to_string(item["location"]["lines"]["begin"].get<int>()) + " " +
                      item["description"].get<std::string>());
    } else if (item.contains("ruleId")) {
      const nlohmann::json& where = item["locations"][0]["physicalLocation"];
      lines.push_back(item["level"].get<std::string>() + " " + item["ruleId"].get<std::string>() +
                      " " + where["artifactLocation"]["uri"].get<std::string>() + ":" +
                      std::to_string(where["region"]["startLine"].get<int>()) + " " +
                      item["message"]["text"].get<std::string>());
      if (where["region"].contains("snippet")) {
        lines.back() += " | " + where["region"]["snippet"]["text"].get<std::string>();
      }
    }
    return true;
  });
  return lines;
}

struct Fragment {
  const char* what;
  std::string log;
  // What each layout prints for the log, by the layout's name.
  std::map<std::string_view, std::vector<std::string>> printed;
};

// A make -j build: the lines of parallel jobs interleave.
const std::string kInterleaved =
    "cptc E1234: [\"src/app/motor.cpp\" 57] identifier \"speedLimit\" is undefined\n"
    "57 return speedLimit;\n"
    "cptc W177: [\"src/app/brake.cpp\" 12] variable \"x\" was declared but never referenced\n"
    "ctc W505: [\"src/can_drv.c\" 118/23] conversion of constant to narrower type\n"
    "xtc E243: [\"startup.src\" 12] unknown instruction\n"
    "ctc I801: [\"inc/Platform.h\" 50/9] previous definition of macro \"STD_ON\"\n"
    "ltc W108: multiple definitions of symbol \"g_cfg\"\n"
    "ctc F104: protection error: No license key found for product code 1234\n"
    "cptc F100: No valid license found\n";

const Fragment kFragments[] = {
    {"make -j: eight diagnostics, one with its excerpt",
     kInterleaved,
     {{"msvc",
       {"src/app/motor.cpp(57) : Error:  identifier \"speedLimit\" is undefined\nreturn "
        "speedLimit;"}},
      {"msbuild",
       {R"(src/app/motor.cpp(57): error cptcE1234: identifier "speedLimit" is undefined | return speedLimit;)",
        R"(src/app/brake.cpp(12): warning cptcW177: variable "x" was declared but never referenced)",
        "src/can_drv.c(118,23): warning ctcW505: conversion of constant to narrower type",
        "startup.src(12): error xtcE243: unknown instruction",
        R"(inc/Platform.h(50,9): info ctcI801: previous definition of macro "STD_ON")",
        R"(build.log(7): warning ltcW108: multiple definitions of symbol "g_cfg")",
        "build.log(8): error ctcF104: protection error: No license key found for product code 1234",
        "build.log(9): error cptcF100: No valid license found"}},
      {"gcc",
       {"src/app/motor.cpp:57: error: identifier \"speedLimit\" is undefined [cptc E1234]\n return "
        "speedLimit;",
        R"(src/app/brake.cpp:12: warning: variable "x" was declared but never referenced [cptc W177])",
        "src/can_drv.c:118:23: warning: conversion of constant to narrower type [ctc W505]",
        "startup.src:12: error: unknown instruction [xtc E243]",
        R"(inc/Platform.h:50:9: note: previous definition of macro "STD_ON" [ctc I801])",
        R"(build.log:7: warning: multiple definitions of symbol "g_cfg" [ltc W108])",
        "build.log:8: error: protection error: No license key found for product code 1234 [ctc "
        "F104]",
        "build.log:9: error: No valid license found [cptc F100]"}},
      {"sarif",
       {R"(error cptcE1234 src/app/motor.cpp:57 identifier "speedLimit" is undefined | return speedLimit;)",
        R"(warning cptcW177 src/app/brake.cpp:12 variable "x" was declared but never referenced)",
        "warning ctcW505 src/can_drv.c:118 conversion of constant to narrower type",
        "error xtcE243 startup.src:12 unknown instruction",
        R"(note ctcI801 inc/Platform.h:50 previous definition of macro "STD_ON")",
        R"(warning ltcW108 build.log:7 multiple definitions of symbol "g_cfg")",
        "error ctcF104 build.log:8 protection error: No license key found for product code 1234",
        "error cptcF100 build.log:9 No valid license found"}}}},
    {"excerpts: at the end of the log, before a progress line, with white space, with numbers",
     "cptc W2: [\"a.cpp\" 3] t\r\n[ 50%] Building b.cpp\r\n"
     "cptc F5: [\"a.cpp\" 3] text\r\n   3   x = y + 2 ;\r\n"
     "cptc E7: [\"b.cpp\" 9] last",
     {// The classic reading takes the last free-standing number for the line's.
      {"msvc", {"a.cpp(3) : Error:  text    3   x = y +\n;"}},
      {"msbuild",
       {"a.cpp(3): warning cptcW2: t", "a.cpp(3): error cptcF5: text | x = y + 2 ;",
        "b.cpp(9): error cptcE7: last"}},
      {"gcc",
       {"a.cpp:3: warning: t [cptc W2]", "a.cpp:3: error: text [cptc F5]\n x = y + 2 ;",
        "b.cpp:9: error: last [cptc E7]"}},
      {"sarif",
       {"warning cptcW2 a.cpp:3 t", "error cptcF5 a.cpp:3 text | x = y + 2 ;",
        "error cptcE7 b.cpp:9 last"}}}},
    {"commands echoed by make; a line that only looks like an excerpt",
     "cptc -c src/app/motor.cpp -o obj/motor.ic\n"
     "cptc E1234: [\"src/app/motor.cpp\" 57] identifier \"speedLimit\" is undefined\n"
     "57return speedLimit;\n"
     "ctc -c src/saltcalc.c\n"
     "ctc W505: [\"src/saltcalc.c\" 118/23] conversion of constant\n",
     {{"msvc", {}},
      {"msbuild",
       {R"(src/app/motor.cpp(57): error cptcE1234: identifier "speedLimit" is undefined)",
        "src/saltcalc.c(118,23): warning ctcW505: conversion of constant"}},
      {"gcc",
       {R"(src/app/motor.cpp:57: error: identifier "speedLimit" is undefined [cptc E1234])",
        "src/saltcalc.c:118:23: warning: conversion of constant [ctc W505]"}},
      {"sarif",
       {R"(error cptcE1234 src/app/motor.cpp:57 identifier "speedLimit" is undefined)",
        "warning ctcW505 src/saltcalc.c:118 conversion of constant"}}}},
    {"licence failures in every wording, and errors without a location",
     "ctc F104: setup: No valid license found\n"
     "ltc F100: No valid license found\r\n"
     "ctc F003: cannot open file \"missing.c\"\r\r\n"
     "ltc E106: unresolved external: foo",
     {{"msvc", {"Error: No valid license found! ", "ltc E106: unresolved external: foo"}},
      {"msbuild",
       {"build.log(1): error ctcF104: No valid license found",
        "build.log(2): error ltcF100: No valid license found",
        "build.log(3): error ctcF003: cannot open file \"missing.c\"",
        "build.log(4): error ltcE106: unresolved external: foo"}},
      {"gcc",
       {"build.log:1: error: No valid license found [ctc F104]",
        "build.log:2: error: No valid license found [ltc F100]",
        "build.log:3: error: cannot open file \"missing.c\" [ctc F003]",
        "build.log:4: error: unresolved external: foo [ltc E106]"}},
      {"sarif",
       {"error ctcF104 build.log:1 No valid license found",
        "error ltcF100 build.log:2 No valid license found",
        "error ctcF003 build.log:3 cannot open file \"missing.c\"",
        "error ltcE106 build.log:4 unresolved external: foo"}}}},
    {"cptc in a C file name",
     "ctc W1: [\"cptc_io.c\" 1/1] x\nltc E2: y\n",
     {{"msvc", {}},
      {"msbuild", {"cptc_io.c(1,1): warning ctcW1: x", "build.log(2): error ltcE2: y"}},
      {"gcc", {"cptc_io.c:1:1: warning: x [ctc W1]", "build.log:2: error: y [ltc E2]"}},
      {"sarif", {"warning ctcW1 cptc_io.c:1 x", "error ltcE2 build.log:2 y"}},
      {"github",
       {"::warning title=ctc W1,file=cptc_io.c,line=1,col=1::x",
        "::error title=ltc E2,file=build.log,line=2::y"}},
      {"azure",
       {"##vso[task.logissue type=warning;code=ctcW1;sourcepath=cptc_io.c;linenumber=1;"
        "columnnumber=1;]x",
        "##vso[task.logissue type=error;code=ltcE2;sourcepath=build.log;linenumber=2;]y"}},
      {"codequality", {"minor ctcW1 cptc_io.c:1 x", "major ltcE2 build.log:2 y"}}}},
    {"UTF-8 byte order mark",
     "\xEF\xBB\xBFltc E106: unresolved external: foo\r\nltc E2: y",
     {{"msvc", {"ltc E106: unresolved external: foo", "ltc E2: y"}},
      {"msbuild",
       {"build.log(1): error ltcE106: unresolved external: foo", "build.log(2): error ltcE2: y"}},
      {"gcc",
       {"build.log:1: error: unresolved external: foo [ltc E106]",
        "build.log:2: error: y [ltc E2]"}},
      {"sarif",
       {"error ltcE106 build.log:1 unresolved external: foo", "error ltcE2 build.log:2 y"}}}},
    {"UTF-16LE, as PowerShell 5.1 writes it",
     Utf16(u"ltc E106: unresolved external: f\u00f6o\u20ac\U0001F600\r\n"
           u"ctc W505: [\"a.c\" 1/2] x\r\n"),
     {{"msvc",
       {"ltc E106: unresolved external: f\xc3\xb6o\xe2\x82\xac\xf0\x9f\x98\x80",
        "a.c(1,2) :Warning:  x"}},
      {"msbuild",
       {"build.log(1): error ltcE106: unresolved external: f\xc3\xb6o\xe2\x82\xac\xf0\x9f\x98\x80",
        "a.c(1,2): warning ctcW505: x"}},
      {"gcc",
       {"build.log:1: error: unresolved external: f\xc3\xb6o\xe2\x82\xac\xf0\x9f\x98\x80 [ltc "
        "E106]",
        "a.c:1:2: warning: x [ctc W505]"}},
      {"sarif",
       {"error ltcE106 build.log:1 unresolved external: f\xc3\xb6o\xe2\x82\xac\xf0\x9f\x98\x80",
        "warning ctcW505 a.c:1 x"}}}},
    {"UTF-16BE with a lone surrogate and an odd byte at the end",
     Utf16(u"\nltc E1: a\xD800z\r\n", true) + "x",
     {{"msvc", {"ltc E1: a\xef\xbf\xbdz"}},
      {"msbuild", {"build.log(2): error ltcE1: a\xef\xbf\xbdz"}},
      {"gcc", {"build.log:2: error: a\xef\xbf\xbdz [ltc E1]"}},
      {"sarif", {"error ltcE1 build.log:2 a\xef\xbf\xbdz"}}}},

};

TEST(LogFragments, OptInLayoutsPrintEveryDiagnosticTheDefaultKeepsItsOutput) {
  std::set<std::string_view> shown;
  for (const Fragment& f : kFragments) {
    for (const auto& [layout, lines] : f.printed) {
      ASSERT_NE(FindLayout(layout), nullptr) << layout;
      EXPECT_EQ(Printed(layout, f.log), lines) << f.what << " in " << layout;
      shown.insert(layout);
    }
  }
  // A layout of the table that no fragment shows is one these logs do not test.
  for (const LayoutEntry& entry : Layouts()) {
    EXPECT_TRUE(shown.contains(entry.name)) << entry.name << " has no rows in kFragments";
  }
}

// A log in UTF-16 prints in the output window what its UTF-8 form prints.
TEST(LogFragments, Utf16PrintsWhatUtf8Prints) {
  std::u16string wide;
  for (const char c : kInterleaved) wide.push_back(static_cast<char16_t>(c));
  for (const LayoutEntry& entry : Layouts()) {
    EXPECT_EQ(Printed(entry.name, Utf16(wide)), Printed(entry.name, kInterleaved)) << entry.name;
    EXPECT_EQ(Printed(entry.name, Utf16(wide, true)), Printed(entry.name, kInterleaved))
        << entry.name;
  }
}

// Byte patterns that hid diagnostics: every opt-in layout prints each of
// them once, and none prints a byte the log's end dropped.
TEST(LogFragments, OptInLayoutsReadThroughStrayBytes) {
  const struct {
    const char* what;
    std::string log;
    std::vector<std::string> texts;  // each printed once
  } cases[] = {
      {"a progress meter's lone CR after a diagnostic",
       "ctc E294: [\"a.c\" 57/14] undeclared\r[ 50%] Building x\r\n"
       "[ 60%] y\rltc E1: after-the-meter\r\n",
       {"undeclared", "after-the-meter"}},
      {"0x1A in the middle of the log",
       "ctc W1: [\"a.c\" 1/1] before-it\n\x1A\nctc E2: [\"b.c\" 2/2] after-it\n",
       {"before-it", "after-it"}},
      {"0x1A at the end, followed only by line ends",
       "ctc E3: [\"c.c\" 3/3] last-line\x1A\r\n\n",
       {"last-line"}},
      {"two UTF-8 logs one after the other",
       "\xEF\xBB\xBFltc E1: first-log\r\n\xEF\xBB\xBF"
       "ctc E4: [\"d.c\" 4/4] second-log\r\n",
       {"first-log", "second-log"}},
      {"two UTF-16 logs one after the other",
       Utf16(u"ltc E1: first-log\r\n\uFEFFctc E4: [\"d.c\" 4/4] second-log\r\n"),
       {"first-log", "second-log"}},
  };
  for (const LayoutEntry& entry : Layouts()) {
    if (entry.recognition != Recognition::kSound) continue;
    for (const auto& c : cases) {
      std::string printed;
      for (const std::string& line : Printed(entry.name, c.log)) printed += line + '\n';
      for (const std::string& text : c.texts) {
        const std::size_t at = printed.find(text);
        EXPECT_NE(at, std::string::npos) << entry.name << ": " << c.what << ": " << text;
        EXPECT_EQ(printed.find(text, at + 1), std::string::npos) << entry.name << ": " << c.what;
      }
      EXPECT_EQ(printed.find('\x1A'), std::string::npos) << entry.name << ": " << c.what;
      EXPECT_EQ(printed.find('\r'), std::string::npos) << entry.name << ": " << c.what;
    }
  }
}

// Every rule of the table is exercised by these fragments and the golden
// logs: a rule nothing here matches is a rule nothing tests.
TEST(LogFragments, EveryRuleOfTheTableIsExercised) {
  std::vector<std::string> logs;
  for (const Fragment& f : kFragments) logs.push_back(f.log);
  for (const auto& entry : std::filesystem::directory_iterator(QUONVEL_TEST_DATA "/golden")) {
    if (entry.path().extension() != ".log") continue;
    std::ifstream file(entry.path(), std::ios::binary);
    logs.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  std::set<std::string_view> matched;
  for (const std::string& log : logs) {
    for (const Recognition recognition : {Recognition::kClassic, Recognition::kSound}) {
      LineReader reader(log, ReadingRulesFor(recognition));
      ReadLine line;
      Diagnostic diagnostic;
      while (reader.Next(line)) {
        if (RecognizeLine(line.text, recognition, diagnostic))
          matched.insert(diagnostic.rule->name);
      }
    }
  }
  for (const MessageRule& rule : Rules()) EXPECT_TRUE(matched.contains(rule.name)) << rule.name;
}

}  // namespace
