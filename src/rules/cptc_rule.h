// Diagnostics of the C++ compiler. They take two physical lines, which the log
// reader has already joined by one blank, e.g.
//   cptc E1234: ["src/app/motor.cpp" 57] identifier "speedLimit" is undefined 57 return speedLimit;
// becomes two output lines
//   src/app/motor.cpp(57) : Error:  identifier "speedLimit" is undefined
//   return speedLimit;
#pragma once

#include "rules/diagnostic.h"
#include "rules/matcher.h"

const MessagePattern& CptcPattern();

// The record of a successful match; the continuation text is its excerpt.
Diagnostic CptcDiagnostic(const MatchResult& match);
