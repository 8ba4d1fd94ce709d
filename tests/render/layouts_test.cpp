// The msbuild, gcc and sarif layouts: the exact text for each rule outcome,
// and what their clients' own parsers read back from it.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/convert.h"
#include "render/gcc.h"
#include "render/msbuild.h"
#include "render/sarif.h"
#include "rules/dispatch.h"

namespace {

using namespace std::string_literals;

std::optional<std::string> Converted(LineConverter convert, const std::string& line) {
  std::string output = "previous output";
  if (!convert(line, FindMarkers(line), output)) return std::nullopt;
  return output;
}

struct Case {
  const char* what;
  std::string line;
  std::optional<std::string> msbuild, gcc, sarif;  // nullopt: nothing printed
};

const Case kCases[] = {
    {"C diagnostic", R"(ctc W505: ["src/can_drv.c" 118/23] conversion of constant)",
     "src/can_drv.c(118,23): warning ctcW505: conversion of constant",
     "src/can_drv.c:118:23: warning: conversion of constant [ctc W505]",
     R"({"level":"warning","locations":[{"physicalLocation":{"artifactLocation":{"uri":"src/can_drv.c"},"region":{"startColumn":23,"startLine":118}}}],"message":{"text":"conversion of constant"},"ruleId":"ctcW505"})"},
    {"C++ diagnostic with an excerpt that looks like an error",
     R"(cptc E1234: ["src/motor.cpp" 57] "speedLimit" is undefined 57 printf("CAN error: %d\n", rc);)",
     R"(src/motor.cpp(57): error cptcE1234: "speedLimit" is undefined | printf("CAN error: %d\n", rc);)",
     "src/motor.cpp:57: error: \"speedLimit\" is undefined [cptc E1234]\n printf(\"CAN error: "
     "%d\\n\", rc);",
     R"({"level":"error","locations":[{"physicalLocation":{"artifactLocation":{"uri":"src/motor.cpp"},"region":{"snippet":{"text":"printf(\"CAN error: %d\\n\", rc);"},"startLine":57}}}],"message":{"text":"\"speedLimit\" is undefined"},"ruleId":"cptcE1234"})"},
    {"linker error", "ltc E106: unresolved external: foo",
     "ltc : error ltcE106: unresolved external: foo",
     "ltc: error: unresolved external: foo [ltc E106]",
     R"({"level":"error","message":{"text":"unresolved external: foo"},"ruleId":"ltcE106"})"},
    {"linker fatal error", "ltc  F019:\tno output", "ltc : error ltcF019: no output",
     "ltc: error: no output [ltc F019]",
     R"({"level":"error","message":{"text":"no output"},"ruleId":"ltcF019"})"},
    {"licence notice", "ctc F104: setup: No valid license found",
     "ctc : error ctcF104: No valid license found", "ctc: error: No valid license found [ctc F104]",
     R"({"level":"error","message":{"text":"No valid license found"},"ruleId":"ctcF104"})"},
    {"C placeholder", R"(ctc W12: ["" 3/4] no file)", "ctc : warning ctcW12: empty ctc msg",
     "ctc: warning: empty ctc msg [ctc W12]",
     R"({"level":"warning","message":{"text":"empty ctc msg"},"ruleId":"ctcW12"})"},
    {"C++ placeholder", R"(cptc E1: ["a.cpp" 3] 3 more)", "cptc : error cptcE1: empty cptc msg",
     "cptc: error: empty cptc msg [cptc E1]",
     R"({"level":"error","message":{"text":"empty cptc msg"},"ruleId":"cptcE1"})"},
    {"licence placeholder", "ctc F104: No valid license found. ",
     "ctc : error ctcF104: empty ctc msg", "ctc: error: empty ctc msg [ctc F104]",
     R"({"level":"error","message":{"text":"empty ctc msg"},"ruleId":"ctcF104"})"},
    {"Windows absolute path", R"(ctc E1: ["C:\work\src\a.c" 3/4] x)",
     R"(C:\work\src\a.c(3,4): error ctcE1: x)", R"(C:\work\src\a.c:3:4: error: x [ctc E1])",
     R"({"level":"error","locations":[{"physicalLocation":{"artifactLocation":{"uri":"file:///C:/work/src/a.c"},"region":{"startColumn":4,"startLine":3}}}],"message":{"text":"x"},"ruleId":"ctcE1"})"},
    {"blanks and parentheses", R"(cptc W2: ["my dir (1)/b c.cpp" 7] text 7 int x;)",
     "my dir (1)/b c.cpp(7): warning cptcW2: text | int x;",
     "my dir (1)/b c.cpp:7: warning: text [cptc W2]\n int x;",
     R"({"level":"warning","locations":[{"physicalLocation":{"artifactLocation":{"uri":"my%20dir%20(1)/b%20c.cpp"},"region":{"snippet":{"text":"int x;"},"startLine":7}}}],"message":{"text":"text"},"ruleId":"cptcW2"})"},
    {"colon past a drive letter", R"(ctc W3: ["lib:1.c" 5/6] t)",
     "ctc : warning ctcW3: lib:1.c(5,6) - t", "ctc: warning: lib:1.c(5,6) - t [ctc W3]",
     R"({"level":"warning","locations":[{"physicalLocation":{"artifactLocation":{"uri":"lib%3A1.c"},"region":{"startColumn":6,"startLine":5}}}],"message":{"text":"t"},"ruleId":"ctcW3"})"},
    {"blank at the end of the file name", R"(ctc W4: ["a.c " 1/2] t)",
     "ctc : warning ctcW4: a.c (1,2) - t", "a.c :1:2: warning: t [ctc W4]",
     R"({"level":"warning","locations":[{"physicalLocation":{"artifactLocation":{"uri":"a.c%20"},"region":{"startColumn":2,"startLine":1}}}],"message":{"text":"t"},"ruleId":"ctcW4"})"},
    {"CR inside the file name: no diagnostic", "ctc E1: [\"a\rb.c\" 1/2] x", {}, {}, {}},
    {"CR inside a white-space run", "ctc E1:\r [\"a.c\" 1/2] x", "a.c(1,2): error ctcE1: x",
     "a.c:1:2: error: x [ctc E1]",
     R"({"level":"error","locations":[{"physicalLocation":{"artifactLocation":{"uri":"a.c"},"region":{"startColumn":2,"startLine":1}}}],"message":{"text":"x"},"ruleId":"ctcE1"})"},
    {"bytes 0x80 to 0xFF, invalid UTF-8", "ctc W5: [\"\xe4.c\" 1/2] caf\xc3\xa9 \xff!",
     "\xe4.c(1,2): warning ctcW5: caf\xc3\xa9 \xff!",
     "\xe4.c:1:2: warning: caf\xc3\xa9 \xff! [ctc W5]",
     R"({"level":"warning","locations":[{"physicalLocation":{"artifactLocation":{"uri":"%E4.c"},"region":{"startColumn":2,"startLine":1}}}],"message":{"text":"caf)"
     "\xc3\xa9 \xef\xbf\xbd!"
     R"("},"ruleId":"ctcW5"})"},
    {"leading zeros; column 0 names no position", "ctc\tE007; [\"a.c\"\t0012/0]x",
     "a.c(0012,0): error ctcE007: x", "a.c:0012:0: error: x [ctc E007]",
     R"({"level":"error","locations":[{"physicalLocation":{"artifactLocation":{"uri":"a.c"},"region":{"startLine":12}}}],"message":{"text":"x"},"ruleId":"ctcE007"})"},
    {"linker warning: dropped", "ltc W108: multiple definitions", {}, {}, {}},
    {"the last rule tried decides", R"(ctc W1: ["saltcalc.c" 1/2] x)", {}, {}, {}},
};

TEST(Layouts, WriteEachRuleOutcome) {
  for (const Case& c : kCases) {
    EXPECT_EQ(Converted(ConvertLineMsbuild, c.line), c.msbuild) << c.what;
    EXPECT_EQ(Converted(ConvertLineGcc, c.line), c.gcc) << c.what;
    const std::optional<std::string> sarif = Converted(ConvertLineSarif, c.line);
    EXPECT_EQ(sarif, c.sarif) << c.what;
    if (sarif) {
      EXPECT_TRUE(nlohmann::json::accept(*sarif)) << c.what;
    }
  }
}

std::string Trim(std::string text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.back())) text.pop_back();
  while (!text.empty() && blank(text.front())) text.erase(0, 1);
  return text;
}

// What a client reads from one line; `file` is empty when it finds no
// location.
struct Read {
  bool matched = false;
  std::string severity, file, line, column, code;
  bool operator==(const Read&) const = default;
};

// MSBuild's canonical error format (Microsoft.Build.Shared.CanonicalError),
// numbered instead of named groups: origin, empty origin, subcategory,
// category, code, text. It scans the first 400 characters of a line.
Read ReadAsMsbuild(std::string line) {
  static const std::regex kCanonical(
      R"(^\s*(?:((?:\d+>)?[a-zA-Z]?:[^:]*|[^:]*):|())((?:|[^:]*? ))(error|warning)(?: \s*([^: ]*))?\s*:(.*)$)",
      std::regex::ECMAScript | std::regex::icase);
  static const std::regex kOriginLocation(R"(^(.*)\(([,0-9-]*)\)\s*$)");
  static const std::regex kLineColumn(R"(^([0-9]*)(?:,([0-9]*))?$)");
  line.resize(std::min<std::size_t>(line.size(), 400));
  std::smatch m, origin, location;
  Read read;
  if (!std::regex_match(line, m, kCanonical)) return read;
  read.matched = true;
  read.severity = m[4].str();
  read.code = m[5].str();
  const std::string whole = Trim(m[1].str());
  if (std::regex_match(whole, origin, kOriginLocation)) {
    const std::string at = origin[2].str();
    if (!std::regex_match(at, location, kLineColumn)) return Read{};
    read.file = Trim(origin[1].str());
    read.line = location[1].str();
    read.column = location[2].str();
  }
  return read;
}

// VS Code's $msCompile problem matcher.
Read ReadAsMsCompile(const std::string& line) {
  static const std::regex kMsCompile(
      R"(^(?:\s*\d+>)?(\S.*)\((\d+|\d+,\d+|\d+,\d+,\d+,\d+)\)\s*:\s+(error|warning|info)\s+(\w+\d+)\s*:\s*(.*)$)");
  std::smatch m;
  Read read;
  if (!std::regex_match(line, m, kMsCompile)) return read;
  const std::string at = m[2].str();
  const std::size_t comma = at.find(',');
  return {true,
          m[3].str(),
          m[1].str(),
          at.substr(0, comma),
          comma == std::string::npos ? "" : at.substr(comma + 1),
          m[4].str()};
}

// VS Code's $gcc problem matcher, which GCC matchers of CI systems resemble.
Read ReadAsGcc(const std::string& line) {
  static const std::regex kGcc(R"(^(.*?):(\d+):(\d*):?\s+(?:fatal\s+)?(warning|error):\s+(.*)$)");
  std::smatch m;
  Read read;
  if (!std::regex_match(line, m, kGcc)) return read;
  return {true, m[4].str(), m[1].str(), m[2].str(), m[3].str(), ""};
}

std::optional<Diagnostic> Recognised(const std::string& line) {
  Diagnostic last;
  std::string unused;
  const auto keep = [&last](const Diagnostic& diagnostic, std::string&) { last = diagnostic; };
  if (!DispatchLineWith(line, FindMarkers(line), unused, FullMatch, keep)) return std::nullopt;
  return last;
}

// Checks what MSBuild, $msCompile and $gcc read from the lines written for
// `line`; returns how many of them carried the file in the location.
int ExpectClientsRead(const std::string& line) {
  const std::optional<Diagnostic> d = Recognised(line);
  if (!d) return 0;
  const std::string severity = IsError(*d) ? "error" : "warning";
  const std::string code = std::string(d->tool) + std::string(d->severity) + std::string(d->number);
  const bool hasFile = d->placeholder.empty() && !d->file.empty();
  const Read located{
      true, severity, std::string(d->file), std::string(d->line), std::string(d->column), code};

  const std::string msbuild = Converted(ConvertLineMsbuild, line).value();
  EXPECT_EQ(msbuild.find('\n'), std::string::npos) << msbuild;
  const Read canonical = ReadAsMsbuild(msbuild);
  const Read msCompile = ReadAsMsCompile(msbuild);
  if (!canonical.file.empty()) {
    EXPECT_EQ(canonical, located) << msbuild;
    EXPECT_EQ(msCompile, located) << msbuild;
  } else {
    // No file, or one the origin cannot carry: the tool is the origin.
    EXPECT_EQ(canonical, (Read{true, severity, "", "", "", code})) << msbuild;
    EXPECT_TRUE(msbuild.starts_with(std::string(d->tool) + " : ")) << msbuild;
    EXPECT_FALSE(msCompile.matched) << msbuild;
  }

  const std::string gcc = Converted(ConvertLineGcc, line).value();
  const std::size_t end = gcc.find('\n');
  const Read gnu = ReadAsGcc(gcc.substr(0, end));
  EXPECT_EQ(end == std::string::npos, d->excerpt.empty() || !d->placeholder.empty()) << gcc;
  if (end != std::string::npos) {
    EXPECT_FALSE(ReadAsGcc(gcc.substr(end + 1)).matched) << gcc;
  }
  if (gnu.matched) {
    EXPECT_EQ(gnu, (Read{true, severity, located.file, located.line, located.column, ""})) << gcc;
  } else {
    EXPECT_TRUE(gcc.starts_with(std::string(d->tool) + ": " + severity + ": ")) << gcc;
  }

  const nlohmann::json result = nlohmann::json::parse(Converted(ConvertLineSarif, line).value());
  EXPECT_EQ(result["ruleId"], code);
  EXPECT_EQ(result["level"], severity);
  EXPECT_EQ(result.contains("locations"), hasFile) << line;
  return (canonical.file.empty() ? 0 : 1) + (gnu.matched ? 1 : 0);
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

// A generated diagnostic of any rule, with file names and texts that test
// the layouts' limits.
std::string GeneratedLine(std::mt19937& random) {
  static const std::vector<std::string> files = {"src/can_drv.c",
                                                 R"(C:\work\ecu\src\adc.c)",
                                                 "my dir (2)/x y.cpp",
                                                 "lib:1.c",
                                                 "a:b.c",
                                                 " lead.c",
                                                 "trail.c ",
                                                 "12>p.c",
                                                 "\xc3\xa4rger.c",
                                                 "\xff\xfe.c",
                                                 "d(1)(2).c",
                                                 "x.c(3,4): error C1",
                                                 std::string(500, 'f') + ".c",
                                                 "E:\\a:b.c",
                                                 "\\\\server\\share\\n.c"};
  static const std::vector<std::string> texts = {"conversion of constant",
                                                 "error: foo",
                                                 "warning C4: x",
                                                 "  lots  of  blanks  ",
                                                 "\x80\xff",
                                                 "",
                                                 ":",
                                                 "100% done (see x.c)",
                                                 "\"quoted\" 'too'",
                                                 "\t"};
  const auto pick = [&random](const std::vector<std::string>& items) {
    return items[random() % items.size()];
  };
  const std::string letter(1, "EFW"[random() % 3]);
  const std::string number = std::to_string(random() % 2000);
  const std::string at = std::to_string(random() % 3000);
  switch (random() % 4) {
    case 0:
      return "ctc " + letter + number + ": [\"" + pick(files) + "\" " + at + "/" +
             std::to_string(random() % 90) + "]" + (random() % 2 ? " " : "") + pick(texts);
    case 1:
      return "cptc " + letter + number + ": [\"" + pick(files) + "\" " + at + "] " + pick(texts) +
             " " + at + " " + pick(texts) + "x;";
    case 2:
      return "ltc " + letter + number + ": " + pick(texts);
    default:
      return "ctc F" + number + ": " + pick(texts) + ": No valid license found";
  }
}

TEST(Layouts, ClientsReadTheRightFields) {
  for (const Case& c : kCases) ExpectClientsRead(c.line);
  // The sample log, its C++ compiler lines joined with the next.
  std::istringstream sample(ReadFile(QUONVEL_EXAMPLES "/tricore-build.log"));
  int sampleLocated = 0;
  const auto readLine = [&sample](std::string& line) {
    if (!std::getline(sample, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
  };
  for (std::string line, next; readLine(line);) {
    if (line.find("cptc") != std::string::npos && readLine(next)) line += " " + next;
    sampleLocated += ExpectClientsRead(line);
  }
  EXPECT_EQ(sampleLocated, 2 * 6);  // every diagnostic with a file, in both layouts
  std::mt19937 random(11);
  int located = 0;
  for (int i = 0; i < 3000 && !HasFailure(); ++i)
    located += ExpectClientsRead(GeneratedLine(random));
  EXPECT_GT(located, 1000);
}

TEST(Layouts, FileUris) {
  const std::pair<std::string, std::string> cases[] = {
      {"src/a.c", "src/a.c"},
      {R"(..\inc\b.h)", "../inc/b.h"},
      {R"(C:\work\a b.c)", "file:///C:/work/a%20b.c"},
      {"/home/ci/a.c", "file:///home/ci/a.c"},
      {R"(\\server\share\a.c)", "file://server/share/a.c"},
      {"a:b#c?d%e.c", "a%3Ab%23c%3Fd%25e.c"},
      {"\xc3\xa9\xff.c", "%C3%A9%FF.c"},
  };
  for (const auto& [file, uri] : cases) EXPECT_EQ(FileUri(file), uri) << file;
}

TEST(Layouts, SarifDocumentIsValidJson) {
  std::string results;
  AddSarifResult(results, Converted(ConvertLineSarif, "ltc E1: a").value());
  AddSarifResult(results, Converted(ConvertLineSarif, "ltc E2: b").value());
  for (const bool complete : {true, false}) {
    const nlohmann::json log = nlohmann::json::parse(SarifDocument(results, complete));
    EXPECT_EQ(log["version"], "2.1.0");
    EXPECT_EQ(log["runs"][0]["tool"]["driver"]["name"], "Quonvel");
    EXPECT_EQ(log["runs"][0]["results"].size(), 2u);
    EXPECT_EQ(log["runs"][0]["results"][1]["ruleId"], "ltcE2");
    EXPECT_EQ(log["runs"][0]["invocations"][0]["executionSuccessful"], complete);
  }
  EXPECT_EQ(nlohmann::json::parse(SarifDocument("", true))["runs"][0]["results"].size(), 0u);
}

// The $msCompile of current VS Code, where the location is optional.
Read ReadAsCurrentMsCompile(const std::string& line) {
  static const std::regex kMsCompile(
      R"(^(?:\s*\d+>)?(\S.*?)(?:\((\d+|\d+,\d+|\d+,\d+,\d+,\d+)\))?\s*:\s+(error|warning|info)\s+(\w+\d+)\s*:\s*(.*)$)");
  std::smatch m;
  if (!std::regex_match(line, m, kMsCompile)) return {};
  const std::string at = m[2].str();
  const std::size_t comma = at.find(',');
  return {true,
          m[3].str(),
          m[1].str(),
          at.substr(0, comma),
          comma == std::string::npos ? "" : at.substr(comma + 1),
          m[4].str()};
}

// The tasks of examples/vscode/tasks.json on the sample log's msbuild
// output: one problem per diagnostic, in older VS Code (a location required)
// and current VS Code alike; those without a source file at the log.
TEST(Recipes, VsCodeProblemMatcherReadsEachDiagnosticOnce) {
  const nlohmann::json tasks = nlohmann::json::parse(
      ReadFile(QUONVEL_EXAMPLES "/vscode/tasks.json"), nullptr, true, /*ignore_comments=*/true);
  ASSERT_EQ(tasks["tasks"].size(), 2u);
  for (const nlohmann::json& task : tasks["tasks"])
    EXPECT_EQ(task["problemMatcher"]["base"], "$msCompile") << task["label"];
  std::istringstream output(ReadFile(QUONVEL_TEST_DATA "/golden/tricore-build.msbuild.out"));
  const std::vector<std::string> expected = {
      "src/can_drv.c 118 23 warning",  "src/can_drv.c 240 9 warning",
      "src/adc_sampler.c 57 14 error", "src/board/pins.h 3 1 error",
      "src/app/motor.cpp 57  error",   "lib/can_bus.cpp 212  warning",
      "src/saltcalc.c 12 5 warning",   "tricore-build.log 23  error",
      "tricore-build.log 24  error",   "tricore-build.log 26  error"};
  std::vector<std::string> lines;
  for (std::string line; std::getline(output, line);) {
    // The golden output's stand-in for the log as Quonvel was given it.
    if (line.starts_with("{log}")) line.replace(0, 5, "tricore-build.log");
    lines.push_back(line);
  }
  const auto problems = [&lines](Read (*reader)(const std::string&)) {
    std::vector<std::string> read;
    for (const std::string& line : lines) {
      const Read r = reader(line);
      if (r.matched) read.push_back(r.file + " " + r.line + " " + r.column + " " + r.severity);
    }
    return read;
  };
  EXPECT_EQ(problems(ReadAsMsCompile), expected);
  EXPECT_EQ(problems(ReadAsCurrentMsCompile), expected);
}

}  // namespace
