// The command line and the options for CI (--FailOn, --Summary,
// --SourceRoot) and a log that cannot be opened, in whole runs: what goes to
// standard output and standard error, and the exit code.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "run_process.h"

namespace {

constexpr const char* kNoBanner = "quonvel-test-no-such-program";
const std::string kMissing = "/no/such/dir/build.log";

// A log of one diagnostic of each severity but fatal.
std::string OneOfEachLog() {
  const std::string path =
      (std::filesystem::temp_directory_path() / "quonvel_one_of_each.log").string();
  std::ofstream(path, std::ios::binary) << "ctc W1: [\"a.c\" 1/2] w\n"
                                           "ctc I2: [\"a.c\" 3/4] i\n"
                                           "ltc E3: e\n";
  return path;
}

struct Case {
  std::vector<std::string> arguments;
  std::vector<std::string> out, err;  // the exact lines
  int exitCode;
};

void Expect(const Case& c) {
  const ProcessResult run = RunProcess(QuonvelPath(), c.arguments);
  std::string what;
  for (const std::string& argument : c.arguments) what += " " + argument;
  const auto lines = [](const std::vector<std::string>& text) {
    return OutputLines(std::vector<std::string_view>(text.begin(), text.end()));
  };
  ASSERT_TRUE(run.started) << what;
  EXPECT_EQ(run.out, lines(c.out)) << what;
  EXPECT_EQ(run.err, lines(c.err)) << what;
  EXPECT_EQ(run.exitCode, ExitCodeOf(c.exitCode)) << what;
}

TEST(CiOptions, FailOnAndSummary) {
  const std::string log = OneOfEachLog();
  const std::string input = "--InputFile=" + log;
  const std::vector<std::string> gcc = {"a.c:1:2: warning: w [ctc W1]", "a.c:3:4: note: i [ctc I2]",
                                        log + ":3: error: e [ltc E3]"};
  const std::vector<std::string> msvc = {"a.c(1,2) :Warning:  w", "ltc E3: e"};
  const std::vector<std::string> fewer = {"a.c:1:2: warning: w [ctc W1]",
                                          "a.c:3:4: note: i [ctc I2]"};
  const Case cases[] = {
      {{kNoBanner, input, "--TypCC=TriCore", "--Format=gcc"}, gcc, {}, 0},
      {{kNoBanner, input, "--TypCC=TriCore", "--Format=gcc", "--FailOn=never"}, gcc, {}, 0},
      {{kNoBanner, input, "--TypCC=TriCore", "--Format=gcc", "--FailOn=error"}, gcc, {}, 1},
      {{kNoBanner, input, "--TypCC=TriCore", "--Format=gcc", "--FailOn=warning", "--Summary"},
       gcc,
       {"Quonvel: 1 error, 1 warning, 1 note in " + log},
       1},
      {{kNoBanner, "--InputFile=-", "--TypCC=TriCore", "--Format=github", "--Summary",
        "--FailOn=warning"},
       {},
       {"Quonvel: 0 errors, 0 warnings, 0 notes in standard input"},
       0},
      // The default layout: written, the options act there too.
      {{kNoBanner, input, "--TypCC=TriCore", "--FailOn=error", "--Summary", "--SourceRoot=/"},
       msvc,
       {"Quonvel: 1 error, 1 warning, 0 notes in " + log},
       1},
  };
  for (const Case& c : cases) Expect(c);
  // Below the severity asked for, the run passes: a warning for
  // --FailOn=error, a note for --FailOn=warning.
  std::ofstream(log, std::ios::binary) << "ctc W1: [\"a.c\" 1/2] w\nctc I2: [\"a.c\" 3/4] i\n";
  Expect({{kNoBanner, input, "--TypCC=TriCore", "--Format=gcc", "--FailOn=error"}, fewer, {}, 0});
  std::ofstream(log, std::ios::binary) << "ctc I2: [\"a.c\" 3/4] i\n";
  Expect({{kNoBanner, input, "--TypCC=TriCore", "--Format=gcc", "--FailOn=warning"},
          {fewer[1]},
          {},
          0});
  std::filesystem::remove(log);
}

// Once a command line uses one of Quonvel's further options, every argument
// that looks like an option must be one, with a value it knows; the first
// two options alone keep ignoring what they always ignored.
TEST(CiOptions, CommandLinesRefusedWithTheirSlip) {
  const std::string log = OneOfEachLog();
  const std::string input = "--InputFile=" + log;
  const std::vector<std::string> msvc = {"a.c(1,2) :Warning:  w", "ltc E3: e"};
  const std::vector<std::string> legacy = {
      "Quonvel error: Something is wrong with input file or compiler typ",
      "Quonvel error: Please check the command line input directories.  "};
  const auto refused = [](std::string text) {
    return std::vector<std::string>{"Quonvel error: " + text};
  };
  const Case cases[] = {
      // The first version's command line: other arguments ignored, silence.
      {{kNoBanner, input, "--TypCC=TriCore", "--Fail-On=error", "--Summaryx", "--Verbose"},
       msvc,
       {},
       0},
      {{kNoBanner, "--InputFile", log, "--TypCC=TriCore"}, legacy, {}, -2},
      {{kNoBanner, input, "--TypCC=tricore"}, {}, {}, -3},
      // Misspelt, unknown or doubled once a further option is written.
      {{kNoBanner, input, "--TypCC=TriCore", "--Format=gcc", "--Fail-On=error"},
       {},
       refused(R"(Unknown option "--Fail-On=error"; did you mean --FailOn?)"),
       -2},
      {{kNoBanner, input, "--TypCC=TriCore", "--Summary", "--Verbose"},
       {},
       refused(R"(Unknown option "--Verbose"; did you mean --Echo?)"),
       -2},
      {{kNoBanner, "--inputfile=" + log, "--TypCC=TriCore", "--Summary"},
       {},
       refused("Unknown option \"--inputfile=" + log + "\"; did you mean --InputFile?"),
       -2},
      {{kNoBanner, input, "--TypCC=TriCore", "--Summary=yes"},
       {},
       refused(R"(--Summary takes no value: "--Summary=yes"; write --Summary.)"),
       -2},
      {{kNoBanner, input, "--TypCC=TriCore", "--FailOn=errors"},
       {},
       refused(
           R"(Unknown --FailOn value "errors" (error, warning, never); did you mean --FailOn=error?)"),
       -2},
      {{kNoBanner, input, "--TypCC=TriCore", "--Format=gcc", "--Format=sarif"},
       {},
       refused(
           R"(--Format given twice with different values: "--Format=gcc" and "--Format=sarif".)"),
       -2},
      {{kNoBanner, input, "--TypCC=TriCore", "--Format=gcc", "--Format=gcc"},
       {"a.c:1:2: warning: w [ctc W1]", "a.c:3:4: note: i [ctc I2]", log + ":3: error: e [ltc E3]"},
       {},
       0},
      {{kNoBanner, input, "--TypCC=TriCore", "--Output"},
       {},
       refused("--Output needs a value: write --Output=<value>."),
       -2},
      // Missing or empty, with the likely slip named.
      {{kNoBanner, "--InputFile", log, "--TypCC=TriCore", "--Summary"},
       {},
       refused("--InputFile names no file (a blank instead of \"=\" before \"" + log + "\"?)."),
       -2},
      {{kNoBanner, input, "--Format=gcc"},
       {},
       refused("No compiler type: give --TypCC=TriCore."),
       -2},
      {{kNoBanner, "--TypCC=TriCore", "--Format=gcc"},
       {},
       refused("No log to read: give --InputFile=<path> (- for standard input) or a command "
               "after \"--\"."),
       -2},
      {{kNoBanner, input, "--TypCC=tricore", "--Format=gcc"},
       {},
       refused(R"(Unknown compiler type "tricore"; only TriCore is accepted (the case matters).)"),
       -3},
      // Matched whole: a value holding another option's name is only a value.
      {{kNoBanner, input + "--Output", "--TypCC=TriCore", "--Format=gcc"},
       {},
       {"Quonvel error: Cannot open input file \"" + log + "--Output\"."},
       -4},
      // Options that cannot go together.
      {{kNoBanner, input, "--TypCC=TriCore", "--Log=x.log"},
       {},
       refused("--Log keeps a command's output: give the command after \"--\"."),
       -2},
      {{kNoBanner, input, "--TypCC=TriCore", "--Format=sarif", "--Echo"},
       {},
       refused("--Echo with --Format=sarif needs --Output=<file>: the build's lines and one "
               "document cannot share standard output."),
       -2},
      {{kNoBanner, input, "--TypCC=TriCore", "--", "make"},
       {},
       refused("--InputFile and a command after \"--\" do not go together: give one."),
       -2},
      {{kNoBanner, "--TypCC=TriCore", "--"},
       {},
       refused("No command after \"--\": write the program and its arguments after it."),
       -2},
  };
  for (const Case& c : cases) Expect(c);
  std::filesystem::remove(log);
}

// A log that cannot be opened fails every opt-in layout in its own terms;
// the default layout reads it as empty, as it always has.
TEST(CiOptions, MissingLogFailsTheOptInLayouts) {
  const std::string input = "--InputFile=" + kMissing;
  const std::string message = "Quonvel error: Cannot open input file \"" + kMissing + "\".";
  for (const char* layout : {"msbuild", "gcc", "github", "azure"}) {
    Expect({{kNoBanner, input, "--TypCC=TriCore", std::string("--Format=") + layout},
            {},
            {message},
            -4});
  }
  Expect(
      {{kNoBanner, input, "--TypCC=TriCore", "--Format=codequality"}, {"[", "]"}, {message}, -4});
  Expect({{kNoBanner, input, "--TypCC=TriCore"}, {}, {}, 0});
  // A name's control characters would split the message line.
  Expect({{kNoBanner, "--InputFile=a\r\nb\x1B.log", "--TypCC=TriCore", "--Format=gcc", "--Summary"},
          {},
          {R"(Quonvel error: Cannot open input file "a\x0D\x0Ab\x1B.log".)",
           R"(Quonvel: 0 errors, 0 warnings, 0 notes in a\x0D\x0Ab\x1B.log)"},
          -4});

  const ProcessResult run =
      RunProcess(QuonvelPath(), {kNoBanner, input, "--TypCC=TriCore", "--Format=sarif"});
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exitCode, ExitCodeOf(-4));
  const nlohmann::json sarif = nlohmann::json::parse(run.out)["runs"][0];
  EXPECT_EQ(sarif["results"].size(), 0u);
  EXPECT_EQ(sarif["invocations"][0]["executionSuccessful"], false);
  EXPECT_EQ(sarif["invocations"][0]["toolExecutionNotifications"][0]["message"]["text"],
            "Cannot open input file \"" + kMissing + "\".");
}

// A relative --SourceRoot is taken from the current directory.
TEST(CiOptions, RelativeSourceRoot) {
  const std::filesystem::path here = std::filesystem::current_path();
  const std::string log = (std::filesystem::temp_directory_path() / "quonvel_root.log").string();
  std::ofstream(log, std::ios::binary)
      << "ctc W1: [\"" << (here / "src" / "a.c").string() << "\" 1/2] w\n";
  Expect({{kNoBanner, "--InputFile=" + log, "--TypCC=TriCore", "--Format=gcc", "--SourceRoot=."},
          {"src/a.c:1:2: warning: w [ctc W1]"},
          {},
          0});
  std::filesystem::remove(log);
}

}  // namespace
