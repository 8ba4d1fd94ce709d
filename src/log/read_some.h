// Reading what an input has to give now: a file gives a whole block, a pipe
// or a terminal what it holds, so that lines can be printed as they arrive.
#pragma once

#include <cstddef>
#include <cstdio>

// Reads up to `size` bytes of `file` into `to`, waiting only until some are
// there. Returns how many, 0 at the end of the input (a pipe whose writer has
// closed it included), or -1 when the read failed. Bypasses the FILE's own
// buffer, which must never have been used.
long long ReadSome(std::FILE* file, char* to, std::size_t size);
