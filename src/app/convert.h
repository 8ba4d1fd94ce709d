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
// the parts the reader hands out can be converted on two threads while the
// main thread reads the next parts and writes the converted ones in order.
struct ConvertSettings {
  // A second thread stops running ahead while this much printed text waits.
  std::size_t aheadLimit = std::size_t{8} << 20;
  // Parts longer than this (very long lines) stay on the main thread.
  std::size_t largestSharedPart = std::size_t{4} << 20;
  // Parts are read ahead of the one being written while fewer than this
  // many, holding fewer bytes than this, wait; so a part with a very long
  // line is never in memory together with another.
  std::size_t partsAhead = 4;
  std::size_t bytesAhead = std::size_t{4} << 20;
  bool secondThread = true;
  // The log's name as the converters are to print it.
  std::string_view log = {};
};

// Receives each printed line, without a line end, in file order.
using LineSink = std::function<void(std::string_view line)>;

// Converts every line that `reader` reads with `convert` and hands the
// printed lines to `sink`. A part that the second thread failed to convert
// is converted again on the main thread. An exception thrown while reading
// or converting on the main thread (out of memory) reaches the caller after
// every line printed before the failing one has gone to `sink`.
void ConvertLog(LogReader& reader, LineConverter convert, const LineSink& sink,
                const ConvertSettings& settings = {});
