// Run mode's input: a command that Quonvel starts and whose standard output
// and standard error it reads, both through one pipe, so that its lines keep
// the order in which it wrote them. The command's standard input, environment
// and working folder are Quonvel's own.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "input/input_file.h"

struct CommandSettings {
  // --Log: the file that takes the command's output byte for byte as it
  // arrives; empty for none.
  std::string log;
};

// What a shell answers for a command it could not run: 127 when the program
// is not found, 126 when it is found but cannot be started (or, on Windows,
// a batch file whose arguments cmd.exe would not pass on unchanged).
enum class CommandStatus { kStarted, kNotFound, kNotStartable, kLogNotWritable };

struct CommandStart {
  CommandStatus status = CommandStatus::kStarted;
  int exitCode = 0;     // 127, 126, or -4 for a --Log that cannot be written
  std::string message;  // one line for standard error, when not started
};

// Starts `argv` (argv[0] names the program, looked up as the platform's shell
// would; no shell in between) with its output read through `input`. ReadSome
// on `input` then returns what the command writes, and tells the end once the
// command has ended and the pipe is empty, or has stayed quiet for
// kQuietEndMs after the command's end (a process it left behind may hold the
// pipe open for ever). Each read is also written to the --Log file, and its
// last lines are kept for CommandTail().
CommandStart StartCommand(const std::vector<std::string>& argv, InputFile& input,
                          const CommandSettings& settings);

// How long the pipe of a command that has ended may stay quiet before its
// output counts as complete.
// A process left behind that keeps writing holds the run at most
// kLongestEndMs after the command's end.
constexpr int kQuietEndMs = 200;
constexpr int kLongestEndMs = 2000;

// Waits for the command to end and returns its exit code as a shell reports
// it: 128 + the signal's number for a command that a signal ended (POSIX).
// Stops forwarding stop requests to it.
int WaitForCommand(InputFile& input);

// Ends a command that still runs (and on POSIX the process group it leads),
// for a run that stops before the command's end: a reader of Quonvel's output
// that went away, a failed write.
void EndCommand(InputFile& input);

// The last kTailLines lines the command wrote, each cut to kTailLineBytes
// bytes, without their line ends; a last line without a line end counts.
constexpr int kTailLines = 20;
constexpr std::size_t kTailLineBytes = 512;
std::vector<std::string> CommandTail(const InputFile& input);

// Whether a write to the --Log file failed (the rest is not written).
bool CommandLogFailed(const InputFile& input);
