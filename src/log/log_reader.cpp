#include "log/log_reader.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>

#include "log/byte_masks.h"
#include "log/read_some.h"
#include "log/standard_input.h"
#include "log/utf16.h"

namespace {

constexpr char kCtrlZ = '\x1A';
// Buffers of parts done with that are kept for the next parts; enough for
// the parts that are read ahead, so that reading touches no new memory.
constexpr std::size_t kSpareBuffers = 8;
// How many physical lines before the last one are tried for a cut before the
// part is walked from its start.
constexpr int kCutTries = 8;

const char* FindByte(const char* from, const char* to, char byte) {
  return static_cast<const char*>(std::memchr(from, byte, static_cast<std::size_t>(to - from)));
}

// The start of the physical line that ends at the LF `lf`, in `text`.
std::size_t LineStartBefore(std::string_view text, std::size_t lf) {
  const std::size_t previous = lf == 0 ? std::string_view::npos : text.rfind('\n', lf - 1);
  return previous == std::string_view::npos ? 0 : previous + 1;
}

// The end of the last whole logical line of `text`, which starts with one,
// found by walking its physical lines: 0 if there is none.
std::size_t LastLogicalLineEnd(std::string_view text, Recognition recognition) {
  std::size_t end = 0;
  for (std::size_t start = 0;;) {
    std::size_t lf = text.find('\n', start);
    if (lf == std::string_view::npos) return end;
    // Such a line ends its logical line only with its continuation.
    if (TakesContinuation(text.substr(start, lf - start), recognition)) {
      lf = text.find('\n', lf + 1);
    }
    if (lf == std::string_view::npos) return end;
    end = start = lf + 1;
  }
}

// Takes the byte order mark `mark` off the start of `bytes`; false when they
// do not start with it.
bool StripMark(std::string& bytes, std::string_view mark) {
  if (!std::string_view(bytes).starts_with(mark)) return false;
  bytes.erase(0, mark.size());
  return true;
}

}  // namespace

InputFile OpenInputFile(const std::string& path) {
  InputFile input;
  if (path == "-") {
    input.handle.reset(BinaryStandardInput());
    return input;
  }
  std::error_code error;
  // A directory cannot be opened as a file on Windows; treat it alike here.
  if (std::filesystem::is_directory(path, error)) return input;
  input.handle.reset(std::fopen(path.c_str(), "rb"));
  return input;
}

bool IsOpen(const InputFile& input) { return input.handle != nullptr; }

LogReader::LogReader(InputFile& input, std::size_t blockSize)
    : input_(&input), blockSize_(std::max<std::size_t>(blockSize, 1)) {
  done_ = !IsOpen(input);
}

LogReader::LogReader(std::string_view bytes, std::size_t blockSize)
    : bytes_(bytes), blockSize_(std::max<std::size_t>(blockSize, 1)) {}

LogReader::LogReader(InputFile& input, Recognition recognition, std::size_t blockSize)
    : LogReader(input, blockSize) {
  recognition_ = recognition;
  if (recognition != Recognition::kClassic) encoding_ = Encoding::kUndecided;
}

LogReader::LogReader(std::string_view bytes, Recognition recognition, std::size_t blockSize)
    : LogReader(bytes, blockSize) {
  recognition_ = recognition;
  if (recognition != Recognition::kClassic) encoding_ = Encoding::kUndecided;
}

// Turns the `got` bytes just read at `at` in current_ into text in their
// place and returns its length. Bytes that cannot be turned yet (the start of
// the log before its mark is known, half a UTF-16 character) wait for the
// next block.
std::size_t LogReader::Decode(std::size_t at, std::size_t got) {
  if (encoding_ == Encoding::kBytes) return got;
  undecoded_.append(current_.buffer_.get() + at, got);
  if (encoding_ == Encoding::kUndecided) {
    if (undecoded_.size() < 3 && !atEnd_) return 0;
    if (StripMark(undecoded_, "\xEF\xBB\xBF")) {
      encoding_ = Encoding::kBytes;
    } else if (StripMark(undecoded_, "\xFF\xFE")) {
      encoding_ = Encoding::kUtf16Le;
    } else if (StripMark(undecoded_, "\xFE\xFF")) {
      encoding_ = Encoding::kUtf16Be;
    } else {
      encoding_ = Encoding::kBytes;
    }
  }
  std::size_t written = 0;
  if (encoding_ == Encoding::kBytes) {
    Reserve(current_, at + undecoded_.size());
    std::memcpy(current_.buffer_.get() + at, undecoded_.data(), undecoded_.size());
    written = undecoded_.size();
    undecoded_.clear();
    return written;
  }
  Reserve(current_, at + Utf8Capacity(undecoded_.size()));
  const std::size_t used = Utf16ToUtf8(undecoded_, encoding_ == Encoding::kUtf16Be, atEnd_,
                                       current_.buffer_.get() + at, written);
  undecoded_.erase(0, used);
  return written;
}

// Gives `part`, which takes the first `size` bytes of current_, the number of
// its first line, and counts its lines for the next part.
void LogReader::NumberLines(LogPart& part, std::size_t size) {
  part.recognition_ = recognition_;
  part.firstLine_ = nextLine_;
  if (recognition_ != Recognition::kClassic) {
    nextLine_ += CountLineFeeds(current_.buffer_.get(), size);
  }
}

void LogReader::Reserve(LogPart& buffer, std::size_t capacity) {
  if (buffer.capacity_ >= capacity) return;
  // realloc moves a large buffer by remapping its pages, without a copy.
  char* grown = static_cast<char*>(std::realloc(buffer.buffer_.get(), capacity));
  if (grown == nullptr) throw std::bad_alloc();
  static_cast<void>(buffer.buffer_.release());
  buffer.buffer_.reset(grown);
  buffer.capacity_ = capacity;
}

void LogReader::ReadBlock() {
  // A line longer than the buffer doubles it, so that the copies stay
  // linear in the line's length.
  LogPart& buffer = current_;
  if (buffer.capacity_ - buffer.size_ < blockSize_) {
    Reserve(buffer, std::max(2 * buffer.capacity_, buffer.size_ + blockSize_));
  }
  char* const to = buffer.buffer_.get() + buffer.size_;
  std::size_t got = 0;
  if (input_ != nullptr) {
    // Only a read that gives nothing ends the input: a short one is what a
    // pipe holds for now.
    const long long delivered = ReadSome(input_->handle.get(), to, blockSize_);
    got = delivered > 0 ? static_cast<std::size_t>(delivered) : 0;
    atEnd_ = delivered <= 0;
    readFailed_ = delivered < 0;
  } else {
    got = std::min(blockSize_, bytes_.size());
    std::memcpy(to, bytes_.data(), got);
    bytes_.remove_prefix(got);
    if (got < blockSize_) atEnd_ = true;
  }
  caughtUp_ = got < blockSize_;
  got = Decode(buffer.size_, got);
  const char* const text = buffer.buffer_.get() + buffer.size_;
  if (const char* stop = FindByte(text, text + got, kCtrlZ)) {
    got = static_cast<std::size_t>(stop - text);
    atEnd_ = true;
  }
  buffer.size_ += got;
}

std::size_t LogReader::FindCut() {
  const std::string_view text = current_.Text();
  // Only the bytes read since the last look can end a part now; a long line
  // is not searched again with every block.
  const std::size_t newLf = text.substr(searched_).rfind('\n');
  const std::size_t searched = searched_;
  searched_ = text.size();
  if (newLf == std::string_view::npos) return 0;
  std::size_t lf = searched + newLf;
  // Usually the last line holds no "cptc" and ends the part.
  for (int tries = 0; tries < kCutTries; ++tries) {
    const std::size_t start = LineStartBefore(text, lf);
    if (!TakesContinuation(text.substr(start, lf - start), recognition_)) return lf + 1;
    if (start == 0) break;
    lf = start - 1;
  }
  return LastLogicalLineEnd(text, recognition_);
}

bool LogReader::NextPart(LogPart& part) {
  if (done_) return false;
  std::size_t cut = 0;
  while (!atEnd_ && (cut = FindCut()) == 0) ReadBlock();
  if (atEnd_) {
    // What is left ends the log, whole.
    NumberLines(current_, current_.size_);
    part = std::move(current_);
    part.last_ = true;
    done_ = true;
    if (input_ != nullptr) input_->handle.reset();
    return true;
  }

  // The bytes after the cut begin the next part, in a buffer of its own.
  LogPart next;
  if (!spare_.empty()) {
    next = std::move(spare_.back());
    spare_.pop_back();
  }
  const std::size_t rest = current_.size_ - cut;
  Reserve(next, std::max(rest + blockSize_, 2 * blockSize_));
  std::memcpy(next.buffer_.get(), current_.buffer_.get() + cut, rest);
  next.size_ = rest;
  current_.size_ = cut;
  NumberLines(current_, cut);
  part = std::move(current_);
  part.last_ = false;
  part.caughtUp_ = caughtUp_;
  current_ = std::move(next);
  searched_ = rest;
  return true;
}

void LogReader::Recycle(LogPart& part) {
  // A buffer grown for a long line is given back to the system instead.
  if (part.capacity_ > 2 * blockSize_ || spare_.size() >= kSpareBuffers) return;
  part.size_ = 0;
  part.last_ = false;
  spare_.push_back(std::move(part));
}
