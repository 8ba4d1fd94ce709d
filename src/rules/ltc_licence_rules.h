// Linker errors, passed through unchanged, and the C compiler's notice that it
// found no licence, which becomes a short error line.
#pragma once

#include "rules/diagnostic.h"
#include "rules/matcher.h"

const MessagePattern& LtcPattern();
const MessagePattern& LicensePattern();

// The records of successful matches. The linker's message number is not a
// group of its pattern; it is read from the line after the letter.
Diagnostic LtcDiagnostic(const MatchResult& match);
Diagnostic LicenseDiagnostic(const MatchResult& match);
