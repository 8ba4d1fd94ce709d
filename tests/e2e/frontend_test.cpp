// The command line, the usage and error texts and the exit codes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "run_process.h"

namespace {

// Argument 0 that names no file, so that no banner is printed.
constexpr const char* kNoBanner = "quonvel-test-no-such-program";
const std::string kLog = QUONVEL_TEST_DATA "/golden/ltc_licence_rules.log";

const std::vector<std::string_view> kUsage = {"Quonvel error: Not enough command line arguments.",
                                              "Usage: Quonvel.exe",
                                              " --InputFile = ", " --TypCC     = "};
const std::vector<std::string_view> kBadOptions = {
    "Quonvel error: Something is wrong with input file or compiler typ",
    "Quonvel error: Please check the command line input directories.  "};
const std::vector<std::string_view> kLogOutput = {"ltc E106: unresolved external: foo",
                                                  "ltc F2: ",
                                                  "ltc  \tF2:\ttext",
                                                  "Error: No valid license found! ",
                                                  "Error: No valid license found! ",
                                                  "Error: code 7! ",
                                                  "empty ctc msg"};

std::vector<std::string_view> Join(std::vector<std::string_view> a,
                                   const std::vector<std::string_view>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Case {
  const char* what;
  std::vector<std::string> arguments;
  std::vector<std::string_view> output;
  int exitCode;
};

TEST(CommandLine, OutputAndExitCode) {
  const std::string emptyLog =
      (std::filesystem::temp_directory_path() / "quonvel_empty.log").string();
  std::ofstream(emptyLog, std::ios::binary).close();
  const Case cases[] = {
      {"no arguments", {kNoBanner}, Join(kUsage, kBadOptions), -2},
      {"only the input file", {kNoBanner, "--InputFile=build.log"}, Join(kUsage, kBadOptions), -2},
      {"empty type", {kNoBanner, "--InputFile=build.log", "--TypCC="}, kBadOptions, -2},
      {"wrong compiler type", {kNoBanner, "--InputFile=build.log", "--TypCC=tricore"}, {}, -3},
      {"type with a blank", {kNoBanner, "--InputFile=" + kLog, "--TypCC=TriCore "}, {}, -3},
      {"missing file", {kNoBanner, "--InputFile=/no/such/dir/build.log", "--TypCC=TriCore"}, {}, 0},
      {"empty file", {kNoBanner, "--InputFile=" + emptyLog, "--TypCC=TriCore"}, {}, 0},
      {"any order, extra arguments",
       {kNoBanner, "-v", "--TypCC=TriCore", "extra", "--InputFile=" + kLog, "last"},
       kLogOutput,
       0},
      {"argument 0 supplies the input file",
       {"--InputFile=" + kLog, "--TypCC=TriCore"},
       Join(kUsage, kLogOutput),
       -1},
      {"argument 0 alone cannot pass the type check",
       {"--InputFile=" + kLog},
       Join(kUsage, kBadOptions),
       -2},
#ifdef __linux__
      {"read error",
       {kNoBanner, "--InputFile=/proc/self/mem", "--TypCC=TriCore"},
       {"Quonvel error: Cannot read input file."},
       -4},
#endif
  };
  for (const Case& c : cases) {
    const ProcessResult run = RunProcess(QuonvelPath(), c.arguments);
    ASSERT_TRUE(run.started) << c.what << run.err;
    EXPECT_EQ(run.out, OutputLines(c.output)) << c.what;
    EXPECT_EQ(run.exitCode, ExitCodeOf(c.exitCode)) << c.what;
    EXPECT_EQ(run.err, "") << c.what;
  }
  std::filesystem::remove(emptyLog);
}

}  // namespace

#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
// Memory running out must not abort the process: the one handler in main
// reports it and the run ends with -4.
TEST(CommandLine, OutOfMemoryIsReportedNotFatal) {
  const std::string log = (std::filesystem::temp_directory_path() / "quonvel_big.log").string();
  {
    std::ofstream file(log, std::ios::binary);
    file << "ctc W1: [\"" << std::string(64u << 20, 'x') << "\" 1/2] x\n";
  }
  // The default layout says it on standard output, the others on standard
  // error.
  const std::vector<std::string> layouts = LayoutNames();
  for (const std::string& layout : layouts) {
    const bool optIn = layout != layouts.front();
    const std::string command = "ulimit -v 40000; exec '" + QuonvelPath() + "' --InputFile=" + log +
                                " --TypCC=TriCore" + (optIn ? " --Format=" + layout : "");
    const ProcessResult run = RunProcess("/bin/sh", {"sh", "-c", command});
    ASSERT_TRUE(run.started) << run.err;
    const std::string message = OutputLines({"Quonvel error: Out of memory."});
    EXPECT_EQ(optIn ? run.err : run.out, message) << layout;
    EXPECT_EQ(run.exitCode, ExitCodeOf(-4));
    if (!optIn) {
      EXPECT_EQ(run.err, "");
    }
  }
  std::filesystem::remove(log);
}
#endif
