// Hostile inputs, end to end: whatever bytes the log holds and however the
// process is started, Quonvel writes exactly the expected bytes to standard
// output, nothing to standard error, and returns the normal exit code; and
// an output that cannot be written.
// Big inputs are generated here into a folder of the test's own.
#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "run_process.h"

namespace fs = std::filesystem;

namespace {

// Compares bytes without printing megabytes when they differ.
testing::AssertionResult SameBytes(std::string_view actual, std::string_view expected) {
  if (actual == expected) return testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  const auto window = [at](std::string_view text) {
    return testing::PrintToString(std::string(text.substr(at, 40)));
  };
  return testing::AssertionFailure()
         << actual.size() << " bytes instead of " << expected.size() << ", first difference at "
         << at << ": " << window(actual) << " instead of " << window(expected);
}

std::string Repeat(std::string_view piece, std::size_t times) {
  std::string text;
  text.reserve(piece.size() * times);
  for (std::size_t i = 0; i < times; ++i) text.append(piece);
  return text;
}

class Hostile : public testing::Test {
 protected:
  void SetUp() override {
    const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    dir_ = fs::temp_directory_path() /
           ("quonvel-hostile-" + name + "-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  fs::path Write(const fs::path& path, std::string_view bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  fs::path Write(std::string_view bytes) { return Write(dir_ / "build.log", bytes); }

  static ProcessResult Run(const fs::path& input, StdoutMode mode = StdoutMode::kPipe) {
    return RunProcess(QuonvelPath(),
                      {"Quonvel", "--InputFile=" + input.string(), "--TypCC=TriCore"}, mode);
  }

  static void Expect(const ProcessResult& result, const std::vector<std::string_view>& lines,
                     int exitCode = 0, std::string_view err = "") {
    ASSERT_TRUE(result.started) << result.err;
    EXPECT_TRUE(SameBytes(result.out, lines.empty() ? std::string() : OutputLines(lines)));
    EXPECT_EQ(result.exitCode, ExitCodeOf(exitCode));
    EXPECT_EQ(result.err, err);
  }

  fs::path dir_;
};

struct SmallCase {
  const char* what;
  std::string log;
  std::vector<std::string_view> output;
};

using namespace std::literals;

TEST_F(Hostile, OddBytes) {
  std::string allHigh;
  for (int c = 0x80; c <= 0xFF; ++c) allHigh.push_back(static_cast<char>(c));
  const std::string highLtc = "ltc F9: " + allHigh;
  const SmallCase cases[] = {
      {"empty file", "", {}},
      {"only CR", "\r\r\r\r", {}},
      {"only LF", "\n\n\n\n", {}},
      {"only Ctrl-Z", "\x1A\x1A\x1A", {}},
      {"Ctrl-Z ends the input inside a diagnostic",
       "ctc W1: [\"a.c\" 1/2] x\x1A y\nltc E1: z\n",
       {"a.c(1,2) :Warning:  x"}},
      {"CR left at the end of a diagnostic",
       "ctc W1: [\"a.c\" 1/2] x\r\r\nctc W1: [\"a.c\" 1/2] y\r",
       {}},
      {"NUL bytes inside a C diagnostic",
       "ctc W1: [\"a\0b.c\" 1/2] x\0y\n"s,
       {"a\0b.c(1,2) :Warning:  x\0y"sv}},
      {"NUL bytes inside a C++ diagnostic",
       "cptc E1: [\"\0.cpp\" 3] t\0\n3 \0more"s,
       {"\0.cpp(3) : Error:  t\0"sv, "\0more"sv}},
      {"NUL bytes in a linker line", "ltc E1: \0\0\n"s, {"ltc E1: \0\0"sv}},
      {"invalid UTF-8 in name and text",
       "ctc E1: [\"\xFF\xFE.c\" 1/2] \x80\xC3(\xE9\xF5\x90",
       {"\xFF\xFE.c(1,2) :Error:  \x80\xC3(\xE9\xF5\x90"}},
      {"every byte from 0x80 to 0xFF", highLtc, {highLtc}},
      {"0xA0 is no white space", "ctc\xA0W1: [\"a.c\" 1/2] x", {}},
      {"cptc diagnostic on the last line",
       "cptc W1: [\"a.cpp\" 3] expected 2 arguments",
       {"a.cpp(3) : Warning:  expected", "arguments "}},
      {"cptc diagnostic on the last line, LF ended",
       "cptc W1: [\"a.cpp\" 3] expected 2 arguments\n",
       {"a.cpp(3) : Warning:  expected", "arguments "}},
      {"a bare cptc on the last line", "ctc W1: [\"a.c\" 1/2] x\ncptc", {"a.c(1,2) :Warning:  x"}},
  };
  for (const SmallCase& c : cases) {
    SCOPED_TRACE(c.what);
    Expect(Run(Write(c.log)), c.output);
  }
}

// One line of 32 MB with no line end at all. The file name group must reach
// over a million places where a file name could end, the worst case for a
// backtracking matcher.
TEST_F(Hostile, ThirtyTwoMegabyteLine) {
  const std::string decoys = Repeat("x\" 1/2] ", (std::size_t{32} << 20) / 8);
  const std::string log = "ctc E1: [\"" + decoys + "end\" 3/4] tail";
  Expect(Run(Write(log)), {decoys + "end(3,4) :Error:  tail"});
}

// The same decoys, but a lone CR near the end fails every one of them only at
// the line's end: backtracking would take quadratic time here, so finishing at all
// shows the matcher stays linear. The next line proves the run went on.
TEST_F(Hostile, ThirtyTwoMegabyteLineThatAlmostMatches) {
  const std::string decoys = Repeat("x\" 1/2] ", (std::size_t{32} << 20) / 8);
  const std::string log = "ctc E1: [\"" + decoys + "\r!\nltc E1: next";
  Expect(Run(Write(log)), {"ltc E1: next"});
}

// The same line as SARIF: 4 million quotes to escape, in time linear too, and
// the line's place in the log counted across the whole part.
TEST_F(Hostile, ThirtyTwoMegabyteLineAsSarif) {
  const std::string decoys = Repeat("x\" 1/2] ", (std::size_t{32} << 20) / 8);
  const std::string log = "\n\nltc E1: see [\"" + decoys + "\" 3/4] tail\nltc E2: z";
  const ProcessResult run = RunProcess(
      QuonvelPath(),
      {"Quonvel", "--InputFile=" + Write(log).string(), "--TypCC=TriCore", "--Format=sarif"});
  ASSERT_TRUE(run.started) << run.err;
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "");
  const std::string escaped = Repeat(R"(x\" 1/2] )", (std::size_t{32} << 20) / 8);
  EXPECT_NE(run.out.find(R"("message":{"text":"see [\")" + escaped + R"(\" 3/4] tail"})"),
            std::string::npos);
  EXPECT_NE(run.out.find(R"("region":{"startLine":3}}}]})"), std::string::npos);
  EXPECT_NE(run.out.find(R"("region":{"startLine":4}}}]})"), std::string::npos);
}

TEST_F(Hostile, OneMillionEmptyLines) {
  const std::string log = std::string(1'000'000, '\n') + "ctc W1: [\"a.c\" 1/2] last";
  Expect(Run(Write(log)), {"a.c(1,2) :Warning:  last"});
}

// The continuation line holds "cptc" too but is not joined again, so the
// linker line after it stays a line of its own.
TEST_F(Hostile, CptcTenThousandTimes) {
  const std::string many = Repeat("cptc ", 10'000);
  const std::string log = "cptc W1: [\"a.cpp\" 3] " + many + "\n3 more cptc\nltc E2: z\n";
  const std::string first = "a.cpp(3) : Warning:  " + many;
  Expect(Run(Write(log)), {first, "more cptc", "ltc E2: z"});
}

TEST_F(Hostile, PathWithBlanks) {
  Expect(Run(Write(dir_ / "log dir" / "build  log.txt", "ltc E1: x")), {"ltc E1: x"});
}

TEST_F(Hostile, DirectoryAsInput) { Expect(Run(dir_), {}); }

#ifndef _WIN32
// Windows passes narrow paths through the ANSI code page; POSIX keeps bytes.
TEST_F(Hostile, PathWithNonAsciiBytes) {
  Expect(Run(Write(dir_ / "d\xC3\xBCr \xFF" / "b\xE9 log.log", "ltc E1: x")), {"ltc E1: x"});
}

// Windows caps the whole command line at 32767 characters; Linux caps one
// argument at 128 KB.
TEST_F(Hostile, HundredKilobyteArgument) {
  const std::string huge(100 << 10, 'x');
  const fs::path log = Write("ltc E1: x");
  ProcessResult result = RunProcess(
      QuonvelPath(), {"Quonvel", "--InputFile=" + log.string(), huge, "--TypCC=TriCore"});
  Expect(result, {"ltc E1: x"});
  result = RunProcess(QuonvelPath(), {"Quonvel", "--InputFile=" + huge, "--TypCC=TriCore"});
  Expect(result, {});
}

// A failed write is not noticed: the run goes through every line and ends
// with the normal exit code.
TEST_F(Hostile, StandardOutputUnusable) {
  const fs::path log = Write(Repeat("ctc W1: [\"a.c\" 1/2] x\n", 100'000));
  for (const StdoutMode mode : {StdoutMode::kClosed, StdoutMode::kDevFull}) {
    SCOPED_TRACE(mode == StdoutMode::kClosed ? "closed" : "/dev/full");
    Expect(Run(log, mode), {});
  }
}

// A write that fails (a full disk, a file size limit) fails the opt-in
// layouts, and any layout with --Output: a message on standard error,
// exit code -4, no file left. The default layout on standard output keeps
// its ways (above).
TEST_F(Hostile, FailedWriteFailsTheRun) {
  const std::string log = "--InputFile=" + Write(Repeat("ltc E1: x\n", 10'000)).string();
  const fs::path target = dir_ / "out" / "report";
  fs::create_directories(target.parent_path());
  const std::string cannotWrite = "Quonvel error: Cannot write \"" + target.string() + "\".";
  for (const std::string& format : LayoutNames()) {
    SCOPED_TRACE(format);
    if (format != LayoutNames().front()) {
      Expect(RunProcess(QuonvelPath(), {"Quonvel", log, "--TypCC=TriCore", "--Format=" + format},
                        StdoutMode::kDevFull),
             {}, -4, "Quonvel error: Cannot write to standard output.\n");
    }
    // At most 16 KB a file, 32 KB in bash's units.
    Expect(RunProcess("/bin/sh",
                      {"sh", "-c", "ulimit -f 32 && exec \"$0\" \"$@\"", QuonvelPath(), log,
                       "--TypCC=TriCore", "--Format=" + format, "--Output=" + target.string()}),
           {}, -4, cannotWrite + "\n");
    EXPECT_TRUE(fs::is_empty(target.parent_path()));
  }
  // The default layout on standard output ignores a failed write, also past
  // the file size limit, which kills no run.
  const fs::path printed = dir_ / "printed";
  Expect(RunProcess("/bin/sh", {"sh", "-c", "ulimit -f 32 && exec \"$0\" \"$1\" \"$2\" >\"$3\"",
                                QuonvelPath(), log, "--TypCC=TriCore", printed.string()}),
         {}, 0);
  EXPECT_EQ(fs::file_size(printed), 16384u);
}
#endif

#ifdef __linux__
// Opens, but every read fails: the lines read so far (none) are converted,
// then the failure is reported.
TEST_F(Hostile, UnreadableFile) {
  Expect(Run("/proc/self/mem"), {"Quonvel error: Cannot read input file."}, -4);
}
#endif

}  // namespace
