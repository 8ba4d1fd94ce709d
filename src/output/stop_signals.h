// Stopping on request (SIGTERM, SIGINT; on Windows Ctrl+C, Ctrl+Break and a
// closed console) without a torn line: a reader that sees half a line would
// take it for a diagnostic with a wrong text.
#pragma once

// Installs the handlers once at start. A stop request ends the process at
// once, or, while a line is being written, right after that line; a line
// that the reader does not take within half a second is given up, so that a
// stalled reader keeps no stopped process alive. The exit code is
// 128 + the signal's number on POSIX, as a shell reports a program
// that the signal ended, and on Windows 0xC000013A (STATUS_CONTROL_C_EXIT),
// what a console program that Ctrl+C ends returns. A signal ignored when the
// program starts (SIGINT for a job a script starts in the background) stays
// ignored.
void InstallStopHandlers();

// Mark the writing of one line on the thread that writes the output: from
// the write of its first byte to that of its last. Each ends the process
// when a stop was requested before it, so no line is begun after a stop and
// none is left half written.
void StartingLine();
void LineDone();

// A file that a stop request removes at once (the unfinished --Output file);
// nullptr for none. The text must stay until it is replaced.
void RemoveOnStop(const char* path);

// Run mode: while a command runs, a stop request (SIGINT, SIGTERM; Ctrl+C and
// Ctrl+Break on Windows) goes to it instead of ending Quonvel, which goes on
// converting what the command still writes. `target` is the process (or, as
// -pgid, the process group) for kill(); 0 ends the forwarding.
// `terminalReachesIt`: the command shares Quonvel's process group, so a
// signal from the terminal has reached it already and is not sent twice.
void ForwardStopsTo(long target, bool terminalReachesIt);
