// Reading the captured toolchain output into logical lines.
//
// The whole file is read in one go into a single buffer. Text-mode rules are
// applied by us on every platform, so that a log reads the same everywhere:
// a byte 0x1A ends the input, a CR directly before an LF is dropped, any other
// CR stays. A physical line that contains "cptc" is joined with the line after
// it by one blank; because CR LF pairs are folded first, the two lines are
// adjacent and the join is a single byte rewrite.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

// One logical line, without its line end. It points into the `LineQueue` that
// produced it and stays valid while that queue lives and is not refilled.
using LogLine = std::string_view;

// The logical lines of one log in file order. They are kept back to back in
// `text`, separated by LF: a logical line never holds an LF of its own, so the
// separator is unambiguous and no per-line storage is needed.
struct LineQueue {
  static constexpr std::size_t kDrained = static_cast<std::size_t>(-1);
  std::string text;
  std::size_t front = kDrained;  // offset of the first unread line
};

// The input file, opened in binary mode. `readFailed` is set when a read
// fails for another reason than the end of the file.
struct InputFile {
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, Closer> handle;
  std::uintmax_t sizeHint = 0;
  bool readFailed = false;
};

// Opens `path` for reading without keeping other readers or writers out. A
// directory, or anything that cannot be opened, leaves the file not open.
InputFile OpenInputFile(const std::string& path);

bool IsOpen(const InputFile& input);

// Fills `queue` with the logical lines of the whole file and closes it.
// Returns true if the queue holds at least one line. A file that is not open
// leaves the queue empty; an open file always yields at least one line (an
// empty file is one empty line). On a read error the bytes read so far are
// kept and `input.readFailed` is set.
bool ReadLogFile(InputFile& input, LineQueue& queue);

// Turns raw file bytes into the logical lines of `queue`, applying the
// text-mode rules and the "cptc" join. Always yields at least one line.
void BuildLineQueue(std::string bytes, LineQueue& queue);

// True while lines remain to be taken.
bool HasLines(const LineQueue& queue);

// Takes the front line; returns false when the queue is drained.
bool PopLine(LineQueue& queue, LogLine& line);
