// Reading a log that Windows PowerShell 5.1 wrote with ">" (UTF-16 with a
// byte order mark) as the UTF-8 text it holds.
#pragma once

#include <cstddef>
#include <string_view>

// The most UTF-8 bytes that `bytes` UTF-16 bytes can become.
constexpr std::size_t Utf8Capacity(std::size_t bytes) { return bytes / 2 * 3 + 3; }

// Writes the UTF-8 text of the UTF-16 `units` at `to`, which has room for
// Utf8Capacity(units.size()) bytes, and sets `written`. A surrogate without
// its partner becomes U+FFFD. Unless `atEnd`, a last half unit or a last high
// surrogate is left for the next call; returns how many bytes were used.
std::size_t Utf16ToUtf8(std::string_view units, bool bigEndian, bool atEnd, char* to,
                        std::size_t& written);
