// Searching the bytes of the log fast: logs run to hundreds of megabytes of
// short lines, and most bytes are only looked at here.
#pragma once

#include <cstddef>
#include <string_view>

// The first `byte` in [from, to), or `to`.
const char* FindByte(const char* from, const char* to, char byte);

// The first CR or LF in [from, to), or `to`. Sixteen bytes at a time.
const char* FindLineEnd(const char* from, const char* to);

// The first place in [from, to) where `text` (two bytes or more) starts and
// ends before `to`, or `to`. Sixteen places at a time, by its first two bytes.
const char* FindText(const char* from, const char* to, std::string_view text);
