// The layouts for CI services (github, azure, codequality) and --SourceRoot
// in every opt-in layout: the exact text for each form of diagnostic, and
// the report's fingerprints. That the services' own libraries write the same
// bytes is checked in CI (.ci/leg-26-ci-clients).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "app/run.h"
#include "layouts/source_root.h"

namespace {

// What `layout` writes for `log`, read from the file named `logName`, one
// piece of text per diagnostic (a document's opening and end left out).
std::vector<std::string> Written(std::string_view layout, const std::string& log,
                                 std::string_view logName = "build.log",
                                 std::string_view sourceRoot = {}) {
  const LayoutEntry& entry = *FindLayout(layout);
  LineReader reader(log, ReadingRulesFor(entry.recognition));
  const std::unique_ptr<Layout> writer = entry.make({logName, sourceRoot});
  std::vector<std::string> pieces;
  ConvertLog(reader, entry, *writer, logName, [&](std::string_view piece) {
    pieces.emplace_back(piece);
    return true;
  });
  if (entry.document) pieces = {pieces.begin() + 1, pieces.end() - 1};
  return pieces;
}

// A Code Quality issue in one line: "severity check path:begin description".
std::string Issue(std::string piece) {
  if (piece.starts_with(',')) piece.erase(0, 1);
  const nlohmann::json issue = nlohmann::json::parse(piece);
  const nlohmann::json& location = issue["location"];
  EXPECT_EQ(location["lines"]["begin"], location["lines"]["end"]);
  EXPECT_EQ(issue["type"], "issue");
  return issue["severity"].get<std::string>() + " " + issue["check_name"].get<std::string>() + " " +
         location["path"].get<std::string>() + ":" +
         std::to_string(location["lines"]["begin"].get<int>()) + " " +
         issue["description"].get<std::string>();
}

struct Case {
  const char* what;
  std::string log;
  std::string logName;
  std::string github, azure, codequality;
};

const Case kCases[] = {
    {"C++ error, its excerpt after a line break, which a CR ends",
     "cptc E1234: [\"src/motor.cpp\" 57] \"speedLimit\" is undefined\n57 return\rspeedLimit;\n",
     "build.log",
     "::error title=cptc E1234,file=src/motor.cpp,line=57::\"speedLimit\" is "
     "undefined%0Areturn",
     "##vso[task.logissue type=error;code=cptcE1234;sourcepath=src/motor.cpp;linenumber=57;]"
     "\"speedLimit\" is undefined%0Areturn",
     "major cptcE1234 src/motor.cpp:57 \"speedLimit\" is undefined"},
    {"linker fatal error, at the log's line", "\nltc F019: no output", "build.log",
     "::error title=ltc F019,file=build.log,line=2::no output",
     "##vso[task.logissue type=error;code=ltcF019;sourcepath=build.log;linenumber=2;]no output",
     "blocker ltcF019 build.log:2 no output"},
    {"information message: a warning for Azure",
     R"(ctc I801: ["inc/Platform.h" 50/9] previous definition)", "build.log",
     "::notice title=ctc I801,file=inc/Platform.h,line=50,col=9::previous definition",
     "##vso[task.logissue type=warning;code=ctcI801;sourcepath=inc/Platform.h;linenumber=50;"
     "columnnumber=9;]previous definition",
     "info ctcI801 inc/Platform.h:50 previous definition"},
    {"placeholder", R"(ctc W12: ["" 3/4] no file)", "build.log",
     "::warning title=ctc W12,file=build.log,line=1::empty ctc msg",
     "##vso[task.logissue type=warning;code=ctcW12;sourcepath=build.log;linenumber=1;]empty ctc "
     "msg",
     "minor ctcW12 build.log:1 empty ctc msg"},
    {"line 0: at the log, its own location first in the text", R"(ctc W9: ["a.c" 0/3] t)",
     "build.log", "::warning title=ctc W9,file=build.log,line=1::a.c(0,3) - t",
     "##vso[task.logissue type=warning;code=ctcW9;sourcepath=build.log;linenumber=1;]a.c(0,3) - t",
     "minor ctcW9 build.log:1 a.c(0,3) - t"},
    {"leading zeros; column 0 is none", "ctc E7: [\"a.c\" 0012/0] x", "build.log",
     "::error title=ctc E7,file=a.c,line=12::x",
     "##vso[task.logissue type=error;code=ctcE7;sourcepath=a.c;linenumber=12;]x",
     "major ctcE7 a.c:12 x"},
    {"line past 32 bits", "cptc W1: [\"a.cpp\" 2147483648] t", "build.log",
     "::warning title=cptc W1,file=build.log,line=1::a.cpp(2147483648) - t",
     "##vso[task.logissue type=warning;code=cptcW1;sourcepath=build.log;linenumber=1;]"
     "a.cpp(2147483648) - t",
     "minor cptcW1 build.log:1 a.cpp(2147483648) - t"},
    {"% : , ; ] in the file name and the text", R"(ctc E1: ["100%:a,b;c].c" 5/6] 50% a:b,c;d])",
     "build.log", "::error title=ctc E1,file=100%25%3Aa%2Cb;c].c,line=5,col=6::50%25 a:b,c;d]",
     "##vso[task.logissue type=error;code=ctcE1;sourcepath=100%AZP25:a,b%3Bc%5D.c;linenumber=5;"
     "columnnumber=6;]50%AZP25 a:b,c;d]",
     "major ctcE1 100%:a,b;c].c:5 50% a:b,c;d]"},
    {"non-ASCII kept, invalid UTF-8 as U+FFFD",
     "ctc W5: [\"\xc3\xa4\xff.c\" 1/2] caf\xc3\xa9 \xe2\x82!", "build.log",
     "::warning title=ctc W5,file=\xc3\xa4\xef\xbf\xbd.c,line=1,col=2::caf\xc3\xa9 \xef\xbf\xbd!",
     "##vso[task.logissue type=warning;code=ctcW5;sourcepath=\xc3\xa4\xef\xbf\xbd.c;linenumber=1;"
     "columnnumber=2;]caf\xc3\xa9 \xef\xbf\xbd!",
     "minor ctcW5 \xc3\xa4\xef\xbf\xbd.c:1 caf\xc3\xa9 \xef\xbf\xbd!"},
    {"a log name with a line break and the escaped characters", "ltc E2: y", "x:,;]\r\n%.log",
     "::error title=ltc E2,file=x%3A%2C;]%0D%0A%25.log,line=1::y",
     "##vso[task.logissue type=error;code=ltcE2;sourcepath=x:,%3B%5D%0D%0A%AZP25.log;linenumber=1;"
     "]y",
     "major ltcE2 x:,;]\r\n%.log:1 y"},
    {"standard input: no file", "ltc E106: unresolved external: foo", "-",
     "::error title=ltc E106::unresolved external: foo",
     "##vso[task.logissue type=error;code=ltcE106;]unresolved external: foo",
     "major ltcE106 -:1 unresolved external: foo"},
};

TEST(CiLayouts, WriteEachFormOfDiagnostic) {
  for (const Case& c : kCases) {
    EXPECT_EQ(Written("github", c.log, c.logName), std::vector{c.github}) << c.what;
    EXPECT_EQ(Written("azure", c.log, c.logName), std::vector{c.azure}) << c.what;
    const std::vector<std::string> issues = Written("codequality", c.log, c.logName);
    ASSERT_EQ(issues.size(), 1u) << c.what;
    EXPECT_EQ(Issue(issues[0]), c.codequality) << c.what;
  }
}

TEST(SourceRoot, WritesNamesUnderTheRootRelativeToIt) {
  const struct {
    std::string root, file, written;
  } cases[] = {
      {"/home/ci/ecu", "/home/ci/ecu/src/a.c", "src/a.c"},
      {"/home/ci/ecu/", "/home/ci/ecu//src/./a.c", "src/a.c"},
      {"/home/ci/ecu", "/home/ci/ecu2/a.c", "/home/ci/ecu2/a.c"},
      {"/home/ci/ecu", "/home/ci/ECU/a.c", "/home/ci/ECU/a.c"},
      {"/home/ci/ecu", "/home/ci/ecu", "/home/ci/ecu"},
      {"/home/ci/ecu", "src/a.c", "src/a.c"},
      {R"(C:\Work\ecu)", "c:/work/ecu/src/a.c", "src/a.c"},
      {R"(C:\Work\ecu)", R"(C:\WORK\ECU\Src\A.c)", "Src/A.c"},
      {"c:/work/ecu", R"(C:\Work\ecu\src\a.c)", "src/a.c"},
      {R"(C:\Work\ecu)", R"(D:\Work\ecu\a.c)", R"(D:\Work\ecu\a.c)"},
      {R"(C:\Work\ecu)", R"(C:\Work\ecu\src\..\inc\b.h)", "inc/b.h"},
      {R"(C:\Work\ecu)", R"(C:\Work\ecu\..\other\c.c)", R"(C:\Work\ecu\..\other\c.c)"},
      {R"(C:\Work\ecu)", R"(C:\Work\ecu\src\..\..\ecu\d.c)", "d.c"},
      {R"(C:\Work\x\..\ecu)", R"(C:\Work\ecu\e.c)", "e.c"},
      {"/", "/../etc/f.c", "etc/f.c"},
      {R"(\\server\share)", R"(\\SERVER\share\g.c)", "g.c"},
      {R"(\\server\share)", R"(C:\share\g.c)", R"(C:\share\g.c)"},
      {"ecu", "ecu/src/h.c", "src/h.c"},
      {"ecu", "../ecu/h.c", "../ecu/h.c"},
      {"", "/home/ci/ecu/a.c", "/home/ci/ecu/a.c"},
      // A name that begins with "/" is a POSIX name: "\" is a character.
      {"/src", R"(/src/we\ird\..\A.c)", R"(we\ird\..\A.c)"},
      {R"(\src)", R"(/SRC/we\ird.c)", R"(/SRC/we\ird.c)"},
      {"/src", R"(/\src\a.c)", R"(/\src\a.c)"},
  };
  for (const auto& c : cases) {
    std::string scratch;
    bool under = false;
    EXPECT_EQ(SourceRoot(c.root).Written(c.file, scratch, &under), c.written)
        << c.root << " " << c.file;
    EXPECT_EQ(under, c.written != c.file) << c.root << " " << c.file;
  }
}

// Every opt-in layout writes its file names under the root relative to it,
// the log's included; SARIF against the run's SRCROOT.
TEST(SourceRoot, EveryOptInLayoutTakesIt) {
  const std::string log =
      "ctc W1: [\"C:\\Work\\ecu\\src\\a.c\" 3/4] x\n"
      "ltc E2: y\n";
  const std::string logName = R"(C:\Work\ecu\out\build.log)";
  const std::string root = "c:/work/ecu/";
  const struct {
    std::string layout;
    std::vector<std::string> written;
  } cases[] = {
      {"msbuild", {"src/a.c(3,4): warning ctcW1: x", "out/build.log(2): error ltcE2: y"}},
      {"gcc", {"src/a.c:3:4: warning: x [ctc W1]", "out/build.log:2: error: y [ltc E2]"}},
      {"github",
       {"::warning title=ctc W1,file=src/a.c,line=3,col=4::x",
        "::error title=ltc E2,file=out/build.log,line=2::y"}},
      {"azure",
       {"##vso[task.logissue type=warning;code=ctcW1;sourcepath=src/a.c;linenumber=3;"
        "columnnumber=4;]x",
        "##vso[task.logissue type=error;code=ltcE2;sourcepath=out/build.log;linenumber=2;]y"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Written(c.layout, log, logName, root), c.written);
  const std::vector<std::string> issues = Written("codequality", log, logName, root);
  ASSERT_EQ(issues.size(), 2u);
  EXPECT_EQ(Issue(issues[0]), "minor ctcW1 src/a.c:3 x");
  EXPECT_EQ(Issue(issues[1]), "major ltcE2 out/build.log:2 y");

  std::string document;
  const LayoutEntry& sarif = *FindLayout("sarif");
  LineReader reader(log, ReadingRulesFor(sarif.recognition));
  const std::unique_ptr<Layout> writer = sarif.make({logName, root});
  ConvertLog(reader, sarif, *writer, logName, [&](std::string_view piece) {
    document.append(piece);
    return true;
  });
  const nlohmann::json run = nlohmann::json::parse(document)["runs"][0];
  EXPECT_EQ(run["originalUriBaseIds"]["SRCROOT"]["uri"], "file:///c:/work/ecu/");
  for (const auto& [result, uri] : {std::pair{0, "src/a.c"}, std::pair{1, "out/build.log"}}) {
    const nlohmann::json& where = run["results"][result]["locations"][0]["physicalLocation"];
    EXPECT_EQ(where["artifactLocation"]["uri"], uri);
    EXPECT_EQ(where["artifactLocation"]["uriBaseId"], "SRCROOT");
  }
}

// The root as SARIF names it: a folder's file: URI.
TEST(SourceRoot, SarifNamesTheRootByItsUri) {
  const std::pair<std::string, std::string> cases[] = {
      {R"(\\other\share)", "file://other/share/"},
      {"C:", "file:///C:/"},
      {R"(C:\Work\)", "file:///C:/Work/"},
      {"//posix/root", "file:////posix/root/"},
      {"/", "file:///"},
  };
  const LayoutEntry& sarif = *FindLayout("sarif");
  for (const auto& [root, uri] : cases) {
    std::string document;
    LineReader reader(std::string_view(), ReadingRulesFor(sarif.recognition));
    const std::unique_ptr<Layout> writer = sarif.make({"build.log", root});
    ConvertLog(reader, sarif, *writer, "build.log", [&](std::string_view piece) {
      document.append(piece);
      return true;
    });
    EXPECT_EQ(nlohmann::json::parse(document)["runs"][0]["originalUriBaseIds"]["SRCROOT"]["uri"],
              uri)
        << root;
  }
}

// Fingerprints differ within a report, also for issues that say the same at
// the same place and past the table that counts them, and stay the same
// when the build prints more before an issue.
TEST(CodeQuality, FingerprintsAreUniqueAndStable) {
  const auto fingerprints = [](const std::string& log) {
    std::vector<std::string> found;
    for (std::string issue : Written("codequality", log)) {
      if (issue.starts_with(',')) issue.erase(0, 1);
      found.push_back(nlohmann::json::parse(issue)["fingerprint"]);
    }
    return found;
  };
  const std::string repeated =
      "ctc W1: [\"inc/a.h\" 5/1] same\nltc E2: same\nctc W1: [\"inc/a.h\" 5/1] same\nltc E2: "
      "same\n";
  std::string many;
  for (int i = 0; i < 30000; ++i) many += "ltc E" + std::to_string(i % 14000) + ": x\n";
  for (const std::string& log : {repeated, many}) {
    const std::vector<std::string> first = fingerprints(log);
    EXPECT_EQ(std::set(first.begin(), first.end()).size(), first.size());
    for (const std::string& f : first) {
      EXPECT_TRUE(f.size() == 32 && f.find_first_not_of("0123456789abcdef") == f.npos) << f;
    }
    EXPECT_EQ(fingerprints(log), first);
  }
  EXPECT_EQ(fingerprints("make: more output\n" + repeated), fingerprints(repeated));
}

}  // namespace
