// Converting a log in parts, on one or two threads, prints exactly what
// converting it line by line prints.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/convert.h"
#include "rules/dispatch.h"

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

// The plain way: every logical line of the whole log, one after the other.
std::string LineByLine(const std::string& bytes) {
  LineQueue queue;
  BuildLineQueue(bytes, queue);
  std::string printed, output;
  LogLine line;
  while (PopLine(queue, line)) {
    if (DispatchLine(line, FindMarkers(line), output) && !output.empty()) printed += output + '\n';
  }
  return printed;
}

std::string InParts(const std::string& bytes, const ConvertSettings& settings) {
  LineQueue queue;
  BuildLineQueue(bytes, queue);
  std::string printed;
  ConvertLog(queue, DispatchLine, [&](std::string_view line) { (printed += line) += '\n'; }, settings);
  EXPECT_FALSE(HasLines(queue));
  return printed;
}

TEST(ConvertLog, PrintsWhatLineByLineConversionPrints) {
  const std::vector<std::string> lines = GoldenLines();
  ASSERT_GT(lines.size(), 20u);
  const std::vector<std::string> ends = {"\n", "\r\n", "\n", "\r", "", " cptc\n", "\x1A"};
  const struct {
    const char* what;
    ConvertSettings settings;
  } cases[] = {
      {"defaults", {}},
      {"one byte parts, two threads", {1, 1u << 20, 1u << 20, true}},
      {"small parts, one thread", {7, 1u << 20, 1u << 20, false}},
      {"little room to run ahead", {64, 1, 1u << 20, true}},
      {"no room to run ahead", {50, 0, 1u << 20, true}},
      {"large parts kept on the main thread", {90, 1u << 20, 100, true}},
  };
  std::mt19937 random(11);
  for (int round = 0; round < 600; ++round) {
    std::string bytes;
    const std::size_t count = random() % 60;
    for (std::size_t i = 0; i < count; ++i) {
      bytes += lines[random() % lines.size()];
      bytes += ends[random() % (round % 4 == 0 ? ends.size() : ends.size() - 1)];
    }
    const std::string expected = LineByLine(bytes);
    for (const auto& c : cases) {
      ASSERT_EQ(InParts(bytes, c.settings), expected) << c.what << ", round " << round;
    }
  }
}

TEST(LogicalLineCuts, CutOnlyAfterALineWithoutCptc) {
  const struct {
    std::string text;
    std::size_t partSize;
    std::vector<std::size_t> cuts;
  } cases[] = {
      {"", 1, {0, 0}},
      {"abc", 1, {0, 3}},                       // no line end to cut at
      {"a\nb\nc\n", 1, {0, 2, 4, 6}},           // never an empty last part
      {"a\nb\nc", 100, {0, 5}},
      {"cptc\nx\ny\n", 1, {0, 7, 9}},           // "x" continues the "cptc" line
      {"cptc\ncptc\ny\nz", 1, {0, 12, 13}},  // passes over every line with "cptc"
      {"a\r\ncptc\r\nb\r\nc", 3, {0, 12, 13}},
      {"long line\nb\n", 4, {0, 10, 12}},
  };
  for (const auto& c : cases) {
    LineQueue queue;
    BuildLineQueue(c.text, queue);
    EXPECT_EQ(LogicalLineCuts(queue, c.partSize), c.cuts) << c.text;
  }
}

}  // namespace
