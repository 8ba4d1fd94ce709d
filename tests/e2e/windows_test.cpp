// What only Windows shows: the banner read from the real version resource,
// CR LF line ends from the text-mode console stream, 32-bit exit codes, and
// paths in characters of any code page.
#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "run_process.h"

namespace {

// The legal notice as the version API reads it from the executable, so that
// the test does not depend on its wording.
std::string LegalCopyright(const std::string& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  std::vector<char> block(size);
  if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return "<none>";
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\LegalCopyright", &value,
                      &length)) {
    return "<none>";
  }
  return static_cast<const char*>(value);
}

// In a folder with a blank in its name, so that the path must reach Quonvel
// through the command line quoted and unchanged.
std::string WriteLog(const std::string& name, const std::string& bytes) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "quonvel e2e";
  std::filesystem::create_directories(folder);
  const std::filesystem::path path = folder / name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path.string();
}

TEST(Windows, BannerComesFromTheVersionResource) {
  const ProcessResult result = RunProcess(QuonvelPath(), {QuonvelPath()});
  ASSERT_TRUE(result.started) << result.err;
  const std::string notice = LegalCopyright(QuonvelPath());
  ASSERT_NE(notice, "<none>") << "Quonvel.exe carries no readable version resource";
  EXPECT_FALSE(notice.empty());

  const std::regex banner(
      "Quonvel\\.exe version " +
      std::regex_replace(QUONVEL_TEST_BANNER_VERSION, std::regex("\\."), "\\.") +
      " from [A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4}\r\n(.*)\r\n"
      "Quonvel error: Not enough command line arguments\\.\r\n[\\s\\S]*");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(result.out, match, banner)) << result.out;
  EXPECT_EQ(match[1].str(), notice);
}

TEST(Windows, EveryLineEndsInCrLf) {
  const std::string log =
      WriteLog("quonvel_crlf.log",
               "ctc W505: [\"src/can_drv.c\" 118/23] conversion of constant to narrower type\n"
               "cptc E1234: [\"src/app/motor.cpp\" 57] identifier \"speedLimit\" is undefined\n"
               "57 return speedLimit;\n");
  const ProcessResult result =
      RunProcess(QuonvelPath(), {"Quonvel.exe", "--InputFile=" + log, "--TypCC=TriCore"});
  std::filesystem::remove(log);
  ASSERT_TRUE(result.started) << result.err;
  EXPECT_EQ(result.out,
            "src/can_drv.c(118,23) :Warning:  conversion of constant to narrower type\r\n"
            "src/app/motor.cpp(57) : Error:  identifier \"speedLimit\" is undefined\r\n"
            "return speedLimit;\r\n");
  EXPECT_EQ(result.exitCode, 0);
}

TEST(Windows, ExitCodesKeepAll32Bits) {
  const std::string log = WriteLog("quonvel_exit.log", "");
  const struct {
    std::vector<std::string> arguments;
    std::uint32_t reported;
  } cases[] = {
      {{"Quonvel.exe"}, 4294967294u},  // -2: too few arguments, no options
      {{"Quonvel.exe", "--InputFile=" + log, "--TypCC=tricore"}, 4294967293u},  // -3
      {{"--InputFile=" + log, "--TypCC=TriCore"}, 4294967295u},  // -1: options in argument 0
      {{"Quonvel.exe", "--InputFile=" + log, "--TypCC=TriCore"}, 0u},
  };
  for (const auto& c : cases) {
    const ProcessResult result = RunProcess(QuonvelPath(), c.arguments);
    ASSERT_TRUE(result.started) << result.err;
    EXPECT_EQ(static_cast<std::uint32_t>(result.exitCode), c.reported) << c.arguments.back();
  }
  std::filesystem::remove(log);
}

// Names outside the ANSI code page reach Quonvel intact only because its
// manifest makes UTF-8 the process's code page. This test program carries the
// same manifest, so the UTF-8 strings built here reach Quonvel unchanged.
std::string Utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::filesystem::path Unicode(std::u8string_view name) {
  return std::filesystem::temp_directory_path() / u8"quonvel e2e" / name;
}

TEST(Windows, ConvertsLogsNamedOutsideTheAnsiCodePage) {
  std::ifstream golden(QUONVEL_TEST_DATA "/golden/tricore-build.out", std::ios::binary);
  std::string expected;
  for (char c; golden.get(c);) expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
  // Past MAX_PATH (260) in all: a folder and a file of 150 characters each.
  const std::u8string longName = u8"д" + std::u8string(149, u8'x');
  const std::u8string names[] = {
      u8"журнал.log",
      u8"日本語.log",
      u8"журнал 日本語/build.log",
      u8"café.log",
      longName + u8"/" + longName + u8".log",
  };
  for (const std::u8string& name : names) {
    const std::filesystem::path log = Unicode(name);
    SCOPED_TRACE(Utf8(log));
    std::filesystem::create_directories(log.parent_path());
    std::filesystem::copy_file(QUONVEL_EXAMPLES "/tricore-build.log", log,
                               std::filesystem::copy_options::overwrite_existing);
    const ProcessResult result =
        RunProcess(QuonvelPath(), {"Quonvel.exe", "--InputFile=" + Utf8(log), "--TypCC=TriCore"});
    std::filesystem::remove(log);
    ASSERT_TRUE(result.started) << result.err;
    EXPECT_EQ(result.out, expected);
    EXPECT_EQ(result.exitCode, 0);
  }
}

TEST(Windows, BannerOfAnExecutableNamedOutsideTheAnsiCodePage) {
  const std::filesystem::path copy = Unicode(u8"журнал 日本語/Quonvel.exe");
  std::filesystem::create_directories(copy.parent_path());
  std::filesystem::copy_file(QuonvelPath(), copy,
                             std::filesystem::copy_options::overwrite_existing);
  const ProcessResult result = RunProcess(Utf8(copy), {Utf8(copy)});
  std::filesystem::remove(copy);
  ASSERT_TRUE(result.started) << result.err;
  EXPECT_TRUE(result.out.starts_with("Quonvel.exe version " QUONVEL_TEST_BANNER_VERSION " from "))
      << result.out;
}

}  // namespace

#endif  // _WIN32
