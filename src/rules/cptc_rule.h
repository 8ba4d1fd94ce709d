// Diagnostics of the C++ compiler. They take two physical lines, which the log
// reader has already joined by one blank, e.g.
//   cptc E1234: ["src/app/motor.cpp" 57] identifier "speedLimit" is undefined 57 return speedLimit;
// becomes two output lines
//   src/app/motor.cpp(57) : Error:  identifier "speedLimit" is undefined
//   return speedLimit;
#pragma once

#include <string>

#include "rules/matcher.h"

const MessagePattern& CptcPattern();

std::string FormatCptcMessage(const MatchResult& match);
void FormatCptcMessage(const MatchResult& match, std::string& output);
