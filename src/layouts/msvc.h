// The MSVC output window's layout, the default, byte for byte as it always
// was:
//   src/can_drv.c(118,23) :Warning:  conversion of constant to narrower type
//   src/app/motor.cpp(57) : Error:  identifier "speedLimit" is undefined
//   return speedLimit;
//   ltc E106: unresolved external: foo
//   Error: No valid license found!
// It reads the log the classic way, quirks included.
#pragma once

#include <memory>
#include <string>

#include "layouts/layout.h"

// The output-window text of a classic rule's record, written over `output`.
void FormatMsvcLine(const Diagnostic& diagnostic, std::string& output);

std::unique_ptr<Layout> MakeMsvcLayout(const LayoutSettings& settings);
