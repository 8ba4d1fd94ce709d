// A run as a build step sees it, end to end: the toolchain piped in and
// printed as it arrives, the step stopped by a signal, the reader of the
// output gone. Quonvel's pipes are driven here directly, so that the test can
// act between what Quonvel reads and what it prints.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "run_process.h"

extern char** environ;

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Whether `printed` is whole lines of `full`, from its start.
testing::AssertionResult WholeLinesOf(const std::string& printed, const std::string& full) {
  if (!full.starts_with(printed)) return testing::AssertionFailure() << "not a prefix";
  if (!printed.empty() && printed.back() != '\n') {
    return testing::AssertionFailure() << "torn line: " << printed.substr(printed.rfind('\n') + 1);
  }
  return testing::AssertionSuccess();
}

// A Quonvel started with the given standard input and output, which it takes
// over; -1 for a pipe whose other end the test holds in `in` or `out`.
struct Child {
  pid_t pid = -1;
  int in = -1;
  int out = -1;
};

Child Start(const std::string& inputFile, int stdinFd, int stdoutFd,
            std::vector<std::string> more = {"--TypCC=TriCore"}) {
  Child child;
  int inPipe[2] = {-1, -1}, outPipe[2] = {-1, -1};
  if (stdinFd < 0 && pipe2(inPipe, O_CLOEXEC) != 0) return child;
  if (stdoutFd < 0 && pipe2(outPipe, O_CLOEXEC) != 0) return child;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, stdinFd < 0 ? inPipe[0] : stdinFd, STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, stdoutFd < 0 ? outPipe[1] : stdoutFd, STDOUT_FILENO);
  const std::string program = QuonvelPath();
  more.insert(more.begin(), {"Quonvel", "--InputFile=" + inputFile});
  std::vector<char*> argv;
  for (std::string& argument : more) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn(&child.pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  for (const int fd : {stdinFd, stdoutFd}) {
    if (fd >= 0) close(fd);
  }
  if (stdinFd < 0) {
    close(inPipe[0]);
    child.in = inPipe[1];
  }
  if (stdoutFd < 0) {
    close(outPipe[1]);
    child.out = outPipe[0];
  }
  return child;
}

// Appends what `fd` delivers to `text` until it holds `size` bytes, the pipe
// closes (false) or `patience` passes (false).
bool ReadUntil(int fd, std::string& text, std::size_t size, std::chrono::milliseconds patience) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (text.size() < size) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd poll_fd = {fd, POLLIN, 0};
    if (left.count() <= 0 || poll(&poll_fd, 1, static_cast<int>(left.count())) == 0) return false;
    char buffer[1 << 16];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  return true;
}

// The exit code, as RunProcess gives it, or -1 if the child is still running
// after `patience`.
int WaitFor(pid_t pid, std::chrono::milliseconds patience) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) return -1;
    std::this_thread::sleep_for(1ms);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t got = write(fd, bytes.data(), bytes.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(got));
  }
  return true;
}

class Live : public testing::Test {
 protected:
  void SetUp() override {
    // A writer whose reader has gone gets EPIPE instead of the signal.
    std::signal(SIGPIPE, SIG_IGN);
    const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    dir_ = fs::temp_directory_path() /
           ("quonvel-live-" + name + "-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  // What Quonvel prints for `bytes` read from a file.
  std::string Converted(std::string_view bytes, const std::string& format = "msvc") {
    const fs::path log = dir_ / "reference.log";
    std::ofstream(log, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return RunProcess(QuonvelPath(), {"Quonvel", "--InputFile=" + log.string(), "--TypCC=TriCore",
                                      "--Format=" + format})
        .out;
  }

  // Starts Quonvel on a FIFO or on standard input; `writer` is where the
  // test writes the log.
  Child StartReading(bool fromStandardInput, int& writer) {
    if (fromStandardInput) {
      Child child = Start("-", -1, -1);
      writer = child.in;
      return child;
    }
    const fs::path fifo = dir_ / "build.log";
    if (mkfifo(fifo.c_str(), 0600) != 0) return {};
    Child child = Start(fifo.string(), open("/dev/null", O_RDONLY | O_CLOEXEC), -1);
    writer = open(fifo.c_str(), O_WRONLY | O_CLOEXEC);  // waits for Quonvel's open
    return child;
  }

  fs::path dir_;
};

// Each part of the log is printed before the writer sends the next: a
// diagnostic written early in a long build shows at once. The patience only
// bounds a failing run; a passing one answers in milliseconds.
TEST_F(Live, LinesArePrintedAsTheyArrive) {
  const std::vector<std::string> parts = {
      "[ 10%] Building\r\nctc W505: [\"src/a.c\" 118/23] narrower type\r\n",
      "cptc E1234: [\"src/m.cpp\" 57] expected 2 arguments\r\n  call(1);\r\n",
      "ltc E100: undefined symbol\r\n[ 50%] Linking",
  };
  for (const bool fromStandardInput : {false, true}) {
    SCOPED_TRACE(fromStandardInput ? "standard input" : "FIFO");
    int writer = -1;
    Child child = StartReading(fromStandardInput, writer);
    ASSERT_GT(child.pid, 0);
    ASSERT_GE(writer, 0);
    std::string sent, printed;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
      ASSERT_TRUE(WriteAll(writer, parts[i]));
      sent += parts[i];
      const std::string expected = Converted(sent);
      ASSERT_GT(expected.size(), printed.size()) << "part " << i << " prints nothing";
      EXPECT_TRUE(ReadUntil(child.out, printed, expected.size(), 5s)) << "part " << i;
      EXPECT_EQ(printed, expected) << "part " << i;
    }
    ASSERT_TRUE(WriteAll(writer, parts.back()));
    close(writer);
    ReadUntil(child.out, printed, std::string::npos, 10s);
    close(child.out);
    EXPECT_EQ(printed, Converted(sent + parts.back()));
    EXPECT_EQ(WaitFor(child.pid, 10s), 0);
  }
}

// A diagnostic and a 0x1A, then one byte a second: Quonvel ends before the
// next byte comes, with the diagnostic printed.
TEST_F(Live, CtrlZEndsASlowPipeAtOnce) {
  int writer = -1;
  Child child = StartReading(false, writer);
  ASSERT_GT(child.pid, 0);
  ASSERT_GE(writer, 0);
  ASSERT_TRUE(WriteAll(writer, "ltc E1: before\n\x1A"));
  std::string printed;
  const int exitCode = WaitFor(child.pid, 1s);
  for (int i = 0; i < 3 && exitCode < 0 && WriteAll(writer, "x"); ++i) {
    std::this_thread::sleep_for(1s);
  }
  close(writer);
  ReadUntil(child.out, printed, std::string::npos, 10s);
  close(child.out);
  EXPECT_EQ(exitCode, 0) << "still reading a second after the 0x1A";
  EXPECT_EQ(printed, OutputLines({"ltc E1: before"}));
  if (exitCode < 0) WaitFor(child.pid, 10s);
}

// The reader of the output takes one line and goes; the input never ends.
// Quonvel stops reading and exits with the run's own exit code.
TEST_F(Live, VanishedReaderEndsTheRun) {
  int writer = -1;
  Child child = StartReading(true, writer);
  ASSERT_GT(child.pid, 0);
  std::thread toolchain([writer] {
    std::string lines;
    for (int i = 0; i < 1000; ++i) lines += "ltc E1: line " + std::to_string(i) + "\n";
    while (WriteAll(writer, lines)) {
    }
    close(writer);
  });
  std::string printed;
  EXPECT_TRUE(ReadUntil(child.out, printed, 1, 5s));
  close(child.out);
  const int exitCode = WaitFor(child.pid, 5s);
  if (exitCode < 0) kill(child.pid, SIGKILL);
  toolchain.join();
  EXPECT_EQ(exitCode, 0);
}

// A runner that made its ends of the pipes non-blocking (Node-based ones do)
// pauses while it writes the log and reads slowly: Quonvel waits for both,
// and every line arrives, whole, in each layout. Every diagnostic names its
// file, so that the output does not depend on the log's name.
TEST_F(Live, NonBlockingPipesLoseNothing) {
  std::string parts[3];
  for (int i = 0; i < 9'000; ++i) {
    const std::string n = std::to_string(i + 1);
    parts[i / 3'000] +=
        "ctc W505: [\"src/a" + n + ".c\" " + n + "/23] narrower type\r\n" + "[ 10%] Building\r\n";
  }
  for (const std::string& format : LayoutNames()) {
    SCOPED_TRACE(format);
    int in[2] = {-1, -1}, out[2] = {-1, -1};
    ASSERT_EQ(pipe2(in, O_CLOEXEC), 0);
    ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
    fcntl(in[0], F_SETFL, O_NONBLOCK);
    fcntl(out[1], F_SETFL, O_NONBLOCK);
    Child child = Start("-", in[0], out[1], {"--TypCC=TriCore", "--Format=" + format});
    ASSERT_GT(child.pid, 0);
    std::thread toolchain([&parts, writer = in[1]] {
      for (const std::string& part : parts) {
        std::this_thread::sleep_for(200ms);
        WriteAll(writer, part);
      }
      close(writer);
    });
    std::string printed;
    char buffer[4096];
    for (ssize_t got = 0; (got = read(out[0], buffer, sizeof buffer)) != 0;) {
      if (got < 0 && errno != EINTR) break;
      if (got > 0) printed.append(buffer, static_cast<std::size_t>(got));
      std::this_thread::sleep_for(100us);
    }
    toolchain.join();
    close(out[0]);
    EXPECT_EQ(WaitFor(child.pid, 10s), 0);
    const std::string full = Converted(parts[0] + parts[1] + parts[2], format);
    EXPECT_TRUE(printed == full) << printed.size() << " bytes of " << full.size();
  }
}

// Nobody reads the output (a paused pager, a stalled runner): a stop still
// ends the run, and the pipe holds whole lines. The run is stopped once the
// pipe is full, when it waits to write.
// A stop while the reader stalls ends the run within a second: a line
// partly written is finished when the reader takes it within the grace, and
// given up when it does not (a 70,000-byte line fills the pipe mid-line).
TEST_F(Live, StopWhileTheReaderStalls) {
  std::string shortLines;
  for (int i = 0; i < 20'000; ++i) {
    shortLines +=
        "ctc W505: [\"src/a" + std::to_string(i) + ".c\" 1/2] " + std::string(i % 200, 't') + "\n";
  }
  const std::string longLine = "ctc E1: [\"a.c\" 1/2] " + std::string(70'000, 'x') + "\n";
  const struct {
    const char* what;
    std::string log;
    bool readsAfterStop;  // the reader takes what is left after the stop
  } cases[] = {
      {"short lines", shortLines, false},
      {"a long line, the reader gone quiet", longLine, false},
      {"a long line, the reader back in time", longLine, true},
  };
  const fs::path input = dir_ / "build.log";
  for (const auto& c : cases) {
    std::ofstream(input, std::ios::binary)
        .write(c.log.data(), static_cast<std::streamsize>(c.log.size()));
    for (const std::string& format : LayoutNames()) {
      SCOPED_TRACE(format + ", " + c.what);
      Child child = Start(input.string(), open("/dev/null", O_RDONLY | O_CLOEXEC), -1,
                          {"--TypCC=TriCore", "--Format=" + format});
      ASSERT_GT(child.pid, 0);
      const int capacity = fcntl(child.out, F_GETPIPE_SZ);
      const int fill = std::min<int>(capacity, static_cast<int>(Converted(c.log, format).size()));
      for (int held = 0, i = 0; held < fill - 8192 && i < 1000; ++i) {
        std::this_thread::sleep_for(5ms);
        ioctl(child.out, FIONREAD, &held);
      }
      const auto stop = std::chrono::steady_clock::now();
      kill(child.pid, SIGTERM);
      std::string printed;
      if (c.readsAfterStop) ReadUntil(child.out, printed, std::string::npos, 300ms);
      // A guard against a hang; bench/pressure measures the time.
      const int exitCode = WaitFor(child.pid, 5s);
      const auto took = std::chrono::steady_clock::now() - stop;
      if (exitCode < 0) kill(child.pid, SIGKILL);
      EXPECT_EQ(exitCode, 128 + SIGTERM);
      EXPECT_LT(took, 5s);
      ReadUntil(child.out, printed, std::string::npos, 1s);
      close(child.out);
      if (exitCode < 0) WaitFor(child.pid, 10s);
      if (c.log == shortLines || c.readsAfterStop) {
        EXPECT_TRUE(WholeLinesOf(printed, Converted(c.log, format)));
      }
    }
  }
}

// The compiler type is checked before the log is opened: a FIFO without a
// writer does not keep the run waiting.
TEST_F(Live, WrongTypeDoesNotOpenAFifo) {
  const fs::path fifo = dir_ / "build.log";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  Child child =
      Start(fifo.string(), open("/dev/null", O_RDONLY | O_CLOEXEC), -1, {"--TypCC=Tricore"});
  ASSERT_GT(child.pid, 0);
  const int exitCode = WaitFor(child.pid, 10s);
  if (exitCode < 0) kill(child.pid, SIGKILL);
  close(child.out);
  EXPECT_EQ(exitCode, ExitCodeOf(-3));
}

// A build tool stops the step at any moment: what reached the file is always
// a run of whole lines of the full output, and the exit code tells of the
// signal; an --Output file is whole or the previous one.
TEST_F(Live, StoppedRunLeavesWholeLines) {
  // Lines of a few pages each: a kill that cut a write would cut a line.
  const std::string text(6000, 't');
  std::string log;
  for (int i = 0; i < 2'000; ++i) {
    const std::string n = std::to_string(i);
    log += "ctc W505: [\"src/drivers/can_drv_" + n + ".c\" " + n + "/23] " + text + n +
           "\r\ncptc E1234: [\"src/app/motor.cpp\" " + n + "] identifier \"speedLimit\" " + n +
           "\r\n  speed = speedLimit;\r\nltc E100: undefined symbol \"can_send_" + n + "\"\r\n";
  }
  const fs::path input = dir_ / "dense.log";
  std::ofstream(input, std::ios::binary)
      .write(log.data(), static_cast<std::streamsize>(log.size()));
  const std::string full = Converted(log);
  ASSERT_GT(full.size(), log.size() / 2);
  std::mt19937 random(19);
  const fs::path output = dir_ / "out.txt";
  int stopped = 0;
  for (int round = 0; round < 200; ++round) {
    const int signal = round % 2 == 0 ? SIGTERM : SIGINT;
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(out, 0);
    Child child = Start(input.string(), open("/dev/null", O_RDONLY | O_CLOEXEC), out);
    ASSERT_GT(child.pid, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 30'000));
    kill(child.pid, signal);
    const int exitCode = WaitFor(child.pid, 10s);
    std::ifstream file(output, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(file)), {});
    ASSERT_TRUE(exitCode == 0 || exitCode == 128 + signal) << exitCode << ", round " << round;
    stopped += exitCode != 0;
    ASSERT_TRUE(WholeLinesOf(written, full)) << "round " << round;
    if (exitCode == 0) {
      EXPECT_EQ(written, full);
    }
  }
  EXPECT_GT(stopped, 50);

  // With --Output the file is the previous one until the run is complete;
  // SIGTERM and SIGINT leave nothing else, and on Linux, where the new file
  // has no name until it is whole, SIGKILL does not either. Elsewhere the
  // next run removes what a killed one left.
  const fs::path target = dir_ / "report.txt";
  stopped = 0;
  for (int round = 0; round < 90; ++round) {
    const int signal = round % 3 == 0 ? SIGTERM : round % 3 == 1 ? SIGINT : SIGKILL;
    std::ofstream(target) << "previous";
    Child child = Start(input.string(), open("/dev/null", O_RDONLY | O_CLOEXEC),
                        open("/dev/null", O_WRONLY | O_CLOEXEC),
                        {"--TypCC=TriCore", "--Output=" + target.string()});
    ASSERT_GT(child.pid, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 30'000));
    kill(child.pid, signal);
    const int exitCode = WaitFor(child.pid, 10s);
    std::ifstream file(target, std::ios::binary);
    const std::string kept((std::istreambuf_iterator<char>(file)), {});
    ASSERT_TRUE(exitCode == 0 || exitCode == 128 + signal) << exitCode << ", round " << round;
    stopped += exitCode != 0;
    ASSERT_TRUE(kept == (exitCode == 0 ? full : "previous")) << "round " << round;
    int left = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir_)) {
      const fs::path& name = entry.path();
      left += name != input && name != output && name != target && name != dir_ / "reference.log";
    }
#ifdef __linux__
    ASSERT_EQ(left, 0) << "round " << round;
#else
    ASSERT_LE(left, 1) << "round " << round;
#endif
  }
  EXPECT_GT(stopped, 30);
}

}  // namespace
#endif
