#include "output/console.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <string>

#include "output/stop_signals.h"

#ifdef _WIN32
// Standard output stays in text mode: _write sends every LF as CR LF.
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>

#include <csignal>
#endif

namespace {

enum class Written { kAll, kFailed, kReaderGone };

// Writes all of `bytes` to standard output, however many writes it takes.
Written WriteAll(std::string_view bytes) {
  while (!bytes.empty()) {
#ifdef _WIN32
    const unsigned size = static_cast<unsigned>(std::min<std::size_t>(bytes.size(), INT_MAX / 2));
    const int got = _write(1, bytes.data(), size);
    if (got < 0) {
      const DWORD error = GetLastError();
      return errno == EPIPE || error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE
                 ? Written::kReaderGone
                 : Written::kFailed;
    }
#else
    const ssize_t got = write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return errno == EPIPE ? Written::kReaderGone : Written::kFailed;
#endif
    if (got == 0) return Written::kFailed;
    bytes.remove_prefix(static_cast<std::size_t>(got));
  }
  return Written::kAll;
}

// Lines up to this size leave with their line end in one write; a longer
// line is written as it is and its line end after it, so that no buffer
// keeps its size.
constexpr std::size_t kJoinedLine = std::size_t{1} << 16;

bool readerGone = false;

}  // namespace

void PrepareStandardOutput() {
#ifndef _WIN32
  std::signal(SIGPIPE, SIG_IGN);
#endif
  InstallStopHandlers();
}

namespace {

// The lines that WriteBufferedLine keeps, about kJoinedLine bytes at most.
std::string& Buffered() {
  static std::string buffered;
  return buffered;
}

}  // namespace

bool FlushBufferedLines() {
  std::string& buffered = Buffered();
  if (readerGone) return false;
  if (buffered.empty()) return true;
  Written written = Written::kAll;
  {
    const WritingLine writing;
    written = WriteAll(buffered);
  }
  buffered.clear();
  readerGone = written == Written::kReaderGone;
  return !readerGone;
}

bool WriteLine(std::string_view text) {
  if (!FlushBufferedLines()) return false;
  static std::string line;
  Written written = Written::kAll;
  {
    const WritingLine writing;
    if (text.size() < kJoinedLine) {
      line.assign(text).push_back('\n');
      written = WriteAll(line);
    } else {
      written = WriteAll(text);
      if (written == Written::kAll) written = WriteAll("\n");
    }
  }
  readerGone = written == Written::kReaderGone;
  return !readerGone;
}

bool WriteBufferedLine(std::string_view text) {
  if (readerGone) return false;
  // A long line goes out on its own, so that the buffer keeps no large size.
  if (text.size() >= kJoinedLine) return WriteLine(text);
  std::string& buffered = Buffered();
  buffered.append(text).push_back('\n');
  return buffered.size() < kJoinedLine || FlushBufferedLines();
}
