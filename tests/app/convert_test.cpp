// Converting a log in parts, on one or two threads, prints exactly what
// converting it line by line prints, and a failure reaches the caller only
// after the lines before it.
#include "app/convert.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <new>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

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
  LogReader reader(bytes, bytes.size() + 1);
  LogPart part;
  std::string printed, output;
  while (reader.NextPart(part)) {
    LineQueue queue = part.Lines();
    LogLine line;
    LineMarkers markers;
    while (queue.Pop(line, markers)) {
      if (DispatchLine(line, output) && !output.empty()) printed += output + '\n';
    }
  }
  return printed;
}

std::string InParts(const std::string& bytes, std::size_t blockSize, LineConverter convert,
                    const ConvertSettings& settings) {
  LogReader reader(bytes, blockSize);
  std::string printed;
  ConvertLog(
      reader, convert, [&](std::string_view line) { (printed += line) += '\n'; }, settings);
  return printed;
}

TEST(ConvertLog, PrintsWhatLineByLineConversionPrints) {
  const std::vector<std::string> lines = GoldenLines();
  ASSERT_GT(lines.size(), 20u);
  const std::vector<std::string> ends = {"\n", "\r\n", "\n", "\r", "", " cptc\n", "\x1A"};
  const struct {
    const char* what;
    std::size_t blockSize;
    ConvertSettings settings;
  } cases[] = {
      {"defaults", LogReader::kBlockSize, {}},
      {"one byte blocks, two threads", 1, {}},
      {"small blocks, one thread", 7, {.secondThread = false}},
      {"little room to run ahead", 64, {.aheadLimit = 1}},
      {"no room to run ahead", 50, {.aheadLimit = 0}},
      {"one part read ahead", 30, {.partsAhead = 1}},
      {"large parts kept on the main thread", 90, {.largestSharedPart = 100}},
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
      ASSERT_EQ(InParts(bytes, c.blockSize, DispatchLine, c.settings), expected)
          << c.what << ", round " << round;
    }
  }
}

// Prints every marked line as it is, fails on "ltc boom", and on the second
// thread fails on every line, as if memory were short there.
std::thread::id mainThread;
bool Echo(LogLine line, const LineMarkers&, std::string& output) {
  if (line == "ltc boom") throw std::runtime_error("boom");
  if (std::this_thread::get_id() != mainThread) throw std::bad_alloc();
  output.assign(line);
  return true;
}

TEST(ConvertLog, PartsFailedOnTheSecondThreadAreRetriedAndAFailureFollowsTheLinesBefore) {
  mainThread = std::this_thread::get_id();
  std::string log;
  for (int i = 0; i < 200; ++i) log += "ltc " + std::to_string(i) + "\n";
  const std::string failing = log + "ltc boom\nltc after\n";
  for (const bool secondThread : {true, false}) {
    SCOPED_TRACE(secondThread ? "two threads" : "one thread");
    const ConvertSettings settings{.secondThread = secondThread};
    EXPECT_EQ(InParts(log, 16, Echo, settings), log);
    std::string printed;
    LogReader reader(failing, 16);
    EXPECT_THROW(
        ConvertLog(
            reader, Echo, [&](std::string_view line) { (printed += line) += '\n'; }, settings),
        std::runtime_error);
    EXPECT_EQ(printed, log);
  }
}

}  // namespace
