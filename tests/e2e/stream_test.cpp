// Inputs that are not a file of fixed size, end to end: a pipe that goes on
// after its 0x1A, and a file that grows while Quonvel reads it. The log is
// read as a stream, so neither may make Quonvel read without end or lose the
// lines it has read.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "run_process.h"

namespace fs = std::filesystem;

namespace {

class Stream : public testing::Test {
 protected:
  void SetUp() override {
    // A writer whose reader has gone gets EPIPE instead of the signal.
    std::signal(SIGPIPE, SIG_IGN);
    const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    dir_ = fs::temp_directory_path() /
           ("quonvel-stream-" + name + "-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  static ProcessResult Run(const fs::path& input) {
    return RunProcess(QuonvelPath(),
                      {"Quonvel", "--InputFile=" + input.string(), "--TypCC=TriCore"});
  }

  fs::path dir_;
};

// Writes all of `bytes`; false once the reader has gone.
bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t got = write(fd, bytes.data(), bytes.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(got));
  }
  return true;
}

// A diagnostic, a 0x1A, then more bytes than Quonvel would ever hold: it
// converts the diagnostic, stops reading and exits, and the writer finds the
// pipe closed long before it has written them all. The writer is bounded, so
// a Quonvel that reads on cannot hang the test.
TEST_F(Stream, PipeThatGoesOnAfterCtrlZ) {
  const fs::path fifo = dir_ / "build.log";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  constexpr std::size_t kBound = std::size_t{256} << 20;
  std::atomic<std::size_t> written{0};
  std::thread writer([&] {
    // Opening without a reader fails at once; wait for Quonvel's open.
    int fd = -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while ((fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) < 0 &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (fd < 0) return;
    fcntl(fd, F_SETFL, 0);
    const std::string filler(1 << 16, 'x');
    std::size_t total = 0;
    if (WriteAll(fd,
                 "ltc E1: before\n\x1A"
                 "ltc E1: after\n")) {
      while (total < kBound && WriteAll(fd, filler)) total += filler.size();
    }
    written = total;
    close(fd);
  });
  const ProcessResult result = Run(fifo);
  writer.join();
  ASSERT_TRUE(result.started) << result.err;
  EXPECT_EQ(result.out, OutputLines({"ltc E1: before"}));
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_LT(written.load(), kBound / 4) << "Quonvel read on after the 0x1A";
}

// Lines are appended while Quonvel reads: it prints the lines of the file
// as far as it got, in order, none twice, and ends normally. The last line
// may have been caught half written.
TEST_F(Stream, FileThatGrowsWhileRead) {
  const fs::path log = dir_ / "build.log";
  const std::string filler = "[ 10%] Building object " + std::string(200, 'o') + "\n";
  const auto line = [](std::size_t i) { return "ltc E1: line " + std::to_string(i); };
  constexpr std::size_t kFirst = 50'000;
  {
    std::string start;
    for (std::size_t i = 0; i < kFirst; ++i) start += filler + line(i) + "\n";
    const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(WriteAll(fd, start));
    close(fd);
  }
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    const int fd = open(log.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    for (std::size_t i = kFirst; fd >= 0 && !stop && i < 20 * kFirst; ++i) {
      if (!WriteAll(fd, filler + line(i) + "\n")) break;
    }
    if (fd >= 0) close(fd);
  });
  const ProcessResult result = Run(log);
  stop = true;
  writer.join();
  ASSERT_TRUE(result.started) << result.err;
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  std::istringstream printed(result.out);
  std::string text;
  std::size_t count = 0;
  std::vector<std::string> wrong;
  while (std::getline(printed, text)) {
    const std::string expected = line(count++);
    const bool last = printed.peek() == EOF;
    if (text != expected && !(last && expected.starts_with(text))) wrong.push_back(text);
  }
  EXPECT_GE(count, kFirst);
  EXPECT_TRUE(wrong.empty()) << wrong.size() << " lines out of place, the first: " << wrong[0];
}

}  // namespace
#endif
