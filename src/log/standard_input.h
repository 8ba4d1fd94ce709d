// Standard input as the log: `--InputFile=-`, so that a build step can pipe
// the toolchain into Quonvel.
#pragma once

#include <cstdio>

// Standard input switched to binary mode, so that it reads by the same
// text-mode rules as a file (they are ours, not the C runtime's).
std::FILE* BinaryStandardInput();
