#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>
#include <thread>

#include "run_process.h"

namespace {

// Appends `argument` so that the C runtime's parser hands it back unchanged:
// inside quotes, backslashes are literal unless a quote follows them, so
// those (and the ones before the closing quote) are doubled.
void AppendQuoted(std::string& line, const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
    line += argument;
    return;
  }
  line.push_back('"');
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    line.push_back(c);
  }
  line.append(backslashes * 2, '\\');
  line.push_back('"');
}

// Argument 0 is parsed by simpler rules: up to the next blank, or, when it
// starts with a quote, up to the next quote, with no escapes at all.
std::string CommandLine(const std::vector<std::string>& arguments) {
  std::string line;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (i == 0) {
      const std::string& first = arguments[0];
      const bool plain = !first.empty() && first.find_first_of(" \t") == std::string::npos;
      line += plain ? first : '"' + first + '"';
    } else {
      line.push_back(' ');
      AppendQuoted(line, arguments[i]);
    }
  }
  return line;
}

void ReadAll(HANDLE pipe, std::string& sink) {
  char buffer[1 << 16];
  DWORD got = 0;
  while (ReadFile(pipe, buffer, static_cast<DWORD>(sizeof buffer), &got, nullptr) && got > 0)
    sink.append(buffer, got);
}

struct Handle {
  HANDLE value = nullptr;
  Handle() = default;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }
  void Close() {
    if (value != nullptr && value != INVALID_HANDLE_VALUE) CloseHandle(value);
    value = nullptr;
  }
};

bool MakePipe(Handle& read, Handle& write) {
  SECURITY_ATTRIBUTES inherit{static_cast<DWORD>(sizeof inherit), nullptr, TRUE};
  if (!CreatePipe(&read.value, &write.value, &inherit, 0)) return false;
  // Only the child's end is inherited; otherwise the read never sees its end.
  return SetHandleInformation(read.value, HANDLE_FLAG_INHERIT, 0) != 0;
}

}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         StdoutMode mode) {
  ProcessResult result;
  Handle outRead, outWrite, errRead, errWrite, input;
  if (!MakePipe(outRead, outWrite) || !MakePipe(errRead, errWrite)) {
    result.err = "CreatePipe failed with error " + std::to_string(GetLastError());
    return result;
  }
  SECURITY_ATTRIBUTES inherit{static_cast<DWORD>(sizeof inherit), nullptr, TRUE};
  input.value = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                            OPEN_EXISTING, 0, nullptr);

  STARTUPINFOA startup{};
  startup.cb = static_cast<DWORD>(sizeof startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input.value;
  startup.hStdError = errWrite.value;
  switch (mode) {
    case StdoutMode::kPipe:
      startup.hStdOutput = outWrite.value;
      break;
    case StdoutMode::kClosed:
      startup.hStdOutput = INVALID_HANDLE_VALUE;
      break;
    case StdoutMode::kDevFull:
      // No device that is always full: a pipe whose reader has gone makes
      // every write fail alike.
      outRead.Close();
      startup.hStdOutput = outWrite.value;
      break;
  }

  std::string commandLine = CommandLine(arguments);
  PROCESS_INFORMATION process{};
  // Under Wine a start now and then fails at once and works when tried
  // again; a program that cannot start fails every try.
  BOOL started = FALSE;
  DWORD startError = 0;
  for (int attempt = 0; attempt < 5 && !started; ++attempt) {
    if (attempt > 0) Sleep(200);
    started = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                             nullptr, nullptr, &startup, &process);
    if (!started) startError = GetLastError();
  }
  outWrite.Close();
  errWrite.Close();
  input.Close();
  if (!started) {
    result.err = "CreateProcess failed with error " + std::to_string(startError);
    return result;
  }
  CloseHandle(process.hThread);

  // Both pipes at once, so that a child filling one never blocks on the other.
  std::thread errReader([&] { ReadAll(errRead.value, result.err); });
  if (outRead.value != nullptr) ReadAll(outRead.value, result.out);
  errReader.join();

  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  result.started = true;
  // Windows keeps all 32 bits: -2 arrives as 4294967294, read here as -2.
  result.exitCode = static_cast<int>(code);
  return result;
}

int ExitCodeOf(int code) { return code; }

std::string OutputLines(const std::vector<std::string_view>& lines) {
  std::string text;
  // Text mode turns every LF written into CR LF, one inside a line included.
  for (std::string_view line : lines) {
    for (const char c : line) {
      if (c == '\n') text.push_back('\r');
      text.push_back(c);
    }
    text.append("\r\n");
  }
  return text;
}
