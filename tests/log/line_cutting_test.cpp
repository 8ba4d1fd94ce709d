// The reader cuts lines and finds marker texts 64 bytes at a time; compare it
// with a plain reading of the same rules on many generated logs.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "log/log_reader.h"
#include "regex_oracle.h"

namespace {

struct Line {
  std::string text;
  bool ctc, ltc, cptc, license;
  std::uint64_t number = 0;  // of its first physical line; counted in the sound reading only
  bool operator==(const Line&) const = default;
};

void PrintTo(const Line& line, std::ostream* out) {
  *out << '"' << line.text << "\" ctc=" << line.ctc << " ltc=" << line.ltc << " cptc=" << line.cptc
       << " license=" << line.license << " line " << line.number;
}

Line WithMarkers(std::string text, std::uint64_t number = 0) {
  const LineMarkers markers = SubstringMarkers(text);
  return {text, markers.ctc, markers.ltc, markers.cptc, markers.license, number};
}

bool TakesNext(const std::string& line, Recognition recognition) {
  static const std::regex kCptcStart(R"(^cptc[[:space:]]+(E|F|W)[0-9]+[[:punct:]][[:space:]]+\[")");
  return recognition == Recognition::kClassic ? line.find("cptc") != std::string::npos
                                              : std::regex_search(line, kCptcStart);
}

// The rules read the obvious way: getline-style physical lines, CR LF folded,
// 0x1A ends the input, a line that takes a continuation takes the next one
// after a blank. The sound reading drops a UTF-8 byte order mark first.
std::vector<Line> Reference(std::string bytes, Recognition recognition = Recognition::kClassic) {
  const bool sound = recognition == Recognition::kSound;
  if (sound && bytes.starts_with("\xEF\xBB\xBF")) bytes.erase(0, 3);
  if (const auto stop = bytes.find('\x1A'); stop != std::string::npos) bytes.resize(stop);
  std::size_t at = 0;
  bool atEnd = false;
  const auto physical = [&] {
    if (at >= bytes.size()) {
      atEnd = true;
      return std::string();
    }
    const std::size_t lf = bytes.find('\n', at);
    std::string line = bytes.substr(at, lf == std::string::npos ? std::string::npos : lf - at);
    at = lf == std::string::npos ? bytes.size() : lf + 1;
    if (lf == std::string::npos) atEnd = true;
    if (lf != std::string::npos && !line.empty() && line.back() == '\r') line.pop_back();
    return line;
  };
  std::vector<Line> lines;
  std::uint64_t number = 1;
  do {
    const std::uint64_t first = number++;
    std::string line = physical();
    if (TakesNext(line, recognition)) {
      line += ' ' + (atEnd ? std::string() : physical());
      ++number;
    }
    lines.push_back(WithMarkers(line, sound ? first : 0));
  } while (!atEnd);
  return lines;
}

// Every logical line, or with `markedOnly` those that PopMarked hands out,
// of every part the reader cuts when it reads `blockSize` bytes at a time.
std::vector<Line> Cut(const std::string& bytes, std::size_t blockSize, bool markedOnly = false,
                      Recognition recognition = Recognition::kClassic) {
  LogReader reader(bytes, recognition, blockSize);
  const bool sound = recognition == Recognition::kSound;
  std::vector<Line> lines;
  LogPart part;
  while (reader.NextPart(part)) {
    LineQueue queue = part.Lines();
    LogLine line;
    LineMarkers markers;
    while (markedOnly ? queue.PopMarked(line, markers) : queue.Pop(line, markers)) {
      lines.push_back({std::string(line), markers.ctc, markers.ltc, markers.cptc, markers.license,
                       sound ? queue.LineNumber() : 0});
    }
    reader.Recycle(part);
  }
  return lines;
}

std::vector<Line> OnlyMarked(std::vector<Line> lines) {
  std::erase_if(
      lines, [](const Line& line) { return !(line.ctc || line.ltc || line.cptc || line.license); });
  return lines;
}

TEST(LineCutting, AgreesWithThePlainReadingOnGeneratedLogs) {
  const std::vector<std::string> pieces = {"\n",
                                           "\r",
                                           "\r\n",
                                           "c",
                                           "t",
                                           "p",
                                           "l",
                                           "x",
                                           " ",
                                           "N",
                                           "tc",
                                           "ctc",
                                           "ltc",
                                           "cptc",
                                           "No valid license found",
                                           "No valid",
                                           "license found",
                                           std::string(1, '\0'),
                                           "cptc E1: [\"",
                                           "cptc\tW02;\r [\"",
                                           "cptc F3- [",
                                           "\xEF\xBB\xBF",
                                           "\x1A",
                                           "\xff"};
  std::mt19937 random(7);
  for (int round = 0; round < 20000; ++round) {
    std::string bytes;
    const std::size_t count = random() % (round % 10 == 0 ? 200 : 40);
    for (std::size_t i = 0; i < count; ++i) {
      // Long stretches of filler move the pieces across the 64-byte chunks.
      if (random() % 8 == 0) bytes.append(random() % 70, 'x');
      bytes += pieces[random() % (round % 3 == 0 ? pieces.size() - 1 : pieces.size() - 2)];
    }
    if (round % 5 == 0) bytes.insert(0, "\xEF\xBB\xBF");
    // Blocks of a few bytes put every block edge everywhere: inside CR LF,
    // inside "cptc", at a 0x1A, inside a line longer than several blocks.
    const std::size_t blockSize = round % 4 == 0 ? LogReader::kBlockSize : 1 + round % 9;
    for (const Recognition recognition : {Recognition::kClassic, Recognition::kSound}) {
      const std::vector<Line> expected = Reference(bytes, recognition);
      ASSERT_EQ(Cut(bytes, blockSize, false, recognition), expected)
          << "log of " << bytes.size() << " bytes, blocks of " << blockSize << ", round " << round;
      ASSERT_EQ(Cut(bytes, blockSize, true, recognition), OnlyMarked(expected))
          << "log of " << bytes.size() << " bytes, blocks of " << blockSize << ", round " << round;
    }
  }
}

TEST(LineCutting, FindsMarkersAtEveryChunkOffset) {
  for (const std::string marker : {"ctc", "ltc", "cptc", "No valid license found"}) {
    for (std::size_t offset = 0; offset < 140; ++offset) {
      const std::string line = std::string(offset, 'x') + marker + "x";
      const Line expected = WithMarkers(line);
      EXPECT_EQ(Cut(line, 64), Reference(line)) << marker << " at " << offset;
      const LineMarkers found = FindMarkers(line);
      EXPECT_EQ((Line{line, found.ctc, found.ltc, found.cptc, found.license}), expected)
          << marker << " at " << offset;
    }
  }
}

TEST(LineCutting, MarkedLinesOnlySkipsLinesWithoutMarkers) {
  const auto marked =
      Cut("plain\nctc -c a.c\nmore plain\nx cptc y\r\nz\nNo valid license found\nlast", 64, true);
  ASSERT_EQ(marked.size(), 3u);
  EXPECT_EQ(marked[0].text, "ctc -c a.c");
  EXPECT_EQ(marked[1].text, "x cptc y z");
  EXPECT_EQ(marked[2].text, "No valid license found");
}

TEST(LineCutting, LicenceNoticeSplitOverAJoinedLine) {
  EXPECT_EQ(Cut("cptc: No valid\nlicense found\n", 64),
            (std::vector<Line>{{"cptc: No valid license found", false, false, true, true},
                               {"", false, false, false, false}}));
  EXPECT_EQ(Cut("cptc: No valid\nlicense found\n", 64, false, Recognition::kSound),
            (std::vector<Line>{{"cptc: No valid", false, false, true, false, 1},
                               {"license found", false, false, false, false, 2},
                               {"", false, false, false, false, 3}}));
}

}  // namespace
