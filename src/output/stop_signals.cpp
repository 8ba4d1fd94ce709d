#include "output/stop_signals.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
constexpr unsigned long kStoppedExitCode = 0xC000013Au;
#endif

// How long a stop waits for a line already partly written: a reader that
// takes it within this time gets it whole, one that stalls does not keep the
// process alive. Well under a second, so that a stop always ends the run
// within one.
constexpr int kGraceMilliseconds = 500;

// Lock-free, so that the handler may touch them. The writer sets `writing`
// before it looks at `stopCode` and the handler the other way round, so one
// of the two always sees the other and the process ends exactly once, never
// inside a line that the reader takes within the grace.
std::atomic<bool> writing{false};
std::atomic<unsigned long> stopCode{0};
std::atomic<const char*> removed{nullptr};
// Run mode (ForwardStopsTo): where a stop request goes instead, 0 for none.
std::atomic<long> forwardTo{0};
std::atomic<bool> terminalReachesCommand{false};

[[noreturn]] void EndProcess(unsigned long code) {
#ifdef _WIN32
  ExitProcess(static_cast<UINT>(code));
#else
  _exit(static_cast<int>(code));
#endif
}

void Stop(unsigned long code) {
  stopCode.store(code);
  // A stopped run never completes its file: it goes at once, so that it is
  // gone even if the process is then ended without a chance to act. The call
  // is safe in a signal handler; on Windows the file goes when it is closed.
  if (const char* path = removed.load()) {
#ifdef _WIN32
    DeleteFileA(path);
#else
    unlink(path);
#endif
  }
  if (!writing.load()) EndProcess(code);
}

#ifdef _WIN32
// Runs on a thread of its own, which may wait.
BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
    return FALSE;
  }
  // Run mode: the command shares the console and has the event too; Quonvel
  // reads on until it ends. A closed console ends both (the job goes with us).
  if (event != CTRL_CLOSE_EVENT && forwardTo.load() != 0) return TRUE;
  Stop(kStoppedExitCode);
  // The writer ends the process after its line, or the grace ends it here;
  // returning would let the system end it now after a console close.
  Sleep(kGraceMilliseconds);
  EndProcess(kStoppedExitCode);
}
#else
// A stop during a line arms the grace timer; its SIGALRM ends the process,
// interrupting a write that waits for the reader. setitimer is a plain
// system call (alarm, the one POSIX lists as safe here, counts whole
// seconds).
void OnSignal(int signal) {
  Stop(128u + static_cast<unsigned>(signal));
  // Armed once: a second stop does not put the end off.
  static std::atomic<bool> armed{false};
  if (armed.exchange(true)) return;
  itimerval grace{};
  grace.it_value.tv_usec = kGraceMilliseconds * 1000;
  setitimer(ITIMER_REAL, &grace, nullptr);
}
void OnGraceOver(int) { EndProcess(stopCode.load()); }

// Run mode: the request goes to the command, unless the terminal sent it to
// the process group that the command shares with us (SI_KERNEL).
void OnForwardedSignal(int signal, siginfo_t* info, void*) {
  const long target = forwardTo.load();
  if (target == 0) return OnSignal(signal);
  if (terminalReachesCommand.load() && info != nullptr && info->si_code == SI_KERNEL) return;
  kill(static_cast<pid_t>(target), signal);
}
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
  // While one of them is handled, the other waits: one stop code, one timer.
  sigaddset(&action.sa_mask, SIGTERM);
  sigaddset(&action.sa_mask, SIGINT);
  for (const int signal : {SIGTERM, SIGINT}) {
    struct sigaction before {};
    if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN) {
      sigaction(signal, &action, nullptr);
    }
  }
  action.sa_handler = OnGraceOver;
  sigaction(SIGALRM, &action, nullptr);
#endif
}

void StartingLine() {
  writing.store(true);
  if (const unsigned long code = stopCode.load()) EndProcess(code);
}

void LineDone() {
  writing.store(false);
  if (const unsigned long code = stopCode.load()) EndProcess(code);
}

void RemoveOnStop(const char* path) { removed.store(path); }

void ForwardStopsTo(long target, bool terminalReachesIt) {
  terminalReachesCommand.store(terminalReachesIt);
  forwardTo.store(target);
#ifndef _WIN32
  // Installed on the first call; it acts as the plain handler once
  // forwarding ends. A signal that was ignored at start stays ignored.
  static bool installed = false;
  if (installed || target == 0) return;
  installed = true;
  struct sigaction action {};
  action.sa_sigaction = OnForwardedSignal;
  sigemptyset(&action.sa_mask);
  sigaddset(&action.sa_mask, SIGTERM);
  sigaddset(&action.sa_mask, SIGINT);
  action.sa_flags = SA_RESTART | SA_SIGINFO;
  for (const int signal : {SIGTERM, SIGINT}) {
    struct sigaction before {};
    if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN) {
      sigaction(signal, &action, nullptr);
    }
  }
#endif
}
