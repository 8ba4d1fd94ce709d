#include "log/log_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

// Every logical line of every part, and the parts' texts.
struct Reading {
  std::vector<std::string> lines;
  std::vector<std::string> parts;
};

Reading ReadAll(LogReader& reader) {
  Reading reading;
  LogPart part;
  while (reader.NextPart(part)) {
    reading.parts.emplace_back(part.Text());
    LineQueue queue = part.Lines();
    LogLine line;
    LineMarkers markers;
    while (queue.Pop(line, markers)) reading.lines.emplace_back(line);
    reader.Recycle(part);
  }
  return reading;
}

std::vector<std::string> Lines(const std::string& bytes) {
  LogReader reader(bytes);
  return ReadAll(reader).lines;
}

struct Case {
  std::string file;
  std::vector<std::string> queue;
};

TEST(LogReader, AppliesTextModeRulesAndJoinsCptcLines) {
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

// Parts end after the last line without "cptc" read so far, or, when every
// line read holds it, after the last whole logical line: memory stays at a
// few blocks however the lines are made.
TEST(LogReader, CutsPartsAfterWholeLogicalLines) {
  const struct {
    std::string text;
    std::size_t blockSize;
    std::vector<std::string> parts;
  } cases[] = {
      {"", 4, {""}},
      {"abc", 1, {"abc"}},
      {"a\nb\nc\n", 2, {"a\n", "b\n", "c\n", ""}},
      {"a\nb\nc", 100, {"a\nb\nc"}},
      {"cptc\nx\ny\n", 3, {"cptc\nx\ny\n", ""}},
      {"cptc\ncptc\ny\nz", 1, {"cptc\ncptc\n", "y\n", "z"}},
      {"a\r\ncptc\r\nb\r\nc", 4, {"a\r\n", "cptc\r\nb\r\n", "c"}},
      {"long line\nb\n", 4, {"long line\nb\n", ""}},
      {"long line\nb\n", 5, {"long line\n", "b\n"}},
      {"1 cptc\n2 cptc\n3 cptc\n4 cptc\n5 cptc\n6 cptc\n7 cptc\n8 cptc\n9 cptc\n10 cptc\n",
       70,
       {"1 cptc\n2 cptc\n3 cptc\n4 cptc\n5 cptc\n6 cptc\n7 cptc\n8 cptc\n", "9 cptc\n10 cptc\n"}},
      {"1 cptc\n2 cptc\n3 cptc\n4 cptc\n5 cptc\n6 cptc\n7 cptc\n8 cptc\n9 cptc\n10 cptc\n",
       30,
       {"1 cptc\n2 cptc\n3 cptc\n4 cptc\n", "5 cptc\n6 cptc\n7 cptc\n8 cptc\n",
        "9 cptc\n10 cptc\n"}},
      {"ab\x1A"
       "cd\ne\n",
       2,
       {"ab"}},
  };
  for (const auto& c : cases) {
    LogReader reader(c.text, c.blockSize);
    EXPECT_EQ(ReadAll(reader).parts, c.parts) << c.text << " in blocks of " << c.blockSize;
  }
}

// The sound reading: byte order marks, UTF-16 in either order, and line
// numbers, whatever the blocks the bytes come in.
TEST(LogReader, SoundReadingDecodesTheLogAndNumbersItsLines) {
  const struct {
    std::string file;
    std::vector<std::string> lines;  // each as "<number>:<text>"
  } cases[] = {
      {"\xEF\xBB\xBFltc E1: a\r\nb", {"1:ltc E1: a", "2:b"}},
      {"\xEF\xBB", {"1:\xEF\xBB"}},
      {"\xEF\xBB\xBF", {"1:"}},
      {"a\n\xEF\xBB\xBF", {"1:a", "2:\xEF\xBB\xBF"}},
      {"\xFF\xFE", {"1:"}},
      {"\xFF\xFE"
       "a\0\r\0\n\0\xE9\0\x3D\xD8\x00\xDE\n\0"s,
       {"1:a", "2:\xC3\xA9\xF0\x9F\x98\x80", "3:"}},
      {"\xFE\xFF\0a\xD8\0\0b\0\x1A\0c"s,
       {"1:a\xEF\xBF\xBD"
        "b"}},
      {"\xFF\xFE"
       "a\0\n"s,
       {"1:a\xEF\xBF\xBD"}},  // an odd byte at the end
      {"cptc -c a.cpp\ncptc W1: [\"a.cpp\" 1] t\n1 x;\nltc E2: y\n",
       {"1:cptc -c a.cpp", "2:cptc W1: [\"a.cpp\" 1] t 1 x;", "4:ltc E2: y", "5:"}},
  };
  for (const auto& c : cases) {
    for (const std::size_t blockSize : {1, 2, 3, 64}) {
      LogReader reader(c.file, Recognition::kSound, blockSize);
      std::vector<std::string> lines;
      LogPart part;
      while (reader.NextPart(part)) {
        LineQueue queue = part.Lines();
        LogLine line;
        LineMarkers markers;
        while (queue.Pop(line, markers)) {
          lines.push_back(std::to_string(queue.LineNumber()) + ":" + std::string(line));
        }
        reader.Recycle(part);
      }
      EXPECT_EQ(lines, c.lines) << c.file << " in blocks of " << blockSize;
    }
  }
}

class ReadFileTest : public ::testing::Test {
 protected:
  std::filesystem::path Write(const std::string& bytes) {
    // Unique per test, so that test processes running side by side do not
    // share a file.
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const auto path =
        std::filesystem::temp_directory_path() /
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

TEST_F(ReadFileTest, ReadsTheWholeFileAndClosesIt) {
  const struct {
    std::string file;
    std::vector<std::string> lines;
  } cases[] = {
      {"A\r\nx cptc y\nz", {"A", "x cptc y z"}},
      {"", {""}},
  };
  for (const auto& c : cases) {
    InputFile input = OpenInputFile(Write(c.file).string());
    ASSERT_TRUE(IsOpen(input));
    LogReader reader(input, 3);
    EXPECT_EQ(ReadAll(reader).lines, c.lines);
    EXPECT_FALSE(IsOpen(input));
    EXPECT_FALSE(reader.ReadFailed());
  }
}

TEST_F(ReadFileTest, FilesThatCannotBeOpenedGiveNoLines) {
  for (const std::string& path : {std::string("/nonexistent/quonvel.log"),
                                  std::filesystem::temp_directory_path().string(), std::string()}) {
    InputFile input = OpenInputFile(path);
    EXPECT_FALSE(IsOpen(input)) << path;
    LogReader reader(input);
    EXPECT_TRUE(ReadAll(reader).parts.empty()) << path;
  }
}

#ifdef __GLIBC__
// A stream that hands out `bytes`, then fails.
ssize_t ReadThenFail(void* cookie, char* to, size_t size) {
  std::string& bytes = *static_cast<std::string*>(cookie);
  if (bytes.empty()) return -1;
  const std::size_t got = std::min(size, bytes.size());
  std::memcpy(to, bytes.data(), got);
  bytes.erase(0, got);
  return static_cast<ssize_t>(got);
}

// A read that fails in the middle of the log ends it there: the lines read
// before are handed out, the partial last one too, and the failure is told.
TEST(LogReader, ReadErrorInTheMiddleKeepsTheLinesBefore) {
  std::string bytes = "A\r\nB\nhalf";
  InputFile input;
  input.handle.reset(fopencookie(&bytes, "rb", {ReadThenFail, nullptr, nullptr, nullptr}));
  ASSERT_TRUE(IsOpen(input));
  LogReader reader(input, 2);
  EXPECT_EQ(ReadAll(reader).lines, (std::vector<std::string>{"A", "B", "half"}));
  EXPECT_TRUE(reader.ReadFailed());
  EXPECT_FALSE(IsOpen(input));
}
#endif

}  // namespace
