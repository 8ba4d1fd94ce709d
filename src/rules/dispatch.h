// Deciding, for one logical line, which message rules to try and what to print.
#pragma once

#include <string>

#include "log/log_reader.h"

// Tries, in order, the C compiler, linker, C++ compiler and licence rules whose
// marker text ("ctc", "ltc", "cptc", "No valid license found") occurs in the
// line. Each rule that matches overwrites `output`; nothing clears it. Returns
// the result of the last rule tried (not the OR of all), false if none was.
bool DispatchLine(LogLine line, std::string& output);

// The same, with the markers already known (the log reader finds them while
// it cuts the lines).
bool DispatchLine(LogLine line, const LineMarkers& markers, std::string& output);
