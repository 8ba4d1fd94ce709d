// Reading the captured toolchain output as a stream of parts: runs of whole
// logical lines, each in a buffer of its own, so that memory is bounded by a
// few blocks and the longest line, whatever the size of the log, and lines
// can be converted while the rest is still being read.
//
// The file is read in blocks of about a megabyte and never asked for its
// size; a pipe or a terminal gives what it holds, and the whole lines in it
// make a part at once, so that they can be printed before more arrives. A
// byte 0x1A ends the input: nothing after the read that delivered it is read,
// so a stream that goes on after it (a pipe) does not keep us reading.
// A part ends after a physical line that takes no continuation (that line
// ends a logical line), at the last such place in what has been read; a line
// longer than a block grows its part's buffer to its own size.
//
// The sound reading also skips a UTF-8 byte order mark at the log's start,
// reads a log that starts with a UTF-16 one as the UTF-8 text it holds, and
// numbers each part's first physical line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "log/line_queue.h"
#include "log/markers.h"

// The input file, opened in binary mode.
struct InputFile {
  struct Closer {
    // Standard input stays open: it is not ours to close.
    void operator()(std::FILE* file) const {
      if (file != stdin) std::fclose(file);
    }
  };
  std::unique_ptr<std::FILE, Closer> handle;
};

// Opens `path` for reading without keeping other readers or writers out. A
// directory, or anything that cannot be opened, leaves the file not open.
// "-" is standard input; a file of that name is "./-".
InputFile OpenInputFile(const std::string& path);

bool IsOpen(const InputFile& input);

// A run of whole logical lines of the log, in file order.
class LogPart {
 public:
  LogPart() = default;
  // A part moved from is empty, buffer and all.
  LogPart(LogPart&& other) noexcept { *this = std::move(other); }
  LogPart& operator=(LogPart&& other) noexcept {
    buffer_ = std::move(other.buffer_);
    capacity_ = std::exchange(other.capacity_, 0);
    size_ = std::exchange(other.size_, 0);
    last_ = std::exchange(other.last_, false);
    caughtUp_ = std::exchange(other.caughtUp_, false);
    recognition_ = other.recognition_;
    firstLine_ = std::exchange(other.firstLine_, 1);
    return *this;
  }

  std::string_view Text() const { return {buffer_.get(), size_}; }
  // The last part: its text ends the log.
  bool IsLast() const { return last_; }
  // The input had delivered no more than this part and an unfinished line
  // when it was cut (a read returned less than a block): the next part may
  // be long in coming, so this one should be printed first.
  bool CaughtUp() const { return caughtUp_; }
  LineQueue Lines() const { return LineQueue(Text(), last_, recognition_, firstLine_); }
  // The number of the part's first physical line (the sound reading only).
  std::uint64_t FirstLine() const { return firstLine_; }

 private:
  friend class LogReader;
  struct Free {
    void operator()(char* bytes) const { std::free(bytes); }
  };
  std::unique_ptr<char, Free> buffer_;
  std::size_t capacity_ = 0;
  std::size_t size_ = 0;
  bool last_ = false;
  bool caughtUp_ = false;
  Recognition recognition_ = Recognition::kClassic;
  std::uint64_t firstLine_ = 1;
};

class LogReader {
 public:
  static constexpr std::size_t kBlockSize = std::size_t{1} << 20;

  // Reads `input` (which may be not open: then the log has no lines) and
  // closes it once it is read to its end.
  explicit LogReader(InputFile& input, std::size_t blockSize = kBlockSize);
  // Reads `bytes` as if they were a file's, in blocks of `blockSize`.
  explicit LogReader(std::string_view bytes, std::size_t blockSize = kBlockSize);
  // The reader keeps a view of the bytes: a temporary would be gone before
  // the first part is read.
  LogReader(std::string&& bytes, std::size_t blockSize = kBlockSize) = delete;
  // The same, with the reading that `recognition` asks for.
  LogReader(InputFile& input, Recognition recognition, std::size_t blockSize = kBlockSize);
  LogReader(std::string_view bytes, Recognition recognition, std::size_t blockSize = kBlockSize);
  LogReader(std::string&& bytes, Recognition recognition,
            std::size_t blockSize = kBlockSize) = delete;

  // Takes the next part; false after the last one, or at once when the file
  // is not open. An open file always gives at least one part and one line
  // (an empty file is one empty line). Throws std::bad_alloc when a buffer
  // cannot be had; the parts taken before stay whole.
  bool NextPart(LogPart& part);

  // Gives the buffer of a part that is done with back, for the next parts.
  void Recycle(LogPart& part);

  // Whether a read failed for another reason than the end of the file; the
  // bytes read before it are in the last part.
  bool ReadFailed() const { return readFailed_; }

 private:
  void ReadBlock();
  std::size_t FindCut();
  void Reserve(LogPart& buffer, std::size_t capacity);
  std::size_t Decode(std::size_t at, std::size_t got);
  void NumberLines(LogPart& part, std::size_t size);

  // What the bytes read are taken for; the sound reading decides by the
  // log's first bytes.
  enum class Encoding : std::uint8_t { kUndecided, kBytes, kUtf16Le, kUtf16Be };

  InputFile* input_ = nullptr;
  std::string_view bytes_;  // what is left of the bytes read from memory
  std::size_t blockSize_;
  LogPart current_;           // the bytes read but not yet handed out
  std::size_t searched_ = 0;  // the LFs before this in current_ give no cut
  bool atEnd_ = false;
  bool caughtUp_ = false;  // the last read returned less than a block
  bool done_ = false;
  bool readFailed_ = false;
  std::vector<LogPart> spare_;  // buffers of parts done with
  Recognition recognition_ = Recognition::kClassic;
  Encoding encoding_ = Encoding::kBytes;
  std::string undecoded_;       // bytes read that are not yet text
  std::uint64_t nextLine_ = 1;  // the number of current_'s first physical line
};
