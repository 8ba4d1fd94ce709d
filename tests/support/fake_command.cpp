// A stand-in for a build that run mode starts: each argument is one step,
// done in order.
//   out:TEXT   TEXT and a line end on standard output     err:TEXT  on standard error
//   lines:N    N lines "line 1" ... "line N" on standard output
//   raw:TEXT   TEXT on standard output without a line end
//   args       each argument on its own line, between < and >
//   long:N     a line of N bytes "x" on standard output
//   sleep:MS   waits           bg:MS  leaves a process that holds the output MS
//   bgpid:FILE writes the process id of the last bg: process to FILE
//   pid:FILE   writes its process id to FILE
//   onterm:TEXT  on SIGTERM (POSIX) writes TEXT to standard output and exits 5
//   exit:N     exits with N    signal:N  ends by signal N (POSIX)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace {

long long leftBehind = 0;  // the process id of the last bg: step

void Put(std::FILE* stream, std::string_view text, bool lineEnd = true) {
  std::fwrite(text.data(), 1, text.size(), stream);
  if (lineEnd) std::fputc('\n', stream);
  std::fflush(stream);
}

#ifndef _WIN32
const char* onTerm = nullptr;

void OnTerm(int) {
  const std::string_view text = onTerm;
  ssize_t ignored = write(STDOUT_FILENO, text.data(), text.size());
  ignored = write(STDOUT_FILENO, "\n", 1);
  static_cast<void>(ignored);
  _exit(5);
}
#endif

void LeaveBehind(const char* self, const std::string& ms) {
#ifdef _WIN32
  std::string line = "\"";
  line.append(self).append("\" sleep:").append(ms);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &info)) {
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    leftBehind = info.dwProcessId;
  }
#else
  static_cast<void>(self);
  const pid_t child = fork();
  if (child == 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(ms.c_str())));
    _exit(0);
  }
  leftBehind = child;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string step = argv[i];
    const std::size_t colon = step.find(':');
    const std::string verb = step.substr(0, colon);
    const std::string value = colon == std::string::npos ? "" : step.substr(colon + 1);
    if (verb == "out") Put(stdout, value);
    if (verb == "err") Put(stderr, value);
    if (verb == "raw") Put(stdout, value, false);
    if (verb == "lines") {
      for (int n = 1; n <= std::atoi(value.c_str()); ++n)
        Put(stdout, std::string("line ").append(std::to_string(n)));
    }
    if (verb == "args") {
      for (int k = 1; k < argc; ++k) Put(stdout, std::string("<").append(argv[k]).append(">"));
    }
    if (verb == "sleep")
      std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(value.c_str())));
    if (verb == "long") Put(stdout, std::string(std::strtoul(value.c_str(), nullptr, 10), 'x'));
    if (verb == "bg") LeaveBehind(argv[0], value);
    if (verb == "bgpid") std::ofstream(value) << leftBehind;
#ifdef _WIN32
    if (verb == "pid") std::ofstream(value) << GetCurrentProcessId();
#else
    if (verb == "pid") std::ofstream(value) << getpid();
    if (verb == "onterm") {
      onTerm = argv[i] + 7;
      signal(SIGTERM, OnTerm);
    }
    if (verb == "signal") raise(std::atoi(value.c_str()));
#endif
    if (verb == "exit") return std::atoi(value.c_str());
  }
  return 0;
}
