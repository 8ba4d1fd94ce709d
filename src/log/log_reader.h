// Reading the captured toolchain output into logical lines.
//
// The whole file is read in one go into a single buffer before the first line
// is handed out. Text-mode rules are applied by us on every platform, so that
// a log reads the same everywhere: a byte 0x1A ends the input, a CR directly
// before an LF belongs to the line end, any other CR stays in the line. A
// physical line that contains "cptc" is joined with the line after it by one
// blank.
//
// Lines are cut from the buffer as they are taken, not copied out one by one:
// a view per line, and one reused buffer for a joined line whose first part
// ended in CR LF. Logs run to hundreds of megabytes of short lines, so the
// buffer is scanned 64 bytes at a time for line ends and marker letters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "log/byte_masks.h"

// One logical line, without its line end. It points into the `LineQueue` that
// produced it and stays valid until the next line is taken from that queue.
using LogLine = std::string_view;

// Which of the texts that decide the message rules a line holds: "ctc",
// "ltc", "cptc" and "No valid license found", each anywhere in the line.
struct LineMarkers {
  bool ctc = false;
  bool ltc = false;
  bool cptc = false;
  bool licence = false;

  bool Any() const { return ctc || ltc || cptc || licence; }
};

LineMarkers FindMarkers(std::string_view line);

// The logical lines of one log in file order, taken front to back.
struct LineQueue {
  static constexpr std::size_t kDrained = static_cast<std::size_t>(-1);
  std::unique_ptr<char[]> storage;  // the file's bytes; empty in a part of a queue
  std::string_view text;            // the lines' bytes: the file's before a 0x1A
  char* bytes = nullptr;            // the same bytes, for joining a line in place
  std::size_t front = kDrained;  // start of the next physical line
  std::string joined;            // the last joined line, when it had to be copied
  // The masks of the last 64-byte chunk looked at; lines are taken front to
  // back, so a chunk shared by two lines is masked once.
  std::size_t maskedChunk = kDrained;
  ByteMasks masks;
  std::uint64_t pairs = 0;  // 't's followed by 'c' in that chunk
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

// Makes `queue` hand out the logical lines of raw file bytes. Always yields
// at least one line (an empty text is one empty line).
void BuildLineQueue(std::string bytes, LineQueue& queue);

// True while lines remain to be taken.
bool HasLines(const LineQueue& queue);

// Takes the front line; returns false when the queue is drained.
bool PopLine(LineQueue& queue, LogLine& line);

// Takes the front line together with its markers.
bool PopLine(LineQueue& queue, LogLine& line, LineMarkers& markers);

// Takes the next line that holds a marker, passing over those that hold none:
// no message rule can apply to them.
bool PopMarkedLine(LineQueue& queue, LogLine& line, LineMarkers& markers);

// Where to cut the lines of a freshly built `queue` into parts of about
// `partSize` bytes that can be converted independently: ascending offsets
// into its text, the first 0 and the last the text's size. Each cut follows
// a physical line without "cptc", so a logical line always starts there.
std::vector<std::size_t> LogicalLineCuts(const LineQueue& queue, std::size_t partSize);

// A queue of the lines between two cuts of `whole`, sharing its bytes. Parts
// of one queue may be taken from on different threads at once. The part's
// last line is followed by an empty one, which holds no marker.
LineQueue PartOf(const LineQueue& whole, std::size_t begin, std::size_t end);
