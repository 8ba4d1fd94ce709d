#include "log/log_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

std::vector<std::string> Lines(const std::string& bytes) {
  LineQueue queue;
  BuildLineQueue(bytes, queue);
  std::vector<std::string> lines;
  LogLine line;
  while (PopLine(queue, line)) lines.emplace_back(line);
  return lines;
}

struct Case {
  std::string file;
  std::vector<std::string> queue;
};

TEST(BuildLineQueue, AppliesTextModeRulesAndJoinsCptcLines) {
  const Case cases[] = {
      {"A\nB\n", {"A", "B", ""}},
      {"A\nB", {"A", "B"}},
      {"", {""}},
      {"A\r\nB\r\n", {"A", "B", ""}},
      {"A\rB\n", {"A\rB", ""}},
      {"A\r\r\nB", {"A\r", "B"}},
      {"\r", {"\r"}},
      {"\r\r\n\n", {"\r", "", ""}},
      {"A\x1A\nB\n", {"A"}},
      {"\x1A", {""}},
      {"A\r\x1A\n", {"A\r"}},
      {"x cptc y\nz\nw\n", {"x cptc y z", "w", ""}},
      {"x cptc y\n", {"x cptc y "}},
      {"x cptc y", {"x cptc y "}},
      {"x cptc y\r\nz\r\n", {"x cptc y z", ""}},
      {"a cptc\nb cptc\nc\n", {"a cptc b cptc", "c", ""}},
      {"cptc\n\nnext\n", {"cptc ", "next", ""}},
      {"ctc W1: [\"cptc_io.c\" 1/1] x\nnext\n", {"ctc W1: [\"cptc_io.c\" 1/1] x next", ""}},
      {"cp\r\ntc\n", {"cp", "tc", ""}},
      {"a\0b\n\xff\x80"s, {"a\0b"s, "\xff\x80"}},
      {"cptc\x1A\nnext", {"cptc "}},
  };
  for (const Case& c : cases) EXPECT_EQ(Lines(c.file), c.queue) << "file: " << c.file;
}

class ReadLogFileTest : public ::testing::Test {
 protected:
  std::filesystem::path Write(const std::string& bytes) {
    // Unique per test, so that test processes running side by side do not
    // share a file.
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const auto path = std::filesystem::temp_directory_path() /
                      ("quonvel_reader_" + std::string(test->name()) + "_" + std::to_string(counter_++) + ".log");
    std::ofstream(path, std::ios::binary) << bytes;
    paths_.push_back(path);
    return path;
  }
  void TearDown() override {
    for (const auto& path : paths_) std::filesystem::remove(path);
  }

 private:
  std::vector<std::filesystem::path> paths_;
  int counter_ = 0;
};

TEST_F(ReadLogFileTest, ReadsTheWholeFileAndClosesIt) {
  InputFile input = OpenInputFile(Write("A\r\nx cptc y\nz").string());
  ASSERT_TRUE(IsOpen(input));
  LineQueue queue;
  EXPECT_TRUE(ReadLogFile(input, queue));
  EXPECT_FALSE(IsOpen(input));
  EXPECT_FALSE(input.readFailed);
  LogLine line;
  std::vector<std::string> lines;
  while (PopLine(queue, line)) lines.emplace_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"A", "x cptc y z"}));
}

TEST_F(ReadLogFileTest, EmptyFileIsOneEmptyLine) {
  InputFile input = OpenInputFile(Write("").string());
  LineQueue queue;
  EXPECT_TRUE(ReadLogFile(input, queue));
  LogLine line = "unset";
  EXPECT_TRUE(PopLine(queue, line));
  EXPECT_EQ(line, "");
  EXPECT_FALSE(PopLine(queue, line));
}

TEST_F(ReadLogFileTest, FilesThatCannotBeOpenedGiveNoLines) {
  for (const std::string& path : {std::string("/nonexistent/quonvel.log"),
                                  std::filesystem::temp_directory_path().string(), std::string()}) {
    InputFile input = OpenInputFile(path);
    EXPECT_FALSE(IsOpen(input)) << path;
    LineQueue queue;
    queue.text = "stale";
    queue.front = 0;
    EXPECT_FALSE(ReadLogFile(input, queue)) << path;
    EXPECT_FALSE(HasLines(queue)) << path;
  }
}

#ifdef __linux__
// /proc/self/mem opens but every read at offset 0 fails: the loop must end
// and report the failure instead of spinning.
TEST_F(ReadLogFileTest, ReadErrorStopsAndIsReported) {
  InputFile input = OpenInputFile("/proc/self/mem");
  ASSERT_TRUE(IsOpen(input));
  LineQueue queue;
  EXPECT_TRUE(ReadLogFile(input, queue));
  EXPECT_TRUE(input.readFailed);
  LogLine line;
  ASSERT_TRUE(PopLine(queue, line));
  EXPECT_EQ(line, "");
}
#endif

}  // namespace
