// Diagnostics of the C compiler, e.g.
//   ctc W505: ["src/can_drv.c" 118/23] conversion of constant to narrower type
// become
//   src/can_drv.c(118,23) :Warning:  conversion of constant to narrower type
#pragma once

#include <string>

#include "rules/matcher.h"

// The compiled pattern, built on the first call and shared afterwards.
const MessagePattern& CtcPattern();

// Builds the output text from a successful match of `CtcPattern()`.
std::string FormatCtcMessage(const MatchResult& match);
// The same, written over `output` so that its storage is reused.
void FormatCtcMessage(const MatchResult& match, std::string& output);
