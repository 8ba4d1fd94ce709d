#include "input/line_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/run.h"
#include "rules/recognize.h"

namespace {

using namespace std::string_literals;

// Reading rules that keep every line, so that the text-mode rules show.
ReadingRules EveryLine(Recognition recognition) {
  ReadingRules rules = ReadingRulesFor(recognition);
  rules.mayMatter = nullptr;
  rules.openingBytes = nullptr;
  rules.excerptLead = {};
  return rules;
}

// Every line the reader hands out, as "<number>:<text>".
std::vector<std::string> ReadAll(LineReader& reader) {
  std::vector<std::string> lines;
  ReadLine line;
  while (reader.Next(line))
    lines.push_back(std::to_string(line.number) + ":" + std::string(line.text));
  return lines;
}

std::vector<std::string> Lines(const std::string& bytes, Recognition recognition,
                               std::size_t blockSize) {
  LineReader reader(bytes, EveryLine(recognition), blockSize);
  return ReadAll(reader);
}

TEST(LineReader, AppliesTextModeRulesAndJoinsCptcLines) {
  const struct {
    std::string file;
    std::vector<std::string> classic;
    std::vector<std::string> sound;  // where it differs
  } cases[] = {
      {"A\nB\n", {"1:A", "2:B", "3:"}, {}},
      {"A\nB", {"1:A", "2:B"}, {}},
      {"", {"1:"}, {}},
      {"A\r\nB\r\n", {"1:A", "2:B", "3:"}, {}},
      // A lone CR separates lines in the sound reading, a run of CRs with or
      // without its LF being one line end.
      {"A\rB\n", {"1:A\rB", "2:"}, {"1:A", "2:B", "3:"}},
      {"A\r\r\nB", {"1:A\r", "2:B"}, {"1:A", "2:B"}},
      {"A\r\rB\r", {"1:A\r\rB\r"}, {"1:A", "2:B", "3:"}},
      {"\r", {"1:\r"}, {"1:", "2:"}},
      // 0x1A ends the classic log; the sound one only before nothing but
      // line ends.
      {"A\x1A\nB\n", {"1:A"}, {"1:A\x1A", "2:B", "3:"}},
      {"\x1A", {"1:"}, {}},
      {"A\x1A\r\n\n\x1A\r", {"1:A"}, {}},
      {"A\n\x1A\x1A\n", {"1:A", "2:"}, {}},
      {"x cptc y\nz\nw\n", {"1:x cptc y z", "3:w", "4:"}, {"1:x cptc y", "2:z", "3:w", "4:"}},
      {"x cptc y\n", {"1:x cptc y "}, {"1:x cptc y", "2:"}},
      {"x cptc y", {"1:x cptc y "}, {"1:x cptc y"}},
      {"x cptc y\r\nz\r\n", {"1:x cptc y z", "3:"}, {"1:x cptc y", "2:z", "3:"}},
      {"a cptc\nb cptc\nc\n",
       {"1:a cptc b cptc", "3:c", "4:"},
       {"1:a cptc", "2:b cptc", "3:c", "4:"}},
      {"cptc\n\nnext\n", {"1:cptc ", "3:next", "4:"}, {"1:cptc", "2:", "3:next", "4:"}},
      {"cp\r\ntc\n", {"1:cp", "2:tc", "3:"}, {}},
      {"a\0b\n\xff\x80"s, {"1:a\0b"s, "2:\xff\x80"}, {}},
      {"cptc\x1A\nnext", {"1:cptc "}, {"1:cptc\x1A", "2:next"}},
      // Byte order marks and UTF-16, whatever the blocks the bytes come in;
      // the sound reading skips a mark that opens any line.
      {"\xEF\xBB\xBFltc E1: a\r\nb", {"1:ltc E1: a", "2:b"}, {}},
      {"\xEF\xBB", {"1:\xEF\xBB"}, {}},
      {"\xEF\xBB\xBF", {"1:"}, {}},
      {"a\n\xEF\xBB\xBF", {"1:a", "2:\xEF\xBB\xBF"}, {"1:a", "2:"}},
      {"a\r\xEF\xBB\xBF"
       "b\n",
       {"1:a\r\xEF\xBB\xBF"
        "b",
        "2:"},
       {"1:a", "2:b", "3:"}},
      {"\xFF\xFE", {"1:"}, {}},
      {"\xFF\xFE"
       "a\0\r\0\n\0\xE9\0\x3D\xD8\x00\xDE\n\0"s,
       {"1:a", "2:\xC3\xA9\xF0\x9F\x98\x80", "3:"},
       {}},
      {"\xFF\xFE"
       "a\0\n\0\xFF\xFE"
       "b\0"s,
       {"1:a",
        "2:\xEF\xBB\xBF"
        "b"},
       {"1:a", "2:b"}},
      {"\xFE\xFF\0a\xD8\0\0b\0\x1A\0c"s,
       {"1:a\xEF\xBF\xBD"
        "b"},
       {"1:a\xEF\xBF\xBD"
        "b\x1A"
        "c"}},
      {"\xFF\xFE"
       "a\0\n"s,
       {"1:a\xEF\xBF\xBD"},
       {}},  // an odd byte at the end
  };
  for (const auto& c : cases) {
    for (const std::size_t blockSize : {1, 2, 3, 64}) {
      EXPECT_EQ(Lines(c.file, Recognition::kClassic, blockSize), c.classic)
          << c.file << " in blocks of " << blockSize;
      EXPECT_EQ(Lines(c.file, Recognition::kSound, blockSize),
                c.sound.empty() ? c.classic : c.sound)
          << c.file << " in blocks of " << blockSize;
    }
  }
}

// With everyLine, the real rules pass over nothing, and each line comes with
// the bytes it took; an excerpt taken is no later line's. A read that ends
// inside a run of CRs may leave the rest of that line end to the next
// line's bytes: in small blocks only the bytes as a whole are the same.
TEST(LineReader, EveryLineHandsOutTheRawBytes) {
  const struct {
    Recognition recognition;
    std::string file;
    std::vector<std::string> lines;  // "<number>:<text>|<raw>"
  } cases[] = {
      {Recognition::kClassic,
       "make all\r\nx cptc y\r\nz\nw",
       {"1:make all|make all\r\n", "2:x cptc y z|x cptc y\r\nz\n", "4:w|w"}},
      {Recognition::kClassic, "cptc\n", {"1:cptc |cptc\n"}},
      {Recognition::kClassic, "a\rb\x1A\n", {"1:a\rb|a\rb"}},
      {Recognition::kSound,
       "ctc E294: [\"a.c\" 57/14] undeclared\r[ 50%] Building x\r\n",
       {"1:ctc E294: [\"a.c\" 57/14] undeclared|ctc E294: [\"a.c\" 57/14] undeclared\r",
        "2:[ 50%] Building x|[ 50%] Building x\r\n", "3:|"}},
      {Recognition::kSound,
       "cptc E1: [\"a.cpp\" 3] t\r\n   3   x;\r\n\xEF\xBB\xBFnext\x1A\n",
       {"1:cptc E1: [\"a.cpp\" 3] t|cptc E1: [\"a.cpp\" 3] t\r\n", "3:next|\xEF\xBB\xBFnext"}},
  };
  for (const auto& c : cases) {
    for (const std::size_t blockSize : {1, 5, 23, 64}) {
      ReadingRules rules = ReadingRulesFor(c.recognition);
      rules.everyLine = true;
      LineReader reader(c.file, rules, blockSize);
      std::vector<std::string> lines, expected;
      std::string raw, expectedRaw;
      ReadLine line;
      while (reader.Next(line)) {
        lines.push_back(std::to_string(line.number) + ":" + std::string(line.text));
        raw += line.raw;
        // Appended, not "|" + ...: MinGW's GCC 12 takes that for an
        // overlapping copy (-Wrestrict).
        if (blockSize == 64) lines.back().append("|").append(line.raw);
        std::string_view excerpt;
        reader.TakeExcerpt(excerpt);
      }
      for (const std::string& l : c.lines) {
        expected.push_back(blockSize == 64 ? l : l.substr(0, l.find('|')));
        expectedRaw += l.substr(l.find('|') + 1);
      }
      EXPECT_EQ(lines, expected) << c.file << " in blocks of " << blockSize;
      EXPECT_EQ(raw, expectedRaw) << c.file << " in blocks of " << blockSize;
    }
  }
}

// The logical lines of `bytes` read the obvious way: getline-style physical
// lines, the line end's CR dropped, 0x1A ends the input, and in the classic
// reading a line holding "cptc" takes the next after a blank; in the sound
// one every CR ends a line too, a run of them with its LF being one end, a
// 0x1A ends it only before nothing but line ends, and a line's byte order
// mark is dropped.
std::vector<ReadLine> Reference(std::string_view bytes, Recognition recognition,
                                std::vector<std::string>& texts) {
  const bool sound = recognition == Recognition::kSound;
  const std::string_view bom = "\xEF\xBB\xBF";
  if (!sound) {
    if (bytes.starts_with(bom)) bytes.remove_prefix(3);
    bytes = bytes.substr(0, bytes.find('\x1A'));
  } else {
    std::size_t run = bytes.size();
    while (run > 0 &&
           (bytes[run - 1] == '\n' || bytes[run - 1] == '\r' || bytes[run - 1] == '\x1A'))
      --run;
    bytes = bytes.substr(0, std::min(bytes.size(), bytes.find('\x1A', run)));
  }
  std::size_t at = 0;
  bool atEnd = false;
  const auto physical = [&] {
    const std::size_t end = bytes.find_first_of(sound ? "\r\n" : "\n", at);
    std::string line(bytes.substr(at, end == std::string_view::npos ? end : end - at));
    atEnd = end == std::string_view::npos;
    at = atEnd ? bytes.size() : end + 1;
    if (sound) {
      while (!atEnd && at < bytes.size() && bytes[end] == '\r' && bytes[at] == '\r') ++at;
      if (!atEnd && bytes[end] == '\r' && at < bytes.size() && bytes[at] == '\n') ++at;
      if (line.starts_with(bom)) line.erase(0, 3);
    } else if (!atEnd && !line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    return line;
  };
  std::vector<ReadLine> lines;
  texts.clear();
  texts.reserve(bytes.size() + 1);  // the views stay valid
  std::uint64_t number = 1;
  do {
    const std::uint64_t first = number++;
    std::string line = physical();
    if (!sound && line.find("cptc") != std::string::npos) {
      line += ' ' + (atEnd ? std::string() : physical());
      ++number;
    }
    texts.push_back(line);
    lines.push_back({texts.back(), first, {}});
  } while (!atEnd);
  return lines;
}

// The reader with its real rules passes over lines unseen: what it hands out
// must be logical lines of the plain reading, in order and with their
// numbers, and it must leave out no line that is a diagnostic.
TEST(LineReader, PassesOverNoDiagnosticOnGeneratedLogs) {
  const std::vector<std::string> pieces = {"\n",
                                           "\r",
                                           "\r\n",
                                           "c",
                                           "t",
                                           "p",
                                           "l",
                                           "x",
                                           " ",
                                           "tc",
                                           "ctc",
                                           "ltc",
                                           "cptc",
                                           "xtc",
                                           "No valid license found",
                                           std::string(1, '\0'),
                                           "cptc E1: [\"",
                                           "cptc\tW02;\r [\"",
                                           "ctc W5: [\"a.c\" 1/2] t",
                                           "ltc E1: x",
                                           "xtc I3: [\"s.src\" 4] y",
                                           " 12 x;",
                                           "ctc F104: a: No valid license found",
                                           "\xEF\xBB\xBF",
                                           "\x1A",
                                           "\xff"};
  std::mt19937 random(7);
  std::vector<std::string> texts;
  for (int round = 0; round < 6000; ++round) {
    std::string bytes;
    const std::size_t count = random() % (round % 10 == 0 ? 200 : 40);
    for (std::size_t i = 0; i < count; ++i) {
      if (random() % 8 == 0) bytes.append(random() % 70, 'x');
      bytes += pieces[random() % (round % 3 == 0 ? pieces.size() : pieces.size() - 2)];
      if (random() % 3 == 0) bytes += '\n';
    }
    const std::size_t blockSize = round % 4 == 0 ? LineReader::kBlockSize : 1 + round % 9;
    for (const Recognition recognition : {Recognition::kClassic, Recognition::kSound}) {
      const std::vector<ReadLine> expected = Reference(bytes, recognition, texts);
      LineReader reader(bytes, ReadingRulesFor(recognition), blockSize);
      std::size_t next = 0;
      ReadLine line;
      while (reader.Next(line)) {
        while (next < expected.size() && expected[next].number != line.number) {
          Diagnostic unused;
          ASSERT_FALSE(RecognizeLine(expected[next].text, recognition, unused))
              << "passed over line " << expected[next].number << " \"" << expected[next].text
              << "\", round " << round;
          ++next;
        }
        ASSERT_LT(next, expected.size()) << "round " << round;
        ASSERT_EQ(line.text, expected[next].text) << "round " << round;
        ++next;
      }
      for (; next < expected.size(); ++next) {
        Diagnostic unused;
        ASSERT_FALSE(RecognizeLine(expected[next].text, recognition, unused))
            << "passed over line " << expected[next].number << " \"" << expected[next].text
            << "\", round " << round;
      }
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
  InputFile input = OpenInputFile(Write("A\r\nx cptc y\nz").string());
  ASSERT_TRUE(IsOpen(input));
  LineReader reader(input, EveryLine(Recognition::kClassic), 3);
  EXPECT_EQ(ReadAll(reader), (std::vector<std::string>{"1:A", "2:x cptc y z"}));
  EXPECT_FALSE(IsOpen(input));
  EXPECT_FALSE(reader.ReadFailed());
}

TEST_F(ReadFileTest, FilesThatCannotBeOpenedGiveNoLines) {
  for (const std::string& path : {std::string("/nonexistent/quonvel.log"),
                                  std::filesystem::temp_directory_path().string(), std::string()}) {
    InputFile input = OpenInputFile(path);
    EXPECT_FALSE(IsOpen(input)) << path;
    LineReader reader(input, EveryLine(Recognition::kClassic));
    EXPECT_TRUE(ReadAll(reader).empty()) << path;
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
// before are handed out, not the unfinished one, and the failure is told.
TEST(LineReader, ReadErrorInTheMiddleKeepsTheLinesBefore) {
  std::string bytes = "A\r\nB\nctc W1: [\"a.c\" 1/2] undefi";
  InputFile input;
  input.handle.reset(fopencookie(&bytes, "rb", {ReadThenFail, nullptr, nullptr, nullptr}));
  ASSERT_TRUE(IsOpen(input));
  LineReader reader(input, EveryLine(Recognition::kClassic), 2);
  EXPECT_EQ(ReadAll(reader), (std::vector<std::string>{"1:A", "2:B"}));
  EXPECT_TRUE(reader.ReadFailed());
  EXPECT_FALSE(IsOpen(input));
}
#endif

}  // namespace
