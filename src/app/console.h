// Standard output, the program's only channel.
#pragma once

#include <string_view>

// Prepares standard output once at start: block buffering, so that a line and
// its line end leave in one write, and on POSIX no death by SIGPIPE when the
// reader of a pipe has gone away (a failed write is simply not noticed).
void PrepareStandardOutput();

// Writes `text`, a line end and flushes. Failures are ignored on purpose: the
// run goes on and the exit code does not change.
void WriteLine(std::string_view text);

// The same without the flush, for text that no reader can use before it is
// whole (a SARIF log): the buffer then leaves in large writes. The next
// WriteLine, or the program's end, flushes it.
void WriteBufferedLine(std::string_view text);
