// Whole runs with --Format: the sample log in every layout, and the option's
// errors; the same into an --Output file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "run_process.h"

namespace {

constexpr const char* kNoBanner = "quonvel-test-no-such-program";
const std::string kSampleLog = QUONVEL_EXAMPLES "/tricore-build.log";
const std::string kSample = "--InputFile=" + kSampleLog;

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

// The expected lines of a golden file (stored with LF line ends), with the
// sample log's path where the file says "{log}".
std::vector<std::string> GoldenLines(const std::string& name) {
  std::istringstream text(ReadFile(QUONVEL_TEST_DATA "/golden/" + name));
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) {
    if (line.starts_with("{log}")) line.replace(0, 5, kSampleLog);
    lines.push_back(line);
  }
  return lines;
}

std::string Output(const std::vector<std::string>& lines) {
  return OutputLines(std::vector<std::string_view>(lines.begin(), lines.end()));
}

TEST(Layouts, SampleLogInEveryLineLayout) {
  const struct {
    std::vector<std::string> arguments;
    std::vector<std::string> output;
    int exitCode;
  } cases[] = {
      {{kNoBanner, kSample, "--TypCC=TriCore", "--Format=msvc"},
       GoldenLines("tricore-build.out"),
       0},
      {{kNoBanner, "--Format=msbuild", kSample, "--TypCC=TriCore"},
       GoldenLines("tricore-build.msbuild.out"),
       0},
      {{kNoBanner, kSample, "--TypCC=TriCore", "--Format=gcc"},
       GoldenLines("tricore-build.gcc.out"),
       0},
  };
  for (const auto& c : cases) {
    const ProcessResult run = RunProcess(QuonvelPath(), c.arguments);
    ASSERT_TRUE(run.started) << run.err;
    EXPECT_EQ(run.out, Output(c.output)) << c.arguments.back();
    EXPECT_EQ(run.exitCode, ExitCodeOf(c.exitCode)) << c.arguments.back();
    EXPECT_EQ(run.err, "");
  }
}

// An unknown layout is refused with the list of those there are, and each
// of those converts the sample.
TEST(Layouts, UnknownFormatNamesEveryLayout) {
  for (const std::string name : {"Gcc", ""}) {
    const ProcessResult run =
        RunProcess(QuonvelPath(), {kNoBanner, kSample, "--TypCC=TriCore", "--Format=" + name});
    ASSERT_TRUE(run.started) << run.err;
    EXPECT_EQ(run.exitCode, ExitCodeOf(-2)) << name;
    const std::string start = "Quonvel error: Unknown output format \"" + name + "\" (msvc, ";
    const std::string end = "); did you mean --Format=";
    ASSERT_TRUE(run.err.starts_with(start) && run.err.find(end) != std::string::npos) << run.err;
    std::string names = run.err.substr(start.size() - 6);
    names.resize(names.find(end));
    int layouts = 0;
    for (std::size_t at = 0; at < names.size(); ++layouts) {
      const std::size_t comma = std::min(names.find(", ", at), names.size());
      const std::string layout = names.substr(at, comma - at);
      const ProcessResult converted =
          RunProcess(QuonvelPath(), {kNoBanner, kSample, "--TypCC=TriCore", "--Format=" + layout});
      EXPECT_EQ(converted.exitCode, 0) << layout;
      EXPECT_FALSE(converted.out.empty()) << layout;
      at = comma + 2;
    }
    EXPECT_GT(layouts, 1) << run.out;
  }
}

nlohmann::json RunSarif(const std::string& inputArgument, int exitCode) {
  const ProcessResult run =
      RunProcess(QuonvelPath(), {kNoBanner, inputArgument, "--TypCC=TriCore", "--Format=sarif"});
  EXPECT_TRUE(run.started) << run.err;
  EXPECT_EQ(run.exitCode, ExitCodeOf(exitCode));
  EXPECT_EQ(run.err, "");
  return nlohmann::json::parse(run.out);
}

TEST(Layouts, SampleLogAsSarif) {
  const nlohmann::json log = RunSarif(kSample, 0);
  EXPECT_EQ(log["version"], "2.1.0");
  EXPECT_TRUE(log["$schema"].get<std::string>().ends_with("sarif-2.1.0.json"));
  ASSERT_EQ(log["runs"].size(), 1u);
  const nlohmann::json& run = log["runs"][0];
  EXPECT_EQ(run["tool"]["driver"]["name"], "Quonvel");
  EXPECT_EQ(run["tool"]["driver"]["version"], QUONVEL_TEST_VERSION);
  EXPECT_EQ(run["invocations"][0]["executionSuccessful"], true);
  // One result per diagnostic, as the msbuild layout writes them, each with
  // its rule and a location.
  const std::vector<std::string> msbuild = GoldenLines("tricore-build.msbuild.out");
  ASSERT_EQ(run["results"].size(), msbuild.size());
  const nlohmann::json& rules = run["tool"]["driver"]["rules"];
  for (std::size_t i = 0; i < msbuild.size(); ++i) {
    const nlohmann::json& result = run["results"][i];
    const std::string code = result["ruleId"];
    const std::string level = result["level"];
    EXPECT_NE(msbuild[i].find(" " + level + " " + code + ": "), std::string::npos) << msbuild[i];
    EXPECT_EQ(rules[result["ruleIndex"].get<std::size_t>()]["id"], code);
    const nlohmann::json& where = result["locations"][0]["physicalLocation"];
    std::string uri = where["artifactLocation"]["uri"];
    if (uri.starts_with("file://")) uri.erase(0, 7);  // the sample log, named absolutely
    const std::string line = std::to_string(where["region"]["startLine"].get<int>());
    EXPECT_TRUE(msbuild[i].starts_with(uri + "(" + line)) << msbuild[i];
  }
  EXPECT_EQ(run["results"][4]["locations"][0]["physicalLocation"]["region"]["snippet"]["text"],
            "return speedLimit;");
}

TEST(Layouts, SarifIsWholeWhenTheInputIsNot) {
#ifdef __linux__
  // A read error is told inside the log, which stays valid JSON.
  const nlohmann::json run = RunSarif("--InputFile=/proc/self/mem", -4)["runs"][0];
  EXPECT_EQ(run["invocations"][0]["executionSuccessful"], false);
  EXPECT_EQ(run["invocations"][0]["toolExecutionNotifications"][0]["message"]["text"],
            "Cannot read input file.");
#endif
}

// --Output: the file holds what standard output would have held and
// replaces the file of that name; standard output stays empty, and nothing
// else is left beside the file. A file that cannot be written or put into
// place fails the run and leaves the folder as it was.
TEST(Layouts, OutputFileTakesTheLayoutsText) {
  namespace fs = std::filesystem;
  const fs::path dir =
      fs::temp_directory_path() / ("quonvel-output-" + std::to_string(std::random_device{}()));
  fs::create_directories(dir / "folder");
  const fs::path target = dir / "report.txt";
  const auto entries = [&dir] { return std::distance(fs::directory_iterator(dir), {}); };
  for (const std::string format :
       {"msvc", "msbuild", "gcc", "sarif", "github", "azure", "codequality"}) {
    std::ofstream(target) << "previous";
    const std::vector<std::string> arguments = {kNoBanner, kSample, "--TypCC=TriCore",
                                                "--Format=" + format};
    std::vector<std::string> toFile = arguments;
    toFile.push_back("--Output=" + target.string());
    const ProcessResult run = RunProcess(QuonvelPath(), toFile);
    ASSERT_TRUE(run.started) << run.err;
    EXPECT_EQ(run.exitCode, 0) << format;
    EXPECT_EQ(run.out + run.err, "") << format;
    EXPECT_EQ(ReadFile(target.string()), RunProcess(QuonvelPath(), arguments).out) << format;
    EXPECT_EQ(entries(), 2) << format;
  }
  const struct {
    std::string output;
    std::vector<std::string> out, err;
    int exitCode;
  } failures[] = {
      {(dir / "missing" / "report.txt").string(),
       {},
       {"Quonvel error: Cannot write \"" + (dir / "missing" / "report.txt").string() + "\"."},
       -4},
      {(dir / "folder").string(),
       {},
       {"Quonvel error: Cannot write \"" + (dir / "folder").string() + "\"."},
       -4},
      {"", {}, {"Quonvel error: --Output names no file."}, -2},
  };
  for (const auto& c : failures) {
    const ProcessResult run =
        RunProcess(QuonvelPath(), {kNoBanner, kSample, "--TypCC=TriCore", "--Output=" + c.output});
    ASSERT_TRUE(run.started) << run.err;
    EXPECT_EQ(run.exitCode, ExitCodeOf(c.exitCode)) << c.output;
    EXPECT_EQ(run.out, Output(c.out)) << c.output;
    EXPECT_EQ(run.err, Output(c.err)) << c.output;
    EXPECT_EQ(entries(), 2) << c.output;
  }
  std::error_code ignored;
  fs::remove_all(dir, ignored);
}

}  // namespace
