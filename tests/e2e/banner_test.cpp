// The version banner as a user sees it: started with too few arguments.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "run_process.h"

namespace {

#ifdef _WIN32
constexpr std::string_view kFileName = "Quonvel.exe";
#else
constexpr std::string_view kFileName = "Quonvel";
#endif
constexpr std::string_view kLegalNotice = "Copyright (C) 2026 Quonvel developers. MIT License.";

const std::vector<std::string_view> kUsageAndErrorLines = {
    "Quonvel error: Not enough command line arguments.",
    "Usage: Quonvel.exe",
    " --InputFile = ",
    " --TypCC     = ",
    "Quonvel error: Something is wrong with input file or compiler typ",
    "Quonvel error: Please check the command line input directories.  ",
};

// The first output line, where the banner would be.
std::string FirstLine(const std::string& out) { return out.substr(0, out.find_first_of("\r\n")); }

TEST(BannerTest, NoArgumentsPrintsBannerUsageAndErrors) {
  const ProcessResult run = RunProcess(QuonvelPath(), {QuonvelPath()});
  ASSERT_TRUE(run.started) << run.err;
  // The build date is whatever day the build ran; only its layout is known.
  const std::string first = FirstLine(run.out);
  const std::string prefix =
      std::string(kFileName) + " version " QUONVEL_TEST_BANNER_VERSION " from ";
  ASSERT_TRUE(first.starts_with(prefix)) << run.out;
  const std::string date = first.substr(prefix.size());
  EXPECT_TRUE(std::regex_match(
      date,
      std::regex(
          "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) ( [1-9]|[12][0-9]|3[01]) [0-9]{4}")))
      << '"' << date << '"';

  std::vector<std::string_view> lines = {first, kLegalNotice};
  lines.insert(lines.end(), kUsageAndErrorLines.begin(), kUsageAndErrorLines.end());
  EXPECT_EQ(run.out, OutputLines(lines));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exitCode, ExitCodeOf(-2));
}

// Alone after the program path, --help, -h and /? print the full usage and
// --version the banner with the whole version; exit 0. Everything else keeps
// the usage lines.
TEST(BannerTest, HelpAndVersionAlone) {
  const ProcessResult noArguments = RunProcess(QuonvelPath(), {QuonvelPath()});
  const std::string banner = noArguments.out.substr(0, noArguments.out.find("Quonvel error:"));
  const std::string_view shortVersion = " version " QUONVEL_TEST_BANNER_VERSION " from ";
  const std::size_t at = banner.find(shortVersion);
  ASSERT_NE(at, std::string::npos) << banner;
  const std::string version = std::string(banner).replace(
      at, shortVersion.size(), " version " QUONVEL_TEST_VERSION " from ");
  const ProcessResult help = RunProcess(QuonvelPath(), {QuonvelPath(), "--help"});
  // Every option, a line for each layout, and no line wider than a terminal.
  std::vector<std::string> texts = {"Usage: Quonvel --InputFile=<path> --TypCC=TriCore",
                                    "--Format=<layout>",
                                    "--SourceRoot=<dir>",
                                    "--FailOn=",
                                    "--Summary",
                                    "- reads standard input",
                                    "--version",
                                    "Exit codes:",
                                    "-4",
                                    "Example",
                                    "man quonvel"};
  for (const std::string& layout : LayoutNames()) texts.push_back("\n    " + layout + " ");
  for (const std::string& text : texts) {
    EXPECT_NE(help.out.find(text), std::string::npos) << text << '\n' << help.out;
  }
  for (std::size_t at = 0, end; (end = help.out.find('\n', at)) != std::string::npos;
       at = end + 1) {
    const std::string line = help.out.substr(at, end - at);
    EXPECT_LE(line.size() - line.ends_with('\r'), 80u) << line;
  }
  const std::string shortLine = banner + OutputLines(kUsageAndErrorLines);
  const struct {
    std::vector<std::string> arguments;
    std::string out;
    int exitCode;
  } cases[] = {
      {{QuonvelPath(), "--help"}, help.out, 0},
      {{QuonvelPath(), "-h"}, help.out, 0},
      {{QuonvelPath(), "/?"}, help.out, 0},
      {{QuonvelPath(), "--version"}, version, 0},
      {{"no-such-dir/Quonvel", "--version"},
       OutputLines({"Quonvel error: Cannot read the version information of "
                    "\"no-such-dir/Quonvel\"."}),
       -4},
      {{QuonvelPath(), "--HELP"}, shortLine, -2},
      {{QuonvelPath(), "-?"}, shortLine, -2},
      {{QuonvelPath(), "--version "}, shortLine, -2},
      {{QuonvelPath(), "--help", "--version"},
       OutputLines({kUsageAndErrorLines.begin() + 4, kUsageAndErrorLines.end()}),
       -2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.back());
    const ProcessResult run = RunProcess(QuonvelPath(), c.arguments);
    ASSERT_TRUE(run.started) << run.err;
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, ExitCodeOf(c.exitCode));
  }
}

TEST(BannerTest, ProgramPathWithoutVersionPrintsNoBanner) {
  const struct {
    const char* name;
    std::string argument0;
  } cases[] = {
      {"names no file", "no-such-dir/Quonvel"},
      {"empty", ""},
      {"names a directory", QuonvelPath().substr(0, QuonvelPath().find_last_of("/\\"))},
      {"names a file without version", __FILE__},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ProcessResult run = RunProcess(QuonvelPath(), {c.argument0});
    ASSERT_TRUE(run.started) << run.err;
    EXPECT_EQ(run.out, OutputLines(kUsageAndErrorLines));
    EXPECT_EQ(run.exitCode, ExitCodeOf(-2));
  }
}

TEST(BannerTest, OptionAsProgramPathPrintsNoBannerAndRunsOn) {
  // Argument 0 supplies --InputFile; x.log does not exist, so nothing follows
  // the usage lines.
  const ProcessResult run = RunProcess(QuonvelPath(), {"--InputFile=x.log", "--TypCC=TriCore"});
  ASSERT_TRUE(run.started) << run.err;
  EXPECT_EQ(run.out, OutputLines({kUsageAndErrorLines.begin(), kUsageAndErrorLines.begin() + 4}));
  EXPECT_EQ(run.exitCode, ExitCodeOf(-1));
}

#ifndef _WIN32
// Started by a shell through PATH, argument 0 is the bare name: the banner
// must look the name up the same way, an empty entry meaning the current
// folder, and the current folder not searched otherwise.
TEST(BannerTest, BareProgramNameIsLookedUpAlongPath) {
  const std::string path = QuonvelPath();
  const std::string dir = path.substr(0, path.rfind('/'));
  const std::string name = path.substr(path.rfind('/') + 1);
  // Puts PATH and the current folder back however the test ends.
  struct Restore {
    std::optional<std::string> path;
    std::string cwd;
    ~Restore() {
      if (path) {
        setenv("PATH", path->c_str(), 1);
      } else {
        unsetenv("PATH");
      }
      [[maybe_unused]] const int changed = chdir(cwd.c_str());
    }
  } restore;
  if (const char* saved = std::getenv("PATH")) restore.path = saved;
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  restore.cwd = cwd;
  const struct {
    std::string searchPath;
    bool inProgramDir;  // run with the program's folder as current folder
    bool banner;
  } cases[] = {
      {"/nonexistent:" + dir, false, true},    {"/nonexistent", false, false},
      {"/nonexistent::/also-not", true, true}, {"/nonexistent:", true, true},
      {"/nonexistent", true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.searchPath + (c.inProgramDir ? " in " + dir : ""));
    setenv("PATH", c.searchPath.c_str(), 1);
    ASSERT_EQ(chdir(c.inProgramDir ? dir.c_str() : restore.cwd.c_str()), 0);
    const ProcessResult run = RunProcess(path, {name});
    ASSERT_TRUE(run.started) << run.err;
    EXPECT_EQ(
        FirstLine(run.out).starts_with("Quonvel version " QUONVEL_TEST_BANNER_VERSION " from "),
        c.banner)
        << run.out;
  }
}
#endif

}  // namespace
