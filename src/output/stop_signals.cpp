#include "output/stop_signals.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
constexpr unsigned long kStoppedExitCode = 0xC000013Au;
#endif

// Lock-free, so that the handler may touch them. The writer sets `writing`
// before it looks at `stopCode` and the handler the other way round, so one
// of the two always sees the other and the process ends exactly once, never
// inside a line.
std::atomic<bool> writing{false};
std::atomic<unsigned long> stopCode{0};

[[noreturn]] void EndProcess(unsigned long code) {
#ifdef _WIN32
  ExitProcess(static_cast<UINT>(code));
#else
  _exit(static_cast<int>(code));
#endif
}

void Stop(unsigned long code) {
  stopCode.store(code);
  if (!writing.load()) EndProcess(code);
}

#ifdef _WIN32
BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
    return FALSE;
  }
  Stop(kStoppedExitCode);
  // The writer ends the process after its line; returning would let the
  // system end it now after a console close.
  for (;;) Sleep(INFINITE);
}
#else
void OnSignal(int signal) { Stop(128u + static_cast<unsigned>(signal)); }
#endif

}  // namespace

void InstallStopHandlers() {
#ifdef _WIN32
  SetConsoleCtrlHandler(OnControl, TRUE);
#else
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGINT}) {
    struct sigaction before {};
    if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN) {
      sigaction(signal, &action, nullptr);
    }
  }
#endif
}

WritingLine::WritingLine() {
  writing.store(true);
  if (const unsigned long code = stopCode.load()) EndProcess(code);
}

WritingLine::~WritingLine() {
  writing.store(false);
  if (const unsigned long code = stopCode.load()) EndProcess(code);
}
