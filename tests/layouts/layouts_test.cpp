// The msbuild, gcc and sarif layouts: the exact text for each rule outcome,
// and what their clients' own parsers read back from it.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/run.h"
#include "layouts/gcc.h"
#include "layouts/msbuild.h"
#include "layouts/sarif.h"
#include "rules/recognize.h"

namespace {

using namespace std::string_literals;

// Each diagnostic stands at line 7 of build.log.
const LineOrigin kOrigin{"build.log", 7};

// Calls `use` with each diagnostic of `log` as the opt-in layouts recognise
// it (a C++ diagnostic with its excerpt), located at `origin`.
template <typename Use>
void ForEachDiagnostic(const std::string& log, Use&& use, const LineOrigin& origin = kOrigin) {
  LineReader reader(log, ReadingRulesFor(Recognition::kSound));
  ReadLine line;
  while (reader.Next(line)) {
    Diagnostic diagnostic;
    if (!RecognizeLine(line.text, Recognition::kSound, diagnostic)) continue;
    std::string_view excerpt;
    if (TakesExcerpt(diagnostic) && reader.TakeExcerpt(excerpt)) diagnostic.excerpt = excerpt;
    use(diagnostic, origin.log.empty() && origin.line == 0 ? LineOrigin{} : origin);
  }
}

// What the layout `name` writes for the one diagnostic of `log`.
std::optional<std::string> Converted(std::string_view name, const std::string& log,
                                     const LineOrigin& origin = kOrigin) {
  std::optional<std::string> output;
  const std::unique_ptr<Layout> layout = FindLayout(name)->make({origin.log});
  ForEachDiagnostic(
      log,
      [&](const Diagnostic& diagnostic, const LineOrigin& at) {
        layout->Write(diagnostic, at, output.emplace());
        // A SARIF result without the separator its document puts before it.
        if (output->starts_with(',')) output->erase(0, 1);
      },
      origin);
  return output;
}

// The forms of a whole log's fragments are in log_fragments_test.cpp; these
// are the edges of each form.
struct Case {
  const char* what;
  std::string line;
  // nullopt: nothing printed. SARIF as "level ruleId uri:line[:column] text[ | snippet]".
  std::optional<std::string> msbuild, gcc, sarif;
};

const Case kCases[] = {
    {"C diagnostic", R"(ctc W505: ["src/can_drv.c" 118/23] conversion of constant)",
     "src/can_drv.c(118,23): warning ctcW505: conversion of constant",
     "src/can_drv.c:118:23: warning: conversion of constant [ctc W505]",
     "warning ctcW505 src/can_drv.c:118:23 conversion of constant"},
    {"C++ diagnostic with an excerpt that looks like an error",
     R"(cptc E1234: ["src/motor.cpp" 57] "speedLimit" is undefined
57 printf("CAN error: %d\n", rc);)",
     R"(src/motor.cpp(57): error cptcE1234: "speedLimit" is undefined | printf("CAN error: %d\n", rc);)",
     "src/motor.cpp:57: error: \"speedLimit\" is undefined [cptc E1234]\n printf(\"CAN error: "
     "%d\\n\", rc);",
     R"(error cptcE1234 src/motor.cpp:57 "speedLimit" is undefined | printf("CAN error: %d\n", rc);)"},
    {"linker error", "ltc E106: unresolved external: foo",
     "build.log(7): error ltcE106: unresolved external: foo",
     "build.log:7: error: unresolved external: foo [ltc E106]",
     "error ltcE106 build.log:7 unresolved external: foo"},
    {"linker fatal error", "ltc  F019:\tno output", "build.log(7): error ltcF019: no output",
     "build.log:7: error: no output [ltc F019]", "error ltcF019 build.log:7 no output"},
    {"linker error without a text",
     "ltc E106: ", "build.log(7): error ltcE106: ltcE106 (no message text)",
     "build.log:7: error: ltcE106 (no message text) [ltc E106]",
     "error ltcE106 build.log:7 ltcE106 (no message text)"},
    {"C placeholder", R"(ctc W12: ["" 3/4] no file)", "build.log(7): warning ctcW12: empty ctc msg",
     "build.log:7: warning: empty ctc msg [ctc W12]", "warning ctcW12 build.log:7 empty ctc msg"},
    {"C++ placeholder", R"(cptc E1: ["" 3] more)", "build.log(7): error cptcE1: empty cptc msg",
     "build.log:7: error: empty cptc msg [cptc E1]", "error cptcE1 build.log:7 empty cptc msg"},
    {"licence placeholder", "ctc F104: No valid license found. ",
     "build.log(7): error ctcF104: empty ctc msg", "build.log:7: error: empty ctc msg [ctc F104]",
     "error ctcF104 build.log:7 empty ctc msg"},
    {"blanks only as the text", "ctc W2: [\"a.c\" 1/2]  \t",
     "a.c(1,2): warning ctcW2: ctcW2 (no message text)",
     "a.c:1:2: warning: ctcW2 (no message text) [ctc W2]",
     "warning ctcW2 a.c:1:2 ctcW2 (no message text)"},
    {"Windows absolute path", R"(ctc E1: ["C:\work\src\a.c" 3/4] x)",
     R"(C:\work\src\a.c(3,4): error ctcE1: x)", R"(C:\work\src\a.c:3:4: error: x [ctc E1])",
     "error ctcE1 file:///C:/work/src/a.c:3:4 x"},
    {"blanks and parentheses", "cptc W2: [\"my dir (1)/b c.cpp\" 7] text\n7 int x;",
     "my dir (1)/b c.cpp(7): warning cptcW2: text | int x;",
     "my dir (1)/b c.cpp:7: warning: text [cptc W2]\n int x;",
     "warning cptcW2 my%20dir%20(1)/b%20c.cpp:7 text | int x;"},
    {"colon past a drive letter", R"(ctc W3: ["lib:1.c" 5/6] t)",
     "build.log(7): warning ctcW3: lib:1.c(5,6) - t",
     "build.log:7: warning: lib:1.c(5,6) - t [ctc W3]", "warning ctcW3 lib%3A1.c:5:6 t"},
    {"blank at the end of the file name", R"(ctc W4: ["a.c " 1/2] t)",
     "build.log(7): warning ctcW4: a.c (1,2) - t", "build.log:7: warning: a.c (1,2) - t [ctc W4]",
     "warning ctcW4 a.c%20:1:2 t"},
    {"file name in brackets", R"(ctc W8: ["[lib] a.c" 1/2] t)",
     "build.log(7): warning ctcW8: [lib] a.c(1,2) - t",
     "build.log:7: warning: [lib] a.c(1,2) - t [ctc W8]", "warning ctcW8 %5Blib%5D%20a.c:1:2 t"},
    {"double quote in the file name", "cptc W8: [\"a\"b.cpp\" 1] t\n1 x",
     R"(a"b.cpp(1): warning cptcW8: t | x)", "build.log:7: warning: a\"b.cpp(1) - t [cptc W8]\n x",
     "warning cptcW8 a%22b.cpp:1 t | x"},
    {"bytes 0x80 to 0xFF, invalid UTF-8", "ctc W5: [\"\xe4.c\" 1/2] caf\xc3\xa9 \xff!",
     "\xe4.c(1,2): warning ctcW5: caf\xc3\xa9 \xff!",
     "\xe4.c:1:2: warning: caf\xc3\xa9 \xff! [ctc W5]",
     "warning ctcW5 %E4.c:1:2 caf\xc3\xa9 \xef\xbf\xbd!"},
    {"leading zeros; column 0 names no position", "ctc\tE007; [\"a.c\"\t0012/0]x",
     "a.c(0012,0): error ctcE007: x", "a.c:0012:0: error: x [ctc E007]", "error ctcE007 a.c:12 x"},
    {"line 0: SARIF takes the log's line", R"(ctc W9: ["a.c" 0/3] t)", "a.c(0,3): warning ctcW9: t",
     "a.c:0:3: warning: t [ctc W9]", "warning ctcW9 build.log:7 a.c(0,3) - t"},
    {"line past 32 bits", "cptc E9: [\"a.cpp\" 2147483648] t\n1 x",
     "a.cpp(2147483648): error cptcE9: t | x", "a.cpp:2147483648: error: t [cptc E9]\n x",
     "error cptcE9 build.log:7 a.cpp(2147483648) - t"},
    {"information message", R"(ctc I801: ["inc/Platform.h" 50/9] previous definition)",
     "inc/Platform.h(50,9): info ctcI801: previous definition",
     "inc/Platform.h:50:9: note: previous definition [ctc I801]",
     "note ctcI801 inc/Platform.h:50:9 previous definition"},
};

// A SARIF result in one line of text.
std::string Summary(const nlohmann::json& result) {
  const nlohmann::json& where = result["locations"][0]["physicalLocation"];
  const nlohmann::json& region = where.contains("region") ? where["region"] : nlohmann::json();
  std::string text = result["level"].get<std::string>();
  text.append(" ").append(result["ruleId"].get<std::string>());
  text.append(" ").append(where["artifactLocation"]["uri"].get<std::string>());
  if (region.contains("startLine")) {
    text.append(":").append(std::to_string(region["startLine"].get<int>()));
  }
  if (region.contains("startColumn")) {
    text.append(":").append(std::to_string(region["startColumn"].get<int>()));
  }
  text.append(" ").append(result["message"]["text"].get<std::string>());
  if (region.contains("snippet")) {
    text.append(" | ").append(region["snippet"]["text"].get<std::string>());
  }
  return text;
}

TEST(Layouts, WriteEachRuleOutcome) {
  for (const Case& c : kCases) {
    EXPECT_EQ(Converted("msbuild", c.line), c.msbuild) << c.what;
    EXPECT_EQ(Converted("gcc", c.line), c.gcc) << c.what;
    const std::optional<std::string> sarif = Converted("sarif", c.line);
    ASSERT_EQ(sarif.has_value(), c.sarif.has_value()) << c.what;
    if (sarif) {
      ASSERT_TRUE(nlohmann::json::accept(*sarif)) << *sarif;
      EXPECT_EQ(Summary(nlohmann::json::parse(*sarif)), *c.sarif) << c.what;
    }
  }
}

// Where a diagnostic without a usable file goes, by the name of the log.
TEST(Layouts, LocateAtTheLogWhenItsNameCanBeCarried) {
  const struct {
    std::string log;
    std::string msbuild, gcc, sarif;
    std::uint64_t line = 3;
  } cases[] = {
      {"build.log", "build.log(3): error ltcE1: x", "build.log:3: error: x [ltc E1]",
       "error ltcE1 build.log:3 x"},
      {"-", "-(3): error ltcE1: x", "-:3: error: x [ltc E1]", "error ltcE1 -:3 x"},
      {R"(C:\ci\build.log)", R"(C:\ci\build.log(3): error ltcE1: x)",
       R"(C:\ci\build.log:3: error: x [ltc E1])", "error ltcE1 file:///C:/ci/build.log:3 x"},
      {"ci:1.log", "ltc : error ltcE1: x", "ltc: error: x [ltc E1]", "error ltcE1 ci%3A1.log:3 x"},
      {"build.log ", "ltc : error ltcE1: x", "ltc: error: x [ltc E1]",
       "error ltcE1 build.log%20:3 x"},
      {"ci\nbuild.log", "ltc : error ltcE1: x", "ltc: error: x [ltc E1]",
       "error ltcE1 ci%0Abuild.log:3 x"},
      {"ci\rbuild.log", "ltc : error ltcE1: x", "ltc: error: x [ltc E1]",
       "error ltcE1 ci%0Dbuild.log:3 x"},
      {"build.log", "build.log(2147483648): error ltcE1: x",
       "build.log:2147483648: error: x [ltc E1]", "error ltcE1 build.log x", 2147483648},
  };
  for (const auto& c : cases) {
    const LineOrigin origin{c.log, c.line};
    EXPECT_EQ(Converted("msbuild", "ltc E1: x", origin), c.msbuild) << c.log;
    EXPECT_EQ(Converted("gcc", "ltc E1: x", origin), c.gcc) << c.log;
    EXPECT_EQ(Summary(nlohmann::json::parse(Converted("sarif", "ltc E1: x", origin).value())),
              c.sarif)
        << c.log;
  }
  // Without a log name the tool leads, for a file the layout cannot carry too.
  EXPECT_EQ(Converted("msbuild", R"(ctc W3: ["lib:1.c" 5/6] t)", {}),
            "ctc : warning ctcW3: lib:1.c(5,6) - t");
  EXPECT_EQ(Converted("gcc", R"(ctc W3: ["lib:1.c" 5/6] t)", {}),
            "ctc: warning: lib:1.c(5,6) - t [ctc W3]");
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

// VS Code's current $msCompile problem matcher: the location is optional,
// and a problem without a message is dropped.
Read ReadAsMsCompile(const std::string& line) {
  static const std::regex kMsCompile(
      R"(^\s*(?:\s*\d+>)?(\S.*?)(?:\((\d+|\d+,\d+|\d+,\d+,\d+,\d+)\))?\s*:\s+(?:(\S+)\s+)?((?:fatal +)?error|warning|info)\s+(\w+\d+)?\s*:\s*(.*)$)");
  std::smatch m;
  Read read;
  if (!std::regex_match(line, m, kMsCompile) || m[6].length() == 0) return read;
  const std::string at = m[2].str();
  const std::size_t comma = at.find(',');
  return {true,
          m[4].str(),
          m[1].str(),
          at.substr(0, comma),
          comma == std::string::npos ? "" : at.substr(comma + 1),
          m[5].str()};
}

// Jenkins' MSBuild parser (warnings-ng), the alternative for a file with a
// location; it drops a line whose file has no extension.
Read ReadAsJenkinsMsbuild(const std::string& line) {
  static const std::regex kMsbuild(
      R"(^(?:.*\[[^\]]*\])?\s*(?:\s*(?:\d+|\d+:\d+)>)?(.*?)\((\d*)(?:,(\d+))?[a-zA-Z]*?\)\s*:\s*([A-z\-_]*\s(?:[Nn]ote|[Ii]nfo|[Ww]arning|(?:fatal\s*)?[Ee]rror))[^A-Za-z0-9]\s*:?\s*([A-Za-z0-9\-_]+)?\s*:\s(?:\s*([A-Za-z0-9.]+)\s*:)?\s*(.*?)$)");
  std::smatch m;
  Read read;
  if (!std::regex_match(line, m, kMsbuild)) return read;
  const std::string file = m[1].str();
  if (file.find('.', file.find_last_of("/\\") + 1) == std::string::npos) return read;
  return {true, Trim(m[4].str()), file, m[2].str(), m[3].str(), m[5].str()};
}

// VS Code's $gcc problem matcher, which GCC matchers of CI systems resemble.
Read ReadAsGcc(const std::string& line) {
  static const std::regex kGcc(R"(^(.*?):(\d+):(\d*):?\s+(?:fatal\s+)?(warning|error):\s+(.*)$)");
  std::smatch m;
  Read read;
  if (!std::regex_match(line, m, kGcc)) return read;
  return {true, m[4].str(), m[1].str(), m[2].str(), m[3].str(), ""};
}

// Checks that MSBuild, $msCompile, Jenkins, $gcc and a SARIF reader each
// read `d` with a location, its own or the log's, and with its code,
// severity and a message; returns how many of the three layouts carried its
// own file. MSBuild and $gcc take no information message for a diagnostic.
int ExpectClientsRead(const Diagnostic& d) {
  const std::string severity = IsError(d) ? "error" : IsInformation(d) ? "info" : "warning";
  const std::string code = std::string(d.tool) + std::string(d.severity) + std::string(d.number);
  const Read own{true, severity, std::string(d.file), std::string(d.line), std::string(d.column),
                 code};
  const Read atLog{true, severity, "build.log", "7", "", code};
  int ownFile = 0;

  std::string msbuild;
  FormatMsbuildLine(d, kOrigin, msbuild);
  EXPECT_EQ(msbuild.find('\n'), std::string::npos) << msbuild;
  const Read msCompile = ReadAsMsCompile(msbuild);
  EXPECT_TRUE(msCompile == own || msCompile == atLog) << msbuild;
  if (IsInformation(d)) {
    EXPECT_FALSE(ReadAsMsbuild(msbuild).matched) << msbuild;
  } else {
    EXPECT_EQ(ReadAsMsbuild(msbuild), msCompile) << msbuild;
  }
  Read jenkins = ReadAsJenkinsMsbuild(msbuild);
  jenkins.file = Trim(jenkins.file);
  if (msCompile.file.find('.') != std::string::npos) {
    EXPECT_EQ(jenkins, msCompile) << msbuild;
  }
  ownFile += msCompile == own ? 1 : 0;

  std::string gcc;
  FormatGccLine(d, kOrigin, gcc);
  const std::size_t end = gcc.find('\n');
  EXPECT_EQ(end == std::string::npos, d.excerpt.empty() || d.placeholder) << gcc;
  const Read gnu = ReadAsGcc(gcc.substr(0, end));
  const Read gnuOwn{true, severity, own.file, own.line, own.column, ""};
  const Read gnuAtLog{true, severity, "build.log", "7", "", ""};
  if (IsInformation(d)) {
    EXPECT_FALSE(gnu.matched) << gcc;  // a note, which Vim's quickfix list reads
    ownFile += gcc.starts_with(own.file + ":" + own.line) ? 1 : 0;
  } else {
    EXPECT_TRUE(gnu == gnuOwn || gnu == gnuAtLog) << gcc;
    ownFile += gnu == gnuOwn ? 1 : 0;
  }

  std::string sarif;
  FormatSarifResult(d, kOrigin, std::nullopt, sarif);
  const nlohmann::json result = nlohmann::json::parse(sarif);
  EXPECT_EQ(result["ruleId"], code);
  EXPECT_EQ(result["level"], IsInformation(d) ? "note" : severity);
  EXPECT_FALSE(result["message"]["text"].get<std::string>().empty()) << d.whole;
  const nlohmann::json& where = result["locations"][0]["physicalLocation"];
  const bool sarifOwn = where["artifactLocation"]["uri"] != "build.log";
  EXPECT_EQ(where["region"]["startLine"], sarifOwn ? std::stoll(own.line) : 7) << d.whole;
  return ownFile;
}

int ExpectClientsRead(const std::string& log) {
  int ownFile = 0;
  ForEachDiagnostic(
      log, [&](const Diagnostic& d, const LineOrigin&) { ownFile += ExpectClientsRead(d); });
  return ownFile;
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
                                                 "see x.c(5): error C1: y",
                                                 "\"quoted\" 'too'",
                                                 "\t"};
  const auto pick = [&random](const std::vector<std::string>& items) {
    return items[random() % items.size()];
  };
  const std::string letter(1, "IEFW"[random() % 4]);
  const std::string number = std::to_string(random() % 2000);
  const std::string at = std::to_string(random() % 3000);
  const std::string program = random() % 4 == 0 ? "xtc" : "ctc";
  switch (random() % 4) {
    case 0:
      return program + " " + letter + number + ": [\"" + pick(files) + "\" " + at + "/" +
             std::to_string(random() % 90) + "]" + (random() % 2 ? " " : "") + pick(texts);
    case 1:
      return "cptc " + letter + number + ": [\"" + pick(files) + "\" " + at + "] " + pick(texts) +
             (random() % 2 ? "\n" + at + " " + pick(texts) + "x;" : "");
    case 2:
      return "ltc " + letter + number + ": " + pick(texts);
    default:
      return "ctc F" + number + ": " + pick(texts) + ": No valid license found";
  }
}

TEST(Layouts, ClientsReadTheRightFields) {
  for (const Case& c : kCases) ExpectClientsRead(c.line);
  // Every diagnostic of the sample log that names a file, in both layouts.
  EXPECT_EQ(ExpectClientsRead(ReadFile(QUONVEL_EXAMPLES "/tricore-build.log")), 2 * 7);
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
      {"//server/share/a.c", "file:////server/share/a.c"},
      {R"(/\a.c)", "file:////a.c"},
      {"a:b#c?d%e.c", "a%3Ab%23c%3Fd%25e.c"},
      {"\xc3\xa9\xff.c", "%C3%A9%FF.c"},
  };
  for (const auto& [file, uri] : cases) EXPECT_EQ(FileUri(file), uri) << file;
}

// The document as it is written: results as they come, then the tool with
// one rule per id in the order of first use, then the invocation.
TEST(Layouts, SarifIndexesTheRulesItUses) {
  for (const bool complete : {true, false}) {
    const std::unique_ptr<Layout> layout = MakeSarifLayout({"build.log"});
    std::string text, piece;
    layout->Begin(piece);
    text += piece + '\n';
    ForEachDiagnostic("ltc E1: a\nltc E2: b\nltc E1: c\n",
                      [&](const Diagnostic& diagnostic, const LineOrigin& origin) {
                        layout->Write(diagnostic, origin, piece);
                        text += piece + '\n';
                      });
    layout->End({complete}, piece);
    text += piece + '\n';
    const nlohmann::json run = nlohmann::json::parse(text)["runs"][0];
    ASSERT_EQ(run["results"].size(), 3u);
    EXPECT_EQ(run["results"][2]["ruleId"], "ltcE1");
    EXPECT_EQ(run["results"][2]["ruleIndex"], 0);
    EXPECT_EQ(run["results"][1]["ruleIndex"], 1);
    const nlohmann::json& driver = run["tool"]["driver"];
    ASSERT_EQ(driver["rules"].size(), 2u);
    EXPECT_EQ(driver["rules"][1]["id"], "ltcE2");
    EXPECT_EQ(driver["rules"][1]["defaultConfiguration"]["level"], "error");
    EXPECT_EQ(driver["rules"][1]["shortDescription"]["text"], "TriCore linker error E2.");
    EXPECT_EQ(run["invocations"][0]["executionSuccessful"], complete);
  }
  const std::unique_ptr<Layout> layout = MakeSarifLayout({"build.log"});
  std::string empty, piece;
  layout->Begin(empty);
  layout->End({}, piece);
  EXPECT_EQ(nlohmann::json::parse(empty + piece)["runs"][0]["results"].size(), 0u);
}

// Memory stays bounded however many rule ids a log holds: the first 10,000
// have a rule and a ruleIndex, later ones their ruleId alone.
TEST(Layouts, SarifKeepsTenThousandRules) {
  std::string log;
  for (int id = 1; id <= 10'001; ++id) log += "ltc E" + std::to_string(id) + ": x\n";
  log += "ltc E2: x\n";
  const std::unique_ptr<Layout> layout = MakeSarifLayout({"build.log"});
  std::string text, piece;
  layout->Begin(text);
  ForEachDiagnostic(log, [&](const Diagnostic& diagnostic, const LineOrigin& origin) {
    layout->Write(diagnostic, origin, piece);
    text += piece;
  });
  layout->End({}, piece);
  const nlohmann::json run = nlohmann::json::parse(text + piece)["runs"][0];
  EXPECT_EQ(run["tool"]["driver"]["rules"].size(), 10'000u);
  EXPECT_EQ(run["results"][9'999]["ruleIndex"], 9'999);
  EXPECT_EQ(run["results"][10'000]["ruleId"], "ltcE10001");
  EXPECT_FALSE(run["results"][10'000].contains("ruleIndex"));
  EXPECT_EQ(run["results"][10'001]["ruleIndex"], 1);
}

// The $msCompile of VS Code before the location became optional.
Read ReadAsOlderMsCompile(const std::string& line) {
  static const std::regex kMsCompile(
      R"(^(?:\s*\d+>)?(\S.*)\((\d+|\d+,\d+|\d+,\d+,\d+,\d+)\)\s*:\s+(error|warning|info)\s+(\w+\d+)\s*:\s*(.*)$)");
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

// The task of examples/vscode/tasks.json on the sample log's msbuild output
// and the lines that --Echo passes through: one problem per diagnostic, in
// older VS Code (a location required) and current VS Code alike, those
// without a source file at the log, and none from an echoed line.
TEST(Recipes, VsCodeProblemMatcherReadsEachDiagnosticOnce) {
  const nlohmann::json tasks = nlohmann::json::parse(
      ReadFile(QUONVEL_EXAMPLES "/vscode/tasks.json"), nullptr, true, /*ignore_comments=*/true);
  ASSERT_EQ(tasks["tasks"].size(), 1u);
  EXPECT_EQ(tasks["tasks"][0]["problemMatcher"]["base"], "$msCompile");
  std::istringstream output(ReadFile(QUONVEL_TEST_DATA "/golden/tricore-build.msbuild.out"));
  const std::vector<std::string> expected = {
      "src/can_drv.c 118 23 warning",  "src/can_drv.c 240 9 warning",
      "src/adc_sampler.c 57 14 error", "src/board/pins.h 3 1 error",
      "src/app/motor.cpp 57  error",   "lib/can_bus.cpp 212  warning",
      "src/saltcalc.c 12 5 warning",   "tricore-build.log 22  warning",
      "tricore-build.log 23  error",   "tricore-build.log 24  error",
      "tricore-build.log 26  error"};
  std::vector<std::string> lines;
  for (std::string line; std::getline(output, line);) {
    // The golden output's stand-in for the log as Quonvel was given it.
    if (line.starts_with("{log}")) line.replace(0, 5, "tricore-build.log");
    lines.push_back(line);
  }
  std::istringstream echoed(ReadFile(QUONVEL_EXAMPLES "/tricore-build.log"));
  for (std::string line; std::getline(echoed, line);) lines.push_back(line);
  const auto problems = [&lines](Read (*reader)(const std::string&)) {
    std::vector<std::string> read;
    for (const std::string& line : lines) {
      const Read r = reader(line);
      if (r.matched) read.push_back(r.file + " " + r.line + " " + r.column + " " + r.severity);
    }
    return read;
  };
  EXPECT_EQ(problems(ReadAsOlderMsCompile), expected);
  EXPECT_EQ(problems(ReadAsMsCompile), expected);
}

}  // namespace
