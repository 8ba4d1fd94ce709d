// The conversion of a whole log: every logical line that a message rule
// rewrites comes out as one printed line, in file order.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "log/log_reader.h"

// Turns one logical line (with its markers and where it stands in the log)
// into the text to print; returns false when the line prints nothing. Must
// depend on the line and its origin alone.
using LineConverter = bool (*)(LogLine line, const LineMarkers& markers, const LineOrigin& origin,
                               std::string& output);

// How the work is shared. A printed line depends on its logical line alone
// (a rule that matches overwrites the output line before it is printed), so
// while the main thread reads the log and writes the printed lines in order,
// a second thread can convert the parts read ahead.
struct ConvertSettings {
  // Parts, and log bytes in them, read ahead of the one being written.
  std::size_t readAheadParts = 4;
  std::size_t readAheadLogBytes = std::size_t{4} << 20;
  // A part of more log bytes (a very long line) is converted only when it is
  // written, straight into the sink, so its output is never held.
  std::size_t sharedPartLogBytes = std::size_t{4} << 20;
  bool secondThread = true;
  // The log's name as the converters are to print it.
  std::string_view log = {};
};

// Receives each printed line, without a line end, in file order; returns
// false when nobody takes lines any more, which ends the conversion.
using LineSink = std::function<bool(std::string_view line)>;

// Converts every line that `reader` reads with `convert` and hands the
// printed lines to `sink`. A part that ends what a pipe has delivered so far
// is printed before the next read. A failure (out of memory) on either
// thread ends the second thread and the main thread goes on alone, from the
// line that failed; a failure then reaches the caller after every line
// printed before the failing one has gone to `sink`.
void ConvertLog(LogReader& reader, LineConverter convert, const LineSink& sink,
                const ConvertSettings& settings = {});
