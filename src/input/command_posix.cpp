// Run mode on POSIX: fork and execvp, one pipe for standard output and
// standard error, a poll that notices the command's end while a process it
// left behind keeps the pipe open.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "input/command_process.h"
#include "output/stop_signals.h"

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {

// While the command runs and says nothing, the reader looks this often
// whether it has ended.
constexpr int kLookForEndMs = 50;

// A shell's code for a status.
int CodeOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

// Whether the command may stay in Quonvel's process group: only there can it
// read the terminal that Quonvel is in the foreground of (a background group
// that reads it is stopped). Elsewhere it leads a group of its own, which
// Quonvel can end with everything the command started.
bool InForegroundOfTerminal() {
  return isatty(STDIN_FILENO) && tcgetpgrp(STDIN_FILENO) == getpgrp();
}

// In the child between fork and exec: only calls that are safe there.
[[noreturn]] void Exec(char* const* argv, int output, int report, bool ownGroup, pid_t parent,
                       const sigset_t& mask) {
  if (ownGroup) setpgid(0, 0);
#ifdef __linux__
  // Quonvel killed (even by SIGKILL) kills the command; a parent already gone
  // before this call would never send it.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(127);
#else
  static_cast<void>(parent);
#endif
  dup2(output, STDOUT_FILENO);
  dup2(output, STDERR_FILENO);
  // Quonvel ignores these for itself; the command gets the usual ones.
  signal(SIGPIPE, SIG_DFL);
  signal(SIGXFSZ, SIG_DFL);
  sigprocmask(SIG_SETMASK, &mask, nullptr);
  execvp(argv[0], argv);
  const int error = errno;
  ssize_t ignored = write(report, &error, sizeof error);
  static_cast<void>(ignored);
  _exit(127);
}

// The errno of a failed exec, read from the child's report pipe; 0 when the
// exec succeeded (the pipe closed on exec).
int ExecError(int report) {
  int error = 0;
  ssize_t got = 0;
  while ((got = read(report, &error, sizeof error)) < 0 && errno == EINTR) {
  }
  return got == static_cast<ssize_t>(sizeof error) ? error : 0;
}

// A pipe whose ends are above the standard descriptors: one of those closed
// when Quonvel started must not be taken by the pipe, or Quonvel's own
// output would go into it.
bool MakePipe(int ends[2]) {
  int made[2];
  if (pipe2(made, O_CLOEXEC) != 0) return false;
  for (int k = 0; k < 2; ++k) {
    ends[k] =
        made[k] > STDERR_FILENO ? made[k] : fcntl(made[k], F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (ends[k] != made[k]) close(made[k]);
  }
  if (ends[0] >= 0 && ends[1] >= 0) return true;
  for (int k = 0; k < 2; ++k) {
    if (ends[k] >= 0) close(ends[k]);
  }
  return false;
}

CommandStart Refused(const std::string& program, int error) {
  if (error == ENOENT || error == ENOTDIR) {
    return {CommandStatus::kNotFound, 127,
            "Quonvel error: Cannot find the program \"" + program + "\"."};
  }
  return {CommandStatus::kNotStartable, 126,
          "Quonvel error: Cannot start \"" + program + "\": " + std::strerror(error) + "."};
}

}  // namespace

CommandStart StartProcess(const std::vector<std::string>& argv, CommandProcess& process) {
  std::vector<char*> pointers;
  for (const std::string& argument : argv) pointers.push_back(const_cast<char*>(argument.c_str()));
  pointers.push_back(nullptr);
  int output[2] = {-1, -1};
  int report[2] = {-1, -1};
  if (!MakePipe(output)) return Refused(argv[0], errno);
  if (!MakePipe(report)) {
    const int error = errno;
    close(output[0]);
    close(output[1]);
    return Refused(argv[0], error);
  }
  process.ownGroup = !InForegroundOfTerminal();
  // No stop request runs Quonvel's handler in the child before its exec.
  sigset_t stops, before;
  sigemptyset(&stops);
  sigaddset(&stops, SIGINT);
  sigaddset(&stops, SIGTERM);
  sigprocmask(SIG_BLOCK, &stops, &before);
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) Exec(pointers.data(), output[1], report[1], process.ownGroup, parent, before);
  const int forkError = errno;
  // Also here, so that the group exists before a signal is forwarded to it.
  if (pid > 0 && process.ownGroup) setpgid(pid, pid);
  close(output[1]);
  close(report[1]);
  const int error = pid < 0 ? forkError : ExecError(report[0]);
  close(report[0]);
  if (error != 0) {
    close(output[0]);
    int status = 0;
    if (pid > 0) waitpid(pid, &status, 0);
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return Refused(argv[0], error);
  }
  // Our end never blocks: the reader polls, and so notices the command's end.
  fcntl(output[0], F_SETFL, fcntl(output[0], F_GETFL) | O_NONBLOCK);
  process.id = pid;
  process.pipe = output[0];
  process.forwarding = true;
  ForwardStopsTo(process.ownGroup ? -pid : pid, !process.ownGroup);
  sigprocmask(SIG_SETMASK, &before, nullptr);
  return {};
}

namespace {

// Reaps the process if it has ended, without waiting.
void LookForEnd(CommandProcess& process) {
  int status = 0;
  if (process.ended || waitpid(static_cast<pid_t>(process.id), &status, WNOHANG) <= 0) return;
  process.ended = true;
  process.exitCode = CodeOf(status);
  process.endedAt = std::chrono::steady_clock::now();
  // Its process id is free now: nothing more goes to it.
  ForwardStopsTo(0, false);
  process.forwarding = false;
}

}  // namespace

long long ReadProcess(CommandProcess& process, char* to, std::size_t size) {
  const int pipe = static_cast<int>(process.pipe);
  for (;;) {
    const ssize_t got = read(pipe, to, std::min<std::size_t>(size, SSIZE_MAX));
    if (got >= 0) return got;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
    const int wait = process.ended ? QuietWaitMs(process) : kLookForEndMs;
    pollfd wanted = {pipe, POLLIN, 0};
    const int ready = wait <= 0 ? 0 : poll(&wanted, 1, wait);
    if (ready < 0 && errno != EINTR) return -1;
    if (ready == 0 && process.ended) {
      process.leftBehind = true;
      return 0;
    }
    if (ready == 0) LookForEnd(process);
  }
}

void ClosePipe(CommandProcess& process) {
  if (process.pipe >= 0) close(static_cast<int>(process.pipe));
  process.pipe = -1;
}

int WaitProcess(CommandProcess& process) {
  if (!process.ended && process.id > 0) {
    int status = 0;
    while (waitpid(static_cast<pid_t>(process.id), &status, 0) < 0 && errno == EINTR) {
    }
    process.ended = true;
    process.exitCode = CodeOf(status);
  }
  if (process.forwarding) ForwardStopsTo(0, false);
  process.forwarding = false;
  return process.exitCode;
}

void EndProcess(CommandProcess& process) {
  ClosePipe(process);
  if (process.ended || process.id <= 0) return;
  const pid_t target =
      process.ownGroup ? -static_cast<pid_t>(process.id) : static_cast<pid_t>(process.id);
  // A chance to clean up first (make removes a half-made target), then no
  // more: the run waits at most half a second for it.
  kill(target, SIGTERM);
  for (int waited = 0; waited < 500; waited += 10) {
    LookForEnd(process);
    if (process.ended) break;
    usleep(10 * 1000);
  }
  if (!process.ended) kill(target, SIGKILL);
  WaitProcess(process);
}

void ReleaseProcess(CommandProcess& process) {
  EndProcess(process);
  // What the command left running in its group ends with Quonvel, as a job
  // object ends it on Windows. (In the terminal's group it is left: it gets a
  // broken pipe at its next write.)
  if (process.leftBehind && process.ownGroup) kill(-static_cast<pid_t>(process.id), SIGKILL);
  process.id = -1;
}
