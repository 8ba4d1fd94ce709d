// The one pass prints the same, whatever blocks the log arrives in: a block
// edge may fall inside a line, a line end, a joined line or an excerpt.
#include "app/run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

// The lines of the golden logs: diagnostics of every rule, near misses and
// tool invocations.
std::vector<std::string> GoldenLines() {
  std::vector<std::string> lines;
  for (const auto& entry : std::filesystem::directory_iterator(QUONVEL_TEST_DATA "/golden")) {
    if (entry.path().extension() != ".log") continue;
    std::ifstream file(entry.path(), std::ios::binary);
    std::string line;
    while (std::getline(file, line)) lines.push_back(line);
  }
  return lines;
}

std::string Converted(const std::string& bytes, const LayoutEntry& entry, std::size_t blockSize) {
  LineReader reader(bytes, ReadingRulesFor(entry.recognition), blockSize);
  const std::unique_ptr<Layout> layout = entry.make({"build.log"});
  std::string printed;
  ConvertLog(reader, entry, *layout, "build.log", [&](std::string_view text) {
    (printed += text) += '\n';
    return true;
  });
  return printed;
}

TEST(ConvertLog, PrintsTheSameInBlocksOfAnySize) {
  const std::vector<std::string> lines = GoldenLines();
  ASSERT_GT(lines.size(), 20u);
  const std::vector<std::string> ends = {"\n", "\r\n",    "\n",        "\r",
                                         "",   " cptc\n", "\n57 x;\n", "\x1A"};
  std::mt19937 random(11);
  for (int round = 0; round < 300; ++round) {
    std::string bytes;
    const std::size_t count = random() % 60;
    for (std::size_t i = 0; i < count; ++i) {
      bytes += lines[random() % lines.size()];
      bytes += ends[random() % (round % 4 == 0 ? ends.size() : ends.size() - 1)];
    }
    for (const LayoutEntry& entry : Layouts()) {
      const std::string expected = Converted(bytes, entry, LineReader::kBlockSize);
      for (const std::size_t blockSize : {1, 7, 64}) {
        ASSERT_EQ(Converted(bytes, entry, blockSize), expected)
            << entry.name << " in blocks of " << blockSize << ", round " << round;
      }
    }
  }
}

// The text the layout makes is handed on in order, and a writer that takes
// no more ends the run at once.
TEST(ConvertLog, StopsWhenNobodyTakesText) {
  const std::string log = "ltc E1: a\nltc E2: b\nltc E3: c\n";
  for (const LayoutEntry& entry : Layouts()) {
    LineReader reader(log, ReadingRulesFor(entry.recognition));
    const std::unique_ptr<Layout> layout = entry.make({"build.log"});
    int calls = 0;
    const RunOutcome outcome = ConvertLog(reader, entry, *layout, "build.log",
                                          [&](std::string_view) { return ++calls < 2; });
    EXPECT_TRUE(outcome.readerGone) << entry.name;
    EXPECT_EQ(calls, 2) << entry.name;
  }
}

}  // namespace
