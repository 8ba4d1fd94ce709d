// Diagnostics of the C compiler, e.g.
//   ctc W505: ["src/can_drv.c" 118/23] conversion of constant to narrower type
// become
//   src/can_drv.c(118,23) :Warning:  conversion of constant to narrower type
#pragma once

#include "rules/diagnostic.h"
#include "rules/matcher.h"

// The compiled pattern, built on the first call and shared afterwards.
const MessagePattern& CtcPattern();

// The record of a successful match of `CtcPattern()`.
Diagnostic CtcDiagnostic(const MatchResult& match);
