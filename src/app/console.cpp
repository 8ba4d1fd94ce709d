#include "app/console.h"

#include <cstdio>

#ifdef _WIN32
// Standard output stays in text mode: every LF leaves as CR LF.
#else
#include <csignal>
#endif

void PrepareStandardOutput() {
#ifndef _WIN32
  std::signal(SIGPIPE, SIG_IGN);
#endif
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
}

void WriteLine(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void WriteBufferedLine(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
}
