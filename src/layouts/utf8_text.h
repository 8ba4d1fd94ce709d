// Text for clients that read UTF-8: the layouts write byte strings from the
// log, which need not be valid UTF-8.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD

// The length of the valid UTF-8 sequence at `text[at]` (a byte of 0x80 or
// above), or 0 and in `bad` the length of its longest valid start, which
// becomes one U+FFFD: what a JavaScript or .NET decoder makes of it.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at, std::size_t& bad);

// An ASCII byte and what stands for it.
struct ByteEscape {
  char byte;
  std::string_view escape;
};

// Appends `text` as valid UTF-8 (each invalid sequence as U+FFFD), with the
// escape of each byte that `escapes` names instead of the byte.
void AppendEscapedUtf8(std::string_view text, std::span<const ByteEscape> escapes,
                       std::string& output);
