// Linker errors, passed through unchanged, and the C compiler's notice that it
// found no licence, which becomes a short error line.
#pragma once

#include <string>

#include "rules/matcher.h"

const MessagePattern& LtcPattern();
const MessagePattern& LicensePattern();

std::string FormatLicenseMessage(const MatchResult& match);
void FormatLicenseMessage(const MatchResult& match, std::string& output);
