// Where the output goes: standard output, or the --Output file
// (output/output_file.h), always in whole lines; and standard error for the
// one message that cannot go to standard output.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Prepares standard output once at start: on POSIX no death by SIGPIPE when
// the reader of a pipe has gone away (the failed write says so instead), and
// the stop handlers, which let a line being written finish.
void PrepareStandardOutput();

// A descriptor open for writing that takes whole lines. A write that would
// block waits until the descriptor takes bytes again (a reader that made
// its pipe non-blocking has not asked for lost lines), and a short write is
// carried on, so a reader never sees a part of a line on its own. Where a
// reader can stall (a pipe, a terminal, a socket), lines are written in
// pieces that cannot block once begun, so a stop ends the run promptly
// between two lines.
// How a descriptor takes writes: a file or a device such as /dev/null at
// once; a pipe a piece of up to PIPE_BUF bytes whole or not at all; a
// terminal or a socket without blocking only after a wait for room.
enum class OutputKind { kFile, kPipe, kStream };

class LineOutput {
 public:
  // A descriptor of the C library (on Windows the C runtime's); it stays
  // open.
  explicit LineOutput(int descriptor);
  LineOutput(const LineOutput&) = delete;
  LineOutput& operator=(const LineOutput&) = delete;

  // Failed writes end the output and are reported (Failed()); a file grown
  // past its size limit is then one of them, not the process's end. Without
  // this call they are ignored and the run goes on, as the default layout
  // always did. A reader that went away ends the output either way.
  void StopOnFailure();

  // Writes `text` and a line end. Returns false once nothing more is written:
  // the reader has gone (a broken pipe), or a write failed that counts.
  bool WriteLine(std::string_view text);
  // The same, kept in a buffer that leaves in large writes, for text that no
  // reader can use before it is whole (a SARIF log). WriteLine and Flush
  // write what is kept first.
  bool WriteBufferedLine(std::string_view text);
  // Bytes of the log passed through unchanged (--Echo): one or more whole
  // lines with their line ends, or the log's last line without one.
  bool WriteBytesAsTheyCame(std::string_view bytes);
  bool Flush();

  bool ReaderGone() const { return readerGone_; }
  bool Failed() const { return failed_; }

 private:
  enum class Written { kAll, kFailed, kReaderGone };
  Written WriteBytes(std::string_view bytes, std::span<const std::size_t> lineEnds);
  bool Took(Written written);

  int descriptor_;
  OutputKind kind_;
  bool stopOnFailure_ = false;
  bool readerGone_ = false;
  bool failed_ = false;
  bool midLine_ = false;                   // part of a line is out; the rest must follow
  std::string line_;                       // one line and its line end, reused
  std::string buffered_;                   // the lines WriteBufferedLine keeps
  std::vector<std::size_t> bufferedEnds_;  // where each of them ends
};

// Standard output: the program's messages, and the layout's text when no
// --Output file takes it.
LineOutput& StandardOutput();

// A message line on standard output; failures to write it are ignored.
bool WriteLine(std::string_view text);

// A message line on standard error, for a failed write of the output, which
// the output itself cannot carry.
void WriteErrorLine(std::string_view text);

// `text` in double quotes for a message line, each control character
// written as \xNN: a name that holds a line end must not split the message
// or pass for a line of its own.
std::string QuotedForMessage(std::string_view text);
// The same without the quotes.
std::string EscapedForMessage(std::string_view text);
