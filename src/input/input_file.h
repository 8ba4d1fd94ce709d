// The log's source: a file, standard input or a running command's output
// (input/command.h), read in binary mode and by what is there now, so that a
// pipe's lines can be converted as they come.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

// A command that Quonvel runs, and how it ends (input/command.cpp).
struct RunningCommand;
struct RunningCommandEnd {
  void operator()(RunningCommand* command) const;
};

// The input file, opened in binary mode, or the command that writes the log.
struct InputFile {
  struct Closer {
    // Standard input stays open: it is not ours to close.
    void operator()(std::FILE* file) const {
      if (file != stdin) std::fclose(file);
    }
  };
  std::unique_ptr<std::FILE, Closer> handle;
  // Whether a read returned bytes: a read that fails before any did could
  // not read the log from its start.
  bool delivered = false;
  std::unique_ptr<RunningCommand, RunningCommandEnd> command;
};

// The reading and closing of a command's output (input/command.cpp).
long long ReadCommand(RunningCommand& command, char* to, std::size_t size);
void CloseCommand(RunningCommand& command);

// Opens `path` for reading without keeping other readers or writers out. A
// directory, or anything that cannot be opened, leaves the file not open.
// "-" is standard input (in binary mode: the text-mode rules are ours); a
// file of that name is "./-".
InputFile OpenInputFile(const std::string& path);

bool IsOpen(const InputFile& input);

// Reads up to `size` bytes of `input` into `to`, waiting until some are there
// (also on a descriptor that another process made non-blocking). Returns how
// many, 0 at the end of the input (a pipe whose writer has closed it
// included), or -1 when the read failed. Bypasses the FILE's own buffer,
// which must never have been used.
long long ReadSome(InputFile& input, char* to, std::size_t size);

// Closes the input once nothing more is to be read from it. A command's
// output is closed, the command itself is waited for by WaitForCommand.
void Close(InputFile& input);
