#include "output/console.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <string>

#include "output/stop_signals.h"

#ifdef _WIN32
// The descriptors stay in text mode: _write sends every LF as CR LF.
#include <fcntl.h>
#include <io.h>
#include <stdlib.h>
#include <windows.h>
#else
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

namespace {

enum class Result { kWrote, kNotNow, kReaderGone, kFailed };

#ifdef _WIN32

// A pipe offers no wait for room: each line goes in one write.
constexpr std::size_t kPiece = INT_MAX / 2;
OutputKind KindOf(int) { return OutputKind::kFile; }
void WaitUntilWritable(int) { Sleep(1); }

Result WriteSome(int descriptor, const char* bytes, std::size_t size, std::size_t& written) {
  const int got = _write(descriptor, bytes, static_cast<unsigned>(std::min(size, kPiece)));
  if (got > 0) {
    written = static_cast<std::size_t>(got);
    return Result::kWrote;
  }
  const unsigned long error = _doserrno;
  const DWORD lastError = GetLastError();
  if (got < 0 && (errno == EPIPE || error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE ||
                  lastError == ERROR_NO_DATA || lastError == ERROR_BROKEN_PIPE)) {
    return Result::kReaderGone;
  }
  // A pipe in non-waiting mode that has no room takes nothing, which the C
  // runtime reports as a full disk without a system error.
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
  if ((got == 0 || (errno == ENOSPC && error == 0)) && GetFileType(handle) == FILE_TYPE_PIPE) {
    return Result::kNotNow;
  }
  return Result::kFailed;
}

#else

// What a pipe takes whole or not at all, and what a descriptor that polls
// writable takes without blocking.
#ifdef PIPE_BUF
constexpr std::size_t kPiece = PIPE_BUF;
#else
constexpr std::size_t kPiece = 512;  // the least that POSIX allows
#endif

// A terminal or a socket can stall; a device such as /dev/null cannot.
OutputKind KindOf(int descriptor) {
  struct stat status {};
  if (fstat(descriptor, &status) != 0) return OutputKind::kStream;
  if (S_ISREG(status.st_mode)) return OutputKind::kFile;
  if (S_ISFIFO(status.st_mode)) return OutputKind::kPipe;
  return S_ISSOCK(status.st_mode) || isatty(descriptor) ? OutputKind::kStream : OutputKind::kFile;
}

// Returns once a write of up to kPiece bytes does not block, or would fail
// at once (the reader gone, the descriptor closed).
void WaitUntilWritable(int descriptor) {
  pollfd wanted = {descriptor, POLLOUT, 0};
  while (poll(&wanted, 1, -1) < 0 && errno == EINTR) {
  }
}

Result WriteSome(int descriptor, const char* bytes, std::size_t size, std::size_t& written) {
  const ssize_t got = write(descriptor, bytes, std::min<std::size_t>(size, SSIZE_MAX));
  if (got > 0) {
    written = static_cast<std::size_t>(got);
    return Result::kWrote;
  }
  if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
    return Result::kNotNow;
  }
  return got < 0 && errno == EPIPE ? Result::kReaderGone : Result::kFailed;
}

#endif

// Lines up to this size leave with their line end in one write; a longer
// line is written as it is and its line end after it, so that no buffer
// keeps its size.
constexpr std::size_t kJoinedLine = std::size_t{1} << 16;

}  // namespace

void PrepareStandardOutput() {
#ifndef _WIN32
  std::signal(SIGPIPE, SIG_IGN);
  // A file grown past the size limit is a failed write, not the process's
  // end; a layout that ignores failed writes goes on as it would on a full
  // disk.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  InstallStopHandlers();
}

LineOutput::LineOutput(int descriptor) : descriptor_(descriptor), kind_(KindOf(descriptor)) {}

void LineOutput::StopOnFailure() { stopOnFailure_ = true; }

// Writes `bytes`, in which a line ends at each of `lineEnds` (ascending);
// bytes after the last of them begin a line that a later call ends. The stop
// handlers see a line from its first byte to its last, unless a pipe takes
// it in one write: a pipe takes such a write whole or not at all, so a stop
// may end the process during it. Where a reader can stall the output, each
// piece waits for room first, so that a stop between two lines is prompt.
LineOutput::Written LineOutput::WriteBytes(std::string_view bytes,
                                           std::span<const std::size_t> lineEnds) {
  std::size_t done = 0;
  std::size_t nextEnd = 0;  // the first of lineEnds after `done`
  bool full = false;        // the last write found no room
  if (kind_ == OutputKind::kFile && !midLine_ && !bytes.empty()) {
    // A file or a device takes every write at once: the common case, tried
    // first in one write; what it leaves goes the general way below.
    StartingLine();
    std::size_t written = 0;
    const Result result = WriteSome(descriptor_, bytes.data(), bytes.size(), written);
    if (result == Result::kWrote) {
      done = written;
      while (nextEnd < lineEnds.size() && lineEnds[nextEnd] <= done) ++nextEnd;
      midLine_ = nextEnd == 0 || lineEnds[nextEnd - 1] != done;
    }
    if (!midLine_) LineDone();
    if (result == Result::kNotNow) full = true;
    if (result == Result::kReaderGone) return Written::kReaderGone;
    if (result == Result::kFailed) return Written::kFailed;
  }
  while (done < bytes.size()) {
    // As many whole lines as fit in a piece, or a piece of a longer line.
    std::size_t size = bytes.size() - done;
    std::size_t end = nextEnd;
    while (end < lineEnds.size() && lineEnds[end] - done <= std::min(size, kPiece)) ++end;
    if (kind_ != OutputKind::kFile && size > kPiece) {
      size = end > nextEnd ? lineEnds[end - 1] - done : kPiece;
    }
    const bool wholeLines = end > nextEnd && lineEnds[end - 1] == done + size;
    const bool atOnce = kind_ == OutputKind::kPipe && !midLine_ && wholeLines;
    const bool marked = midLine_ || !atOnce;
    // Between two lines a stop ends the process during this wait.
    if (full || (kind_ != OutputKind::kFile && !atOnce)) WaitUntilWritable(descriptor_);
    if (!midLine_ && marked) StartingLine();
    std::size_t written = 0;
    const Result result = WriteSome(descriptor_, bytes.data() + done, size, written);
    if (result != Result::kWrote) {
      if (marked) LineDone();
      if (result == Result::kNotNow) {
        full = true;
        continue;
      }
      midLine_ = false;
      return result == Result::kReaderGone ? Written::kReaderGone : Written::kFailed;
    }
    full = false;
    done += written;
    while (nextEnd < lineEnds.size() && lineEnds[nextEnd] <= done) ++nextEnd;
    midLine_ = nextEnd == 0 || lineEnds[nextEnd - 1] != done;
    if (marked && !midLine_) LineDone();
    if (!marked && midLine_) StartingLine();  // a pipe that took part after all
  }
  return Written::kAll;
}

bool LineOutput::Took(Written written) {
  if (written == Written::kReaderGone) readerGone_ = true;
  if (written == Written::kFailed && stopOnFailure_) failed_ = true;
  return !readerGone_ && !failed_;
}

bool LineOutput::Flush() {
  if (readerGone_ || failed_) return false;
  if (buffered_.empty()) return true;
  const Written written = WriteBytes(buffered_, bufferedEnds_);
  buffered_.clear();
  bufferedEnds_.clear();
  return Took(written);
}

bool LineOutput::WriteLine(std::string_view text) {
  if (!Flush()) return false;
  if (text.size() < kJoinedLine) {
    line_.assign(text).push_back('\n');
    const std::size_t end = line_.size();
    return Took(WriteBytes(line_, {&end, 1}));
  }
  Written written = WriteBytes(text, {});
  if (written == Written::kAll) {
    const std::size_t end = 1;
    written = WriteBytes("\n", {&end, 1});
  }
  return Took(written);
}

bool LineOutput::WriteBytesAsTheyCame(std::string_view bytes) {
  if (!Flush()) return false;
  const std::size_t end = bytes.size();
  const std::span<const std::size_t> lineEnds(&end, bytes.ends_with('\n') ? 1u : 0u);
#ifdef _WIN32
  // Standard output is in text mode, which would make each LF a CR LF; the
  // log's bytes leave as they came, also a line end that two reads split
  // into a CR and an LF.
  const int mode = _setmode(descriptor_, _O_BINARY);
  const Written written = WriteBytes(bytes, lineEnds);
  if (mode != -1) _setmode(descriptor_, mode);
  return Took(written);
#else
  return Took(WriteBytes(bytes, lineEnds));
#endif
}

bool LineOutput::WriteBufferedLine(std::string_view text) {
  if (readerGone_ || failed_) return false;
  // A long line goes out on its own, so that the buffer keeps no large size.
  if (text.size() >= kJoinedLine) return WriteLine(text);
  // Allocation first, so that a failure leaves every kept line with its end.
  const std::size_t end = buffered_.size() + text.size() + 1;
  buffered_.reserve(end);
  bufferedEnds_.push_back(end);
  buffered_.append(text).push_back('\n');
  return buffered_.size() < kJoinedLine || Flush();
}

LineOutput& StandardOutput() {
  static LineOutput output(1);
  return output;
}

bool WriteLine(std::string_view text) { return StandardOutput().WriteLine(text); }

void WriteErrorLine(std::string_view text) {
  static LineOutput error(2);
  error.WriteLine(text);
}

// Appended rather than added up: GCC 12 (MinGW-w64, -O3) takes
// "\"" + std::string&& for an overlapping copy (-Werror=restrict).
std::string QuotedForMessage(std::string_view text) {
  std::string quoted(1, '"');
  quoted.append(EscapedForMessage(text)).push_back('"');
  return quoted;
}

std::string EscapedForMessage(std::string_view text) {
  std::string quoted;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      quoted.push_back(c);
      continue;
    }
    constexpr char kHex[] = "0123456789ABCDEF";
    quoted.append("\\x").push_back(kHex[byte >> 4]);
    quoted.push_back(kHex[byte & 0xF]);
  }
  return quoted;
}
