// Starting the built Quonvel as a child process and capturing what it does.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct ProcessResult {
  bool started = false;
  int exitCode = 0;  // as the test's platform reports it; see ExitCodeOf()
  std::string out;   // standard output, bytes as they left the process
  std::string err;   // standard error
};

enum class StdoutMode { kPipe, kClosed, kDevFull };

// Runs `program` with the argument vector `arguments`; arguments[0] is what
// the child sees as its argument 0, which need not name the program.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         StdoutMode mode = StdoutMode::kPipe);

// The exit code that a program returning `code` from main reports here.
int ExitCodeOf(int code);

// The path of the Quonvel executable under test.
std::string QuonvelPath();

// Every layout of the executable under test, the default (msvc) first, as it
// names them when --Format names none: a test that goes through the layouts
// takes them from here, so that a new layout reaches it without an edit.
const std::vector<std::string>& LayoutNames();

// The bytes Quonvel writes for these lines: each followed by the platform's
// line end (LF on POSIX, CR LF on Windows, where every LF leaves as CR LF).
std::string OutputLines(const std::vector<std::string_view>& lines);
