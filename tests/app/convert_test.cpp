// Converting a log in parts, on one or two threads, prints exactly what
// converting it line by line prints, and a failure reaches the caller only
// after the lines before it.
#include "app/convert.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <new>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "render/msvc.h"

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
      if (DispatchLine(line, FindMarkers(line), output) && !output.empty())
        printed += output + '\n';
    }
  }
  return printed;
}

std::string InParts(const std::string& bytes, std::size_t blockSize, LineConverter convert,
                    const ConvertSettings& settings) {
  LogReader reader(bytes, blockSize);
  std::string printed;
  ConvertLog(
      reader, convert,
      [&](std::string_view line) {
        (printed += line) += '\n';
        return true;
      },
      settings);
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
      {"one part read ahead", 30, {.readAheadParts = 1}},
      {"few bytes read ahead", 64, {.readAheadLogBytes = 100}},
      {"large parts kept on the main thread", 90, {.sharedPartLogBytes = 100}},
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
      ASSERT_EQ(InParts(bytes, c.blockSize, ConvertLineMsvc, c.settings), expected)
          << c.what << ", round " << round;
    }
  }
}

// Prints every marked line as it is and fails on "ltc boom". On the second
// thread it fails on every line, as if memory were short there; the main
// thread waits for such a failure before its first line, so that the second
// thread surely converts a part.
std::thread::id mainThread;
std::atomic<bool> secondThreadFailed;
bool Echo(LogLine line, const LineMarkers&, const LineOrigin&, std::string& output) {
  if (std::this_thread::get_id() != mainThread) {
    secondThreadFailed = true;
    throw std::bad_alloc();
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!secondThreadFailed && std::chrono::steady_clock::now() < deadline)
    std::this_thread::yield();
  if (line == "ltc boom") throw std::runtime_error("boom");
  output.assign(line);
  return true;
}

TEST(ConvertLog, PartsFailedOnTheSecondThreadAreRetriedAndAFailureFollowsTheLinesBefore) {
  if (std::thread::hardware_concurrency() < 2) GTEST_SKIP() << "no second thread here";
  mainThread = std::this_thread::get_id();
  std::string log;
  for (int i = 0; i < 200; ++i) log += "ltc " + std::to_string(i) + "\n";
  secondThreadFailed = false;
  EXPECT_EQ(InParts(log, 16, Echo, {}), log);
  EXPECT_TRUE(secondThreadFailed);

  std::string printed;
  const std::string failing = log + "ltc boom\nltc after\n";
  LogReader reader(failing, 16);
  EXPECT_THROW(ConvertLog(reader, Echo,
                          [&](std::string_view line) {
                            (printed += line) += '\n';
                            return true;
                          }),
               std::runtime_error);
  EXPECT_EQ(printed, log);
}

}  // namespace
