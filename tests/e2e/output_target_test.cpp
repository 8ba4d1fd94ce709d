// Where --Output writes, in every layout the program names: never over the
// log, never replacing a device, a FIFO or a link, a replaced file keeping
// its permission bits, and nothing touched when the log cannot be read; and a
// reader that leaves early does not change what --FailOn decides.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "run_process.h"

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

void Put(const fs::path& path, const std::string& bytes, fs::perms mode = fs::perms(0644)) {
  std::ofstream(path, std::ios::binary) << bytes;
  fs::permissions(path, mode);
}

enum class Target { kInputElsewhere, kFifo, kNullDevice, kLink, kPrivate, kLongName };
enum class Input { kLog, kMissing, kUnreadable };

struct Case {
  const char* what;
  Target target;
  Input input;
  int exitCode;
};

class OutputTarget : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("quonvel-output-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_);
    Put(log_ = dir_ / "build.log", "ctc W1: [\"a.c\" 1/2] w\nltc E2: e\n");
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  ProcessResult Run(const std::string& layout, const std::string& input, const fs::path& output) {
    return RunProcess(QuonvelPath(), {"Quonvel", "--InputFile=" + input, "--TypCC=TriCore",
                                      "--Format=" + layout, "--Output=" + output.string()});
  }
  void Expect(const std::string& layout, const Case& c);

  fs::path dir_;
  fs::path log_;
};

// A target of each kind, with what it holds before; the layout's text, read
// back from it or from the file it leads to, and what must stay of it after.
void OutputTarget::Expect(const std::string& layout, const Case& c) {
  SCOPED_TRACE(layout + ": " + c.what);
  const std::string expected = RunProcess(QuonvelPath(), {"Quonvel", "--InputFile=" + log_.string(),
                                                          "--TypCC=TriCore", "--Format=" + layout})
                                   .out;
  fs::path target = dir_ / "report";
  fs::path holder = target;  // what holds the text afterwards
  int fifo = -1;
  fs::perms mode = fs::perms(0644);
  if (c.target == Target::kInputElsewhere) {
    fs::create_hard_link(log_, target);
    holder = log_;
  } else if (c.target == Target::kFifo) {
    ASSERT_EQ(mkfifo(target.c_str(), 0600), 0);
    fifo = open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);  // a reader, so none waits
  } else if (c.target == Target::kNullDevice) {
    // Root could replace the real /dev/null: a device of our own stands in.
    if (geteuid() != 0) {
      target = "/dev/null";
    } else {
      ASSERT_EQ(mknod(target.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    }
  } else if (c.target == Target::kLink) {
    holder = dir_ / "real";
    Put(holder, "previous", mode = fs::perms(0640));
    fs::create_symlink("real", target);
  } else {
    if (c.target == Target::kLongName) holder = target = dir_ / std::string(250, 'n');
    Put(target, "previous", mode = c.target == Target::kPrivate ? fs::perms(0600) : mode);
  }
  const std::string before = fs::is_regular_file(holder) ? Read(holder) : "";
  const fs::file_type type = fs::symlink_status(target).type();
  const std::string input = c.input == Input::kMissing      ? (dir_ / "missing.log").string()
                            : c.input == Input::kUnreadable ? "/proc/self/mem"
                                                            : log_.string();
  const ProcessResult run = Run(layout, input, target);
  EXPECT_EQ(run.exitCode, ExitCodeOf(c.exitCode));
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.empty(), c.exitCode == 0) << run.err;
  EXPECT_EQ(fs::symlink_status(target).type(), type);
  if (fifo >= 0) {
    std::string got(expected.size() + 1, '\0');
    got.resize(static_cast<std::size_t>(std::max<ssize_t>(0, read(fifo, got.data(), got.size()))));
    close(fifo);
    EXPECT_EQ(got, expected);
  }
  if (fs::is_regular_file(holder)) {
    EXPECT_EQ(Read(holder), c.exitCode == 0 ? expected : before);
    EXPECT_EQ(fs::status(holder).permissions(), mode);
  }
  // Nothing else is left in the folder.
  std::set<fs::path> left;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir_)) left.insert(entry.path());
  left.erase(log_), left.erase(target), left.erase(holder);
  EXPECT_TRUE(left.empty()) << *left.begin();
  if (target != "/dev/null") fs::remove(target);
  if (holder != log_) fs::remove(holder);
}

TEST_F(OutputTarget, EveryKindOfTarget) {
  const Case cases[] = {
      {"the log under another name", Target::kInputElsewhere, Input::kLog, -2},
      {"a FIFO", Target::kFifo, Input::kLog, 0},
      {"a null device", Target::kNullDevice, Input::kLog, 0},
      {"a symbolic link", Target::kLink, Input::kLog, 0},
      {"a 0600 file", Target::kPrivate, Input::kLog, 0},
      {"a 250-byte name", Target::kLongName, Input::kLog, 0},
      {"a missing log", Target::kPrivate, Input::kMissing, -4},
#ifdef __linux__
      {"a log that fails its first read", Target::kLink, Input::kUnreadable, -4},
#endif
  };
  const std::vector<std::string> layouts = LayoutNames();
  ASSERT_GT(layouts.size(), 1u);
  for (const std::string& layout : layouts) {
    for (const Case& c : cases) Expect(layout, c);
  }
}

// A reader that leaves after the first line (`head -n 1`) ends the writing,
// not the counting: the error at the log's end still fails the run, and the
// summary counts the whole log.
TEST_F(OutputTarget, ReaderThatLeavesEarlyDoesNotPassAFailingLog) {
  std::string log;
  for (int i = 0; i < 100'000; ++i) log += "ctc W1: [\"a.c\" 1/2] w\n";
  Put(log_, log + "ltc E2: e\n");
  for (const std::string& layout : LayoutNames()) {
    SCOPED_TRACE(layout);
    const ProcessResult run = RunProcess(
        "/bin/bash", {"bash", "-c", "set -o pipefail; \"$0\" \"$@\" | head -n 1 >/dev/null",
                      QuonvelPath(), "--InputFile=" + log_.string(), "--TypCC=TriCore",
                      "--Format=" + layout, "--FailOn=error", "--Summary"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Quonvel: 1 error, 100000 warnings, 0 notes in " + log_.string() + "\n");
  }
}

}  // namespace
#endif
