// The MSVC output window's layout, the default, byte for byte as it always
// was:
//   src/can_drv.c(118,23) :Warning:  conversion of constant to narrower type
//   src/app/motor.cpp(57) : Error:  identifier "speedLimit" is undefined
//   return speedLimit;
//   ltc E106: unresolved external: foo
//   Error: No valid license found!
// It reads the log the classic way, quirks included.
#pragma once

#include <string>

#include "log/log_reader.h"
#include "rules/diagnostic.h"

// The output-window line of any rule's record, written over `output`.
void FormatMsvcLine(const Diagnostic& diagnostic, std::string& output);

// The classic dispatch with this layout: the last rule tried decides.
bool DispatchLine(LogLine line, const LineMarkers& markers, std::string& output);

// The same as a line converter; the line's origin is not printed.
bool ConvertLineMsvc(LogLine line, const LineMarkers& markers, const LineOrigin& origin,
                     std::string& output);
