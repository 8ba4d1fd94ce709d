// Standard output, the program's only channel.
#pragma once

#include <string_view>

// Prepares standard output once at start: on POSIX no death by SIGPIPE when
// the reader of a pipe has gone away (the failed write says so instead), and
// the stop handlers, which let a line being written finish.
void PrepareStandardOutput();

// Writes `text` and a line end, whole: a short write is carried on until the
// line is out, so a reader never sees a part of it on its own. Returns false
// once the reader of standard output has gone (a broken pipe); nothing more
// is written then. Other failures (a full disk, a closed standard output) are
// ignored on purpose: the run goes on and the exit code does not change.
bool WriteLine(std::string_view text);

// The same, kept in a buffer that leaves in large writes, for text that no
// reader can use before it is whole (a SARIF log). WriteLine and
// FlushBufferedLines write what is kept first.
bool WriteBufferedLine(std::string_view text);
bool FlushBufferedLines();
