// The toolchain piped into `--InputFile=-` on Windows, where a pipe has no
// path: each part is printed before the next is sent, and a reader of the
// output that goes away ends the run with its normal exit code.
#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "run_process.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct Handle {
  HANDLE value = nullptr;
  Handle() = default;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }
  void Close() {
    if (value != nullptr) CloseHandle(value);
    value = nullptr;
  }
};

// Quonvel reading its standard input from `input` and writing to `output`,
// the test's ends of two pipes.
struct Child {
  Handle process, input, output;
};

bool Start(Child& child) {
  SECURITY_ATTRIBUTES inherit{static_cast<DWORD>(sizeof inherit), nullptr, TRUE};
  Handle stdinRead, stdoutWrite;
  if (!CreatePipe(&stdinRead.value, &child.input.value, &inherit, 0) ||
      !CreatePipe(&child.output.value, &stdoutWrite.value, &inherit, 0)) {
    return false;
  }
  SetHandleInformation(child.input.value, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(child.output.value, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = static_cast<DWORD>(sizeof startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = stdinRead.value;
  startup.hStdOutput = stdoutWrite.value;
  startup.hStdError = stdoutWrite.value;
  std::string commandLine = "Quonvel --InputFile=- --TypCC=TriCore";
  PROCESS_INFORMATION process{};
  BOOL started = FALSE;
  // Under Wine a start now and then fails at once and works when tried again.
  for (int attempt = 0; attempt < 5 && !started; ++attempt) {
    if (attempt > 0) Sleep(200);
    started = CreateProcessA(QuonvelPath().c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                             nullptr, nullptr, &startup, &process);
  }
  if (!started) return false;
  CloseHandle(process.hThread);
  child.process.value = process.hProcess;
  return true;
}

bool Send(const Child& child, const std::string& bytes) {
  DWORD written = 0;
  return WriteFile(child.input.value, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr) &&
         written == bytes.size();
}

// Appends what the output pipe delivers until `text` holds `size` bytes, the
// pipe closes or `patience` passes; false in the last two cases.
bool ReadUntil(const Child& child, std::string& text, std::size_t size,
               std::chrono::milliseconds patience) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (text.size() < size) {
    DWORD ready = 0;
    if (!PeekNamedPipe(child.output.value, nullptr, 0, nullptr, &ready, nullptr)) return false;
    if (ready == 0) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      Sleep(1);
      continue;
    }
    char buffer[1 << 16];
    DWORD got = 0;
    if (!ReadFile(child.output.value, buffer, std::min<DWORD>(ready, sizeof buffer), &got,
                  nullptr)) {
      return false;
    }
    text.append(buffer, got);
  }
  return true;
}

int ExitCode(const Child& child, DWORD patience) {
  if (WaitForSingleObject(child.process.value, patience) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(child.process.value, &code);
  return static_cast<int>(code);
}

std::string Converted(const std::string& bytes) {
  const fs::path log = fs::temp_directory_path() / "quonvel-live-reference.log";
  std::ofstream(log, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  const std::string out =
      RunProcess(QuonvelPath(), {"Quonvel", "--InputFile=" + log.string(), "--TypCC=TriCore"}).out;
  std::error_code ignored;
  fs::remove(log, ignored);
  return out;
}

TEST(LiveWindows, LinesArePrintedAsTheyArrive) {
  const std::vector<std::string> parts = {
      "[ 10%] Building\r\nctc W505: [\"src/a.c\" 118/23] narrower type\r\n",
      "cptc E1234: [\"src/m.cpp\" 57] expected 2 arguments\r\n  call(1);\r\n",
      "ltc E100: undefined symbol\r\n[ 50%] Linking",
  };
  Child child;
  ASSERT_TRUE(Start(child));
  std::string sent, printed;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    ASSERT_TRUE(Send(child, parts[i]));
    sent += parts[i];
    const std::string expected = Converted(sent);
    ASSERT_GT(expected.size(), printed.size()) << "part " << i << " prints nothing";
    EXPECT_TRUE(ReadUntil(child, printed, expected.size(), 10s)) << "part " << i;
    EXPECT_EQ(printed, expected) << "part " << i;
  }
  ASSERT_TRUE(Send(child, parts.back()));
  child.input.Close();
  ReadUntil(child, printed, std::string::npos, 10s);
  EXPECT_EQ(printed, Converted(sent + parts.back()));
  EXPECT_EQ(ExitCode(child, 10'000), 0);
}

TEST(LiveWindows, VanishedReaderEndsTheRun) {
  Child child;
  ASSERT_TRUE(Start(child));
  std::string lines;
  for (int i = 0; i < 1000; ++i) lines += "ltc E1: line " + std::to_string(i) + "\n";
  std::string printed;
  ASSERT_TRUE(Send(child, lines));
  EXPECT_TRUE(ReadUntil(child, printed, 1, 10s));
  child.output.Close();
  // The toolchain writes on until Quonvel has gone.
  for (int i = 0; i < 10'000 && Send(child, lines); ++i) {
  }
  const int exitCode = ExitCode(child, 10'000);
  if (exitCode == -1) TerminateProcess(child.process.value, 1);
  EXPECT_EQ(exitCode, 0);
}

}  // namespace
#endif
