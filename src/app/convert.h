// The conversion of a whole log: every logical line that a message rule
// rewrites comes out as one printed line, in file order.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "log/log_reader.h"

// How the work is shared. A printed line depends on its logical line alone
// (a rule that matches overwrites the output line before it is printed), so
// the log can be cut into parts of whole logical lines and converted on two
// threads while the main thread writes the parts in order.
struct ConvertSettings {
  std::size_t partSize = std::size_t{1} << 20;
  // A second thread stops running ahead while this much printed text waits.
  std::size_t aheadLimit = std::size_t{8} << 20;
  // Parts longer than this (very long lines) stay on the main thread, so
  // that two huge lines are never in memory at once.
  std::size_t largestSharedPart = std::size_t{4} << 20;
  bool secondThread = true;
};

// Turns one logical line (with its markers) into the text to print; returns
// false when the line prints nothing. Must depend on the line alone.
using LineConverter = bool (*)(LogLine line, const LineMarkers& markers, std::string& output);

// Receives each printed line, without a line end, in file order.
using LineSink = std::function<void(std::string_view line)>;

// Converts every line of `queue` with `convert` and hands the printed lines
// to `sink`. An exception thrown while converting (out of memory) reaches the
// caller after every line printed before the failing one has gone to `sink`.
void ConvertLog(LineQueue& queue, LineConverter convert, const LineSink& sink,
                const ConvertSettings& settings = {});
