// The platform's half of a running command (command_posix.cpp,
// command_win.cpp): starting it with one pipe for its standard output and
// standard error, reading that pipe with a bounded end, waiting and ending.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "input/command.h"

struct CommandProcess {
  std::intptr_t id = -1;    // POSIX: the process id; Windows: its handle
  std::intptr_t pipe = -1;  // the pipe's read end: a descriptor or a handle
  std::intptr_t job = 0;    // Windows: the job object that ends with Quonvel
  std::intptr_t event = 0;  // Windows: the event of the overlapped read
  bool ownGroup = false;    // POSIX: it leads a process group of its own
  bool ended = false;       // it has ended; exitCode holds its code
  bool forwarding = false;  // stop requests go to it
  bool leftBehind = false;  // its output ended quiet: a process it left holds the pipe
  int exitCode = 0;
  std::chrono::steady_clock::time_point endedAt;
};

CommandStart StartProcess(const std::vector<std::string>& argv, CommandProcess& process);

// ReadSome's contract, on the pipe; 0 also after kQuietEndMs without a byte
// once the process has ended.
long long ReadProcess(CommandProcess& process, char* to, std::size_t size);

// Closes the pipe; a process that still writes to it gets a broken pipe.
void ClosePipe(CommandProcess& process);

// Waits for the end and returns the code; stops the forwarding.
int WaitProcess(CommandProcess& process);

// Ends a process that still runs, then waits for it.
void EndProcess(CommandProcess& process);

// Closes what is left (the process ended first if it still runs).
void ReleaseProcess(CommandProcess& process);

// How long a read may still wait for bytes now that the process has ended:
// kQuietEndMs, less once kLongestEndMs have passed since its end; 0 or less
// means the output is complete.
int QuietWaitMs(const CommandProcess& process);
