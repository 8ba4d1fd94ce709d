// Whole runs on checked-in logs: the exact bytes Quonvel writes.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "run_process.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

// Expected outputs are stored with LF line ends; on Windows each LF leaves
// the process as CR LF.
std::string OnThisPlatform(const std::string& lfText) {
  std::string text;
  std::size_t start = 0;
  std::vector<std::string_view> lines;
  while (start < lfText.size()) {
    const std::size_t end = lfText.find('\n', start);
    lines.emplace_back(lfText.data() + start, end - start);
    start = end + 1;
  }
  return OutputLines(lines);
}

struct Golden {
  const char* log;
  const char* expected;
};

class GoldenTest : public ::testing::TestWithParam<Golden> {};

TEST_P(GoldenTest, WritesExactlyTheExpectedBytes) {
  const Golden& golden = GetParam();
  const ProcessResult run = RunProcess(
      QuonvelPath(), {"Quonvel", std::string("--InputFile=") + golden.log, "--TypCC=TriCore"});
  ASSERT_TRUE(run.started) << run.err;
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, OnThisPlatform(ReadFile(golden.expected)));
  EXPECT_EQ(run.err, "");
}

#define GOLDEN(name) \
  Golden { QUONVEL_TEST_DATA "/golden/" name ".log", QUONVEL_TEST_DATA "/golden/" name ".out" }

INSTANTIATE_TEST_SUITE_P(Logs, GoldenTest,
                         ::testing::Values(GOLDEN("ctc_rule"), GOLDEN("cptc_rule"),
                                           GOLDEN("ltc_licence_rules"), GOLDEN("dispatch"),
                                           Golden{QUONVEL_EXAMPLES "/tricore-build.log",
                                                  QUONVEL_TEST_DATA "/golden/tricore-build.out"}),
                         [](const ::testing::TestParamInfo<Golden>& info) {
                           std::string name = info.param.expected;
                           name = name.substr(name.rfind('/') + 1);
                           name = name.substr(0, name.find('.'));
                           for (char& c : name) {
                             if (c == '-') c = '_';
                           }
                           return name;
                         });

}  // namespace
