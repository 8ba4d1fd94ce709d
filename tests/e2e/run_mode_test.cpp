// Run mode end to end: Quonvel starts our stand-in build (the fake command,
// tests/support/fake_command.cpp) and is judged by its exit code, its output,
// standard error and the --Log file; the signal cases drive the processes
// directly. Each test leaves no process running.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "run_process.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
extern char** environ;
#endif

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::string kError = "ctc E294: [\"a.c\" 57/14] undeclared";
const std::string kWarning = "cptc W123: [\"b.cpp\" 3/4] conversion";

class RunMode : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("quonvel_run_mode_" +
            std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Quonvel with `options`, then "--", then the fake command and `steps`.
  static ProcessResult Run(std::vector<std::string> options, const std::vector<std::string>& steps,
                           StdoutMode mode = StdoutMode::kPipe) {
    options.insert(options.begin(), {"Quonvel", "--TypCC=TriCore"});
    options.insert(options.end(), {"--", QUONVEL_FAKE_COMMAND});
    options.insert(options.end(), steps.begin(), steps.end());
    return RunProcess(QuonvelPath(), options, mode);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  fs::path dir_;
};

// Whether the process `pid` (written to `file` by the fake command) has
// ended: gone, or a zombie that nobody reaps yet.
bool Ended(const std::string& pidText) {
#ifdef _WIN32
  static_cast<void>(pidText);
  return true;  // the job object; checked by the Windows build itself
#else
  std::ifstream stat("/proc/" + pidText + "/stat");
  std::string line;
  if (pidText.empty() || !std::getline(stat, line)) return true;
  return line.substr(line.rfind(')') + 2, 1) == "Z";
#endif
}

// The bytes of `lines`, each between < and >, as the fake command's args
// step writes them.
std::string Echoed(const std::vector<std::string>& lines) {
  std::vector<std::string> bracketed;
  for (const std::string& line : lines) bracketed.push_back("<" + line + ">");
  return OutputLines({bracketed.begin(), bracketed.end()});
}

// `text` with each LF as the platform's line end.
std::string WithLineEnds(const std::string& text) {
  std::string result;
  for (const char c : text) result += c == '\n' ? OutputLines({""}) : std::string(1, c);
  return result;
}

bool EndsSoon(const std::string& pidText) {
  for (int i = 0; i < 200 && !Ended(pidText); ++i) std::this_thread::sleep_for(10ms);
  return Ended(pidText);
}

TEST_F(RunMode, ExitCodes) {
  const std::string notExecutable = Path("plain.txt");
  std::ofstream(notExecutable) << "text\n";
  struct Case {
    std::vector<std::string> options;
    std::vector<std::string> steps;
    int code;
    std::string err;  // what standard error starts with
  } cases[] = {
      {{"--Format=gcc"}, {"exit:0"}, 0, ""},
      {{"--Format=gcc"},
       {"err:make: *** No rule", "exit:3"},
       3,
       "Quonvel: \"" QUONVEL_FAKE_COMMAND
       "\" exited with code 3; its last lines:\nmake: *** No rule\n"},
      // A diagnostic was written: it says enough.
      {{"--Format=gcc"}, {"out:" + kError, "exit:2"}, 2, ""},
      // The command succeeded: --FailOn decides.
      {{"--Format=gcc", "--FailOn=error"}, {"out:" + kError}, 1, ""},
      {{"--Format=gcc", "--FailOn=error"}, {"out:" + kWarning}, 0, ""},
      {{}, {"exit:4"}, 4, "Quonvel: \""},
      // The default layout's reading ends at a 0x1A; the command still
      // writes on, into no closed pipe.
      {{}, {"out:\x1A", "lines:20000", "exit:0"}, 0, ""},
#ifndef _WIN32
      {{"--Format=gcc"}, {"signal:15"}, 143, "Quonvel: \""},
#endif
  };
  for (const Case& c : cases) {
    const ProcessResult result = Run(c.options, c.steps);
    EXPECT_EQ(result.exitCode, c.code) << c.steps.front();
    EXPECT_TRUE(result.err.starts_with(WithLineEnds(c.err))) << result.err;
    if (c.err.empty()) {
      EXPECT_EQ(result.err, "");
    }
  }
  const ProcessResult missing =
      RunProcess(QuonvelPath(), {"Quonvel", "--TypCC=TriCore", "--", "quonvel-no-such-program"});
  EXPECT_EQ(missing.exitCode, 127);
  EXPECT_EQ(missing.err,
            OutputLines({"Quonvel error: Cannot find the program \"quonvel-no-such-program\"."}));
  const ProcessResult refused =
      RunProcess(QuonvelPath(), {"Quonvel", "--TypCC=TriCore", "--", notExecutable});
  EXPECT_EQ(refused.exitCode, 126);
  EXPECT_TRUE(refused.err.starts_with("Quonvel error: Cannot start \"" + notExecutable))
      << refused.err;
}

// Standard output and standard error through one pipe: the order written.
TEST_F(RunMode, KeepsTheOrderOfBothStreams) {
  const ProcessResult result = Run(
      {"--Format=gcc"}, {"out:" + kError, "err:" + kWarning, "out:" + kWarning, "err:" + kError});
  EXPECT_EQ(result.out, OutputLines({"a.c:57:14: error: undeclared [ctc E294]",
                                     "b.cpp:3:4: warning: conversion [cptc W123]",
                                     "b.cpp:3:4: warning: conversion [cptc W123]",
                                     "a.c:57:14: error: undeclared [ctc E294]"}));
}

// --Echo: every line that is no diagnostic passes through as it came, in
// order with the diagnostics; a document goes to its file, the lines still
// to standard output.
TEST_F(RunMode, EchoShowsTheWholeBuild) {
  const std::vector<std::string> steps = {"out:step 1", "out:" + kError, "err:make: leaving",
                                          "raw:no line end"};
  const std::string sarif = Path("report.sarif");
  const struct {
    std::vector<std::string> options;
    std::string out;
  } cases[] = {
      {{"--Echo", "--Format=gcc"},
       OutputLines({"step 1", "a.c:57:14: error: undeclared [ctc E294]", "make: leaving"}) +
           "no line end"},
      {{"--Echo"},
       OutputLines({"step 1", "a.c(57,14) :Error:  undeclared", "make: leaving"}) + "no line end"},
      {{"--Echo", "--Format=sarif", "--Output=" + sarif},
       OutputLines({"step 1", "make: leaving"}) + "no line end"},
  };
  for (const auto& c : cases) {
    const ProcessResult result = Run(c.options, steps);
    EXPECT_EQ(result.exitCode, 0) << c.options.back();
    EXPECT_EQ(result.out, c.out) << c.options.back();
  }
  EXPECT_NE(Read(sarif).find("\"ruleId\":\"ctcE294\""), std::string::npos) << Read(sarif);
}

// The log holds every byte as the command wrote it, also when it failed, and
// diagnostics without a source file are placed in it.
TEST_F(RunMode, LogHoldsWhatTheCommandWrote) {
  const std::string log = Path("build.log");
  const ProcessResult result = Run({"--Format=gcc", "--Log=" + log},
                                   {"out:step 1\r", "err:" + kError, "raw:no line end", "exit:1"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(Read(log), OutputLines({"step 1\r", kError}) + "no line end");
  const ProcessResult unwritable = Run({"--Log=" + Path("no/such/folder/x.log")}, {"out:x"});
  EXPECT_EQ(unwritable.exitCode, ExitCodeOf(-4));
  EXPECT_EQ(unwritable.out, "");
}

// Arguments reach the command unchanged, Quonvel's option names included.
TEST_F(RunMode, PassesArgumentsUnchanged) {
  const std::vector<std::string> arguments = {"args",
                                              "a b",
                                              "quote\"inside",
                                              "\"",
                                              "trailing\\",
                                              "back\\\\\"slash",
                                              "",
                                              "--InputFile=x.log",
                                              "--TypCC=Other",
                                              "--",
                                              "%PATH%",
                                              "tab\there"};
  const std::string log = Path("args.log");
  const ProcessResult result = Run({"--Log=" + log}, arguments);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Read(log), Echoed(arguments));
}

// The last lines of a failed command, each cut to a bounded size.
TEST_F(RunMode, FailureShowsTheLastLines) {
  const ProcessResult result = Run({"--Format=gcc"}, {"lines:30", "long:2000000", "exit:2"});
  EXPECT_EQ(result.exitCode, 2);
  std::vector<std::string> expected = {"Quonvel: \"" QUONVEL_FAKE_COMMAND
                                       "\" exited with code 2; its last lines:"};
  for (int n = 12; n <= 30; ++n) expected.push_back("line " + std::to_string(n));
  expected.push_back(std::string(512, 'x'));
  EXPECT_EQ(result.err, OutputLines({expected.begin(), expected.end()}));
}

// A process the command left behind holds the pipe: the run still ends, and
// the process with it.
TEST_F(RunMode, EndsAfterTheCommandDespiteWhatItLeftBehind) {
  const std::string pid = Path("bg.pid");
  const auto start = std::chrono::steady_clock::now();
  const ProcessResult result =
      Run({"--Format=gcc"}, {"bg:60000", "bgpid:" + pid, "out:" + kError, "exit:0"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);  // against a hang, not a timing
  EXPECT_EQ(result.out, OutputLines({"a.c:57:14: error: undeclared [ctc E294]"}));
  EXPECT_TRUE(EndsSoon(Read(pid)));
}

// A reader that went away ends the run and the command.
TEST_F(RunMode, VanishedReaderEndsTheCommand) {
  const std::string pid = Path("command.pid");
  const ProcessResult result =
      Run({"--Format=gcc"}, {"pid:" + pid, "out:" + kError, "sleep:60000"}, StdoutMode::kClosed);
  EXPECT_NE(result.exitCode, 0);
  EXPECT_TRUE(EndsSoon(Read(pid)));
}

#ifdef _WIN32
// A batch file runs through cmd.exe, which reads its command line by rules of
// its own: each argument reaches the batch file (and, through %*, the
// program it calls) unchanged, or is refused when no quoting can carry it.
TEST_F(RunMode, BatchFileArguments) {
  const std::string batch = Path("echo args.bat");
  std::ofstream(batch, std::ios::binary) << "@\"" QUONVEL_FAKE_COMMAND "\" args %*\r\n";
  std::vector<std::string> passed = {"a b", "quote\"inside", "trailing\\", "",     "a&calc",
                                     "x|y", "(z)",           "^caret",     "<in>", "!bang!"};
  // Wine's cmd.exe knows no %cd:~,% (a substring of nothing), with which a
  // % is kept from expanding: checked on Windows alone.
  HKEY wine = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, KEY_READ, &wine) == ERROR_SUCCESS) {
    RegCloseKey(wine);
  } else {
    passed.insert(passed.end(), {"100%", "%PATH%"});
  }
  std::vector<std::string> arguments = {"Quonvel", "--TypCC=TriCore", "--Log=" + Path("bat.log"),
                                        "--", batch};
  arguments.insert(arguments.end(), passed.begin(), passed.end());
  const ProcessResult result = RunProcess(QuonvelPath(), arguments);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  std::vector<std::string> expected = {"args"};
  expected.insert(expected.end(), passed.begin(), passed.end());
  EXPECT_EQ(Read(Path("bat.log")), Echoed(expected));
  for (const std::string refused : {"line\nbreak", "carriage\rreturn"}) {
    const ProcessResult result =
        RunProcess(QuonvelPath(), {"Quonvel", "--TypCC=TriCore", "--", batch, "ok", refused});
    EXPECT_EQ(result.exitCode, 126);
    EXPECT_EQ(result.err,
              OutputLines({"Quonvel error: Cannot pass argument 2 to the batch file \"" + batch +
                           "\": cmd.exe would end the command at its line break."}));
  }
}
#else
// Quonvel started on its own, its standard output a pipe the test reads.
struct Started {
  pid_t pid = -1;
  int out = -1;
};

Started StartQuonvel(std::vector<std::string> arguments) {
  Started started;
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return started;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const std::string program = QuonvelPath();
  posix_spawn(&started.pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  started.out = pipeFds[0];
  return started;
}

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<std::size_t>(got));
  close(fd);
  return text;
}

// SIGTERM reaches the command, whose last words are still converted; SIGKILL
// of Quonvel takes the command with it.
TEST_F(RunMode, StopsReachTheCommand) {
  for (const int signal : {SIGTERM, SIGKILL}) {
    const std::string pid = Path("command.pid");
    fs::remove(pid);
    Started quonvel =
        StartQuonvel({"Quonvel", "--TypCC=TriCore", "--Format=gcc", "--", QUONVEL_FAKE_COMMAND,
                      "onterm:" + kWarning, "pid:" + pid, "sleep:60000"});
    for (int i = 0; i < 500 && Read(pid).empty(); ++i) std::this_thread::sleep_for(10ms);
    kill(quonvel.pid, signal);
    const std::string out = ReadAll(quonvel.out);
    int status = 0;
    waitpid(quonvel.pid, &status, 0);
    if (signal == SIGTERM) {
      EXPECT_EQ(out, OutputLines({"b.cpp:3:4: warning: conversion [cptc W123]"}));
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 5) << status;
    }
    EXPECT_TRUE(EndsSoon(Read(pid))) << signal;
  }
}
#endif

}  // namespace
