// Where the bytes that matter for line splitting and marker finding stand in
// a stretch of up to 64 bytes, as one bit a byte. Building logs run to
// hundreds of megabytes of short lines; looking at 16 bytes at a time instead
// of calling a search function per line keeps reading them nearly free.
#pragma once

#include <cstddef>
#include <cstdint>

#include "log/markers.h"

struct ByteMasks {
  std::uint64_t lf = 0;   // '\n'
  LetterMasks letters{};  // one mask per letter of kMarkerLetters, in its order
};

// Bit i stands for bytes[i]; bits at and above `count` (at most 64) are 0.
ByteMasks MaskBytes(const char* bytes, std::size_t count);

// How many of the first `count` bytes come before the first CR or LF: the run
// that a "(.*)" can take.
std::size_t CountBeforeLineEnd(const char* bytes, std::size_t count);

// How many of the first `count` bytes are LFs.
std::size_t CountLineFeeds(const char* bytes, std::size_t count);
