// The one pass prints the same, whatever blocks the log arrives in: a block
// edge may fall inside a line, a line end, a joined line or an excerpt; and
// it prints what the references of the pipeline fuzz target say.
#include "app/run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "pipeline.h"
#include "pipeline_reference.h"

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

// The fuzz target's references, written from the rules as they are stated,
// agree with the program on every golden log and the sample: a rule that
// changes what a recognition prints fails here, not only after hours of
// fuzzing, until its reference says the same.
TEST(ConvertLog, PrintsWhatTheReferencesSay) {
  std::vector<std::filesystem::path> logs = {QUONVEL_EXAMPLES "/tricore-build.log"};
  for (const auto& entry : std::filesystem::directory_iterator(QUONVEL_TEST_DATA "/golden")) {
    if (entry.path().extension() == ".log") logs.push_back(entry.path());
  }
  int compared = 0;
  for (const std::filesystem::path& path : logs) {
    std::ifstream file(path, std::ios::binary);
    const std::string log{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (!ReferenceReads(log)) continue;
    ++compared;
    EXPECT_EQ(ConvertedText(log, *FindLayout("msvc")), ReferenceClassicText(log)) << path;
    EXPECT_EQ(SoundDiagnostics(log, 7), ReferenceSoundDiagnostics(log)) << path;
  }
  EXPECT_GE(compared, 3);
}

// --Echo's stream: the layout's text and, between, the raw bytes of every
// line that is no diagnostic. A run of CRs is one CR here: one that two
// reads split may reach the echo shorter (the reader holds no endless run),
// which a terminal shows alike.
std::string EchoedText(std::string_view log, const LayoutEntry& entry, std::size_t blockSize) {
  LineReader reader(log, ReadingRulesFor(entry.recognition, true), blockSize);
  const std::unique_ptr<Layout> layout = entry.make({"build.log"});
  std::string text;
  ConvertLog(
      reader, entry, *layout, "build.log",
      [&](std::string_view piece) {
        text.append(piece).append("\n");
        return true;
      },
      true, nullptr,
      [&](std::string_view raw) {
        text.append(raw);
        return true;
      });
  for (std::size_t at = text.find("\r\r"); at != std::string::npos; at = text.find("\r\r", at)) {
    text.erase(at, 1);
  }
  return text;
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
      const std::string expected = ConvertedText(bytes, entry);
      const std::string echoed = EchoedText(bytes, entry, LineReader::kBlockSize);
      for (const std::size_t blockSize : {1, 7, 64}) {
        ASSERT_EQ(ConvertedText(bytes, entry, blockSize), expected)
            << entry.name << " in blocks of " << blockSize << ", round " << round;
        ASSERT_EQ(EchoedText(bytes, entry, blockSize), echoed)
            << entry.name << " echoed in blocks of " << blockSize << ", round " << round;
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
