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

// An unknown layout is refused with the list of those there are (which
// LayoutNames() reads back, and every test that goes through the layouts
// takes from there).
TEST(Layouts, UnknownFormatNamesEveryLayout) {
  std::string names;
  for (const std::string& layout : LayoutNames()) names += (names.empty() ? "" : ", ") + layout;
  for (const std::string name : {"Gcc", ""}) {
    const ProcessResult run =
        RunProcess(QuonvelPath(), {kNoBanner, kSample, "--TypCC=TriCore", "--Format=" + name});
    ASSERT_TRUE(run.started) << run.err;
    EXPECT_EQ(run.exitCode, ExitCodeOf(-2)) << name;
    EXPECT_TRUE(run.err.starts_with("Quonvel error: Unknown output format \"" + name + "\" (" +
                                    names + ")"))
        << run.err;
  }
}

// The user's texts name every layout and every program the tables know, each
// in its own markup, and docs/usage.md quotes the unknown-format message
// whole: a layout or program added to the tables and not to these fails here.
TEST(Layouts, DocsNameEveryLayoutAndProgram) {
  std::vector<std::string> names = LayoutNames();
  const std::string help = RunProcess(QuonvelPath(), {kNoBanner, "--help"}).out;
  const std::string known = "Programs it knows by name:";
  const std::size_t from = help.find(known), to = help.find('.', from);
  ASSERT_NE(to, std::string::npos) << help;
  for (std::size_t at = from + known.size(); at < to;) {
    const std::size_t comma = std::min(help.find(',', at), to);
    const std::size_t blank = help.find_last_of(" \r\n", comma - 1);
    names.push_back(help.substr(blank + 1, comma - blank - 1));
    at = comma + 1;
  }
  ASSERT_GT(names.size(), LayoutNames().size() + 1) << help;
  const struct {
    const char* file;
    std::vector<std::string> marks;  // what names a layout or program, "{}" for its name
  } docs[] = {
      {"README.md", {"`{}`"}},
      {"docs/usage.md", {"`{}`"}},
      {"res/Quonvel.1.in", {"\n.B {}\n", "\n.BR {} ", "\n.RB ( {} )"}},
      {"cmake/Install.cmake", {"({})"}},
  };
  for (const auto& doc : docs) {
    const std::string text = ReadFile(QUONVEL_EXAMPLES "/../" + std::string(doc.file));
    ASSERT_FALSE(text.empty()) << doc.file;
    for (const std::string& name : names) {
      EXPECT_TRUE(std::any_of(doc.marks.begin(), doc.marks.end(),
                              [&](std::string mark) {
                                return text.find(mark.replace(mark.find("{}"), 2, name)) !=
                                       std::string::npos;
                              }))
          << doc.file << " does not name " << name;
    }
  }
  std::string list;
  for (const std::string& layout : LayoutNames()) list += (list.empty() ? "(" : ", ") + layout;
  EXPECT_NE(ReadFile(QUONVEL_EXAMPLES "/../docs/usage.md").find(list + ")"), std::string::npos)
      << list;
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
  for (const std::string& format : LayoutNames()) {
    std::ofstream(target) << "previous";
    const std::vector<std::string> arguments = {kNoBanner, kSample, "--TypCC=TriCore",
                                                "--Format=" + format};
    std::vector<std::string> toFile = arguments;
    toFile.push_back("--Output=" + target.string());
    const ProcessResult run = RunProcess(QuonvelPath(), toFile);
    ASSERT_TRUE(run.started) << run.err;
    EXPECT_EQ(run.exitCode, 0) << format;
    EXPECT_EQ(run.out + run.err, "") << format;
    const std::string converted = RunProcess(QuonvelPath(), arguments).out;
    EXPECT_NE(converted, "") << format;
    EXPECT_EQ(ReadFile(target.string()), converted) << format;
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
