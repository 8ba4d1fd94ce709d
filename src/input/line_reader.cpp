#include "input/line_reader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "input/scan.h"
#include "input/utf16.h"
#include "text/chars.h"

namespace {

constexpr char kCtrlZ = '\x1A';
// How much of a whole line the rules look at to tell whether it may matter:
// most lines leave every pattern within their first bytes, and the match
// decides the others.
constexpr std::size_t kPrefix = 8;

}  // namespace

LineReader::LineReader(InputFile& input, const ReadingRules& rules, std::size_t blockSize)
    : input_(&input), rules_(rules), blockSize_(std::max<std::size_t>(blockSize, 1)) {
  atEnd_ = done_ = !IsOpen(input);
}

LineReader::LineReader(std::string_view bytes, const ReadingRules& rules, std::size_t blockSize)
    : bytes_(bytes), rules_(rules), blockSize_(std::max<std::size_t>(blockSize, 1)) {}

LineReader::~LineReader() { std::free(buffer_); }

std::string_view LineReader::Text(std::size_t from, std::size_t to) const {
  return {buffer_ + from, to - from};
}

std::size_t LineReader::ContentEnd(std::size_t start, std::size_t lf) const {
  std::size_t end = lf;
  while (end > start && buffer_[end - 1] == '\r') {
    --end;
    if (!rules_.allCarriageReturns) break;
  }
  return end;
}

// Reads into `to`; at the end of the input (or on a read error) nothing more
// will be read, and the input is closed.
std::size_t LineReader::ReadRaw(char* to, std::size_t size) {
  std::size_t got = 0;
  if (input_ != nullptr) {
    const long long delivered = ReadSome(*input_, to, size);
    if (delivered > 0) return static_cast<std::size_t>(delivered);
    failed_ = delivered < 0;
    atEnd_ = true;
    Close(*input_);
    return 0;
  }
  got = std::min(size, bytes_.size());
  if (got > 0) std::memcpy(to, bytes_.data(), got);
  bytes_.remove_prefix(got);
  atEnd_ = bytes_.empty();
  return got;
}

std::size_t LineReader::RoomWanted() const {
  return encoding_ == Encoding::kUtf16Le || encoding_ == Encoding::kUtf16Be
             ? Utf8Capacity(undecoded_.size() + blockSize_)
             : blockSize_;
}

bool LineReader::WouldGrow() const { return end_ - keep_ + RoomWanted() > capacity_; }

// Rolls what must stay to the front, then grows the buffer if `wanted` bytes
// still do not fit after it.
void LineReader::MakeRoom(std::size_t wanted) {
  if (capacity_ - end_ >= wanted) return;
  if (keep_ > 0) {
    std::memmove(buffer_, buffer_ + keep_, end_ - keep_);
    for (std::size_t* index : {&scan_, &end_, &outStart_, &outEnd_}) *index -= keep_;
    keep_ = 0;
    markerKnown_ = false;
  }
  if (capacity_ - end_ >= wanted) return;
  // Growing by half keeps the copies linear in the length of a long line.
  const std::size_t capacity = std::max({capacity_ + capacity_ / 2, end_ + wanted, 2 * blockSize_});
  char* grown = static_cast<char*>(std::realloc(buffer_, capacity));
  if (grown == nullptr) throw std::bad_alloc();
  buffer_ = grown;
  capacity_ = capacity;
}

void LineReader::StopAtCtrlZ(std::size_t from) {
  const char* const stop = FindByte(buffer_ + from, buffer_ + end_, kCtrlZ);
  if (stop == buffer_ + end_) return;
  end_ = static_cast<std::size_t>(stop - buffer_);
  atEnd_ = true;
  if (input_ != nullptr) Close(*input_);
}

// Reads until the log's first three bytes tell how it is encoded.
void LineReader::Decide() {
  while (end_ < 3 && !atEnd_) {
    MakeRoom(blockSize_);
    end_ += ReadRaw(buffer_ + end_, blockSize_);
  }
  const std::string_view start = Text(0, end_);
  encoding_ = Encoding::kBytes;
  if (start.starts_with("\xEF\xBB\xBF")) {
    keep_ = scan_ = 3;
  } else if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF")) {
    encoding_ = start[0] == '\xFF' ? Encoding::kUtf16Le : Encoding::kUtf16Be;
    undecoded_.assign(start.substr(2));
    end_ = 0;
    Decode();
    return;
  }
  StopAtCtrlZ(scan_);
}

// Turns what can be turned of the UTF-16 bytes read into text at end_; half
// a character waits for the next read.
void LineReader::Decode() {
  MakeRoom(Utf8Capacity(undecoded_.size()));
  std::size_t written = 0;
  const std::size_t used =
      Utf16ToUtf8(undecoded_, encoding_ == Encoding::kUtf16Be, atEnd_, buffer_ + end_, written);
  undecoded_.erase(0, used);
  const std::size_t from = end_;
  end_ += written;
  StopAtCtrlZ(from);
}

bool LineReader::ReadMore() {
  if (atEnd_) return false;
  if (encoding_ == Encoding::kUndecided) {
    Decide();
    return true;
  }
  if (encoding_ == Encoding::kBytes) {
    MakeRoom(blockSize_);
    const std::size_t from = end_;
    end_ += ReadRaw(buffer_ + end_, std::min(blockSize_, capacity_ - end_));
    StopAtCtrlZ(from);
    return true;
  }
  raw_.resize(blockSize_);
  undecoded_.append(raw_.data(), ReadRaw(raw_.data(), blockSize_));
  Decode();
  return true;
}

bool LineReader::Needed(Purpose purpose) const {
  // CRs at the end of what is held may turn out to be part of the line end.
  std::string_view held = Text(scan_, end_);
  while (!held.empty() && held.back() == '\r') held.remove_suffix(1);
  switch (purpose) {
    case Purpose::kFirst:
      return rules_.mayMatter == nullptr || rules_.mayMatter(held);
    case Purpose::kContinuation:
      return true;
    case Purpose::kExcerpt:
      return rules_.excerptTextStart(held, false) != static_cast<std::size_t>(-1);
  }
  return true;
}

// The first LF at or after `from`, or end_.
std::size_t LineReader::NextLineFeed(std::size_t from) {
  return static_cast<std::size_t>(FindByte(buffer_ + from, buffer_ + end_, '\n') - buffer_);
}

// Makes the physical line at scan_ whole in the buffer and sets lineEnd_ and
// next_, unless it is not worth holding: a first line that cannot matter is
// checked whenever holding it more would grow the buffer, an excerpt before
// every read.
LineReader::Held LineReader::HoldLine(Purpose purpose) {
  std::size_t searched = 0;  // bytes of the line known to hold no LF
  for (;;) {
    const std::size_t at = NextLineFeed(scan_ + searched);
    if (at != end_) {
      lineEnd_ = ContentEnd(scan_, at);
      next_ = at + 1;
      return Held::kWhole;
    }
    searched = end_ - scan_;
    if (atEnd_) {
      // The line that the end of the log ends; one that a read error cut
      // short says nothing reliable.
      if (failed_ || done_) return Held::kNone;
      lineEnd_ = next_ = end_;
      return Held::kLast;
    }
    if ((purpose == Purpose::kExcerpt || (purpose == Purpose::kFirst && WouldGrow())) &&
        !Needed(purpose)) {
      return Held::kNotNeeded;
    }
    ReadMore();
  }
}

// Passes over the physical line at scan_, up to its LF or the end of the
// log, without holding it; `held` tells whether it holds `watch` (if given).
// Returns whether an LF ended it.
bool LineReader::SkipLine(std::string_view watch, bool& held) {
  held = false;
  for (;;) {
    const char* const begin = buffer_ + scan_;
    const char* const stop = buffer_ + end_;
    const char* const lf = FindByte(begin, stop, '\n');
    if (!watch.empty() && !held) held = FindText(begin, lf, watch) != lf;
    if (lf != stop) {
      scan_ = static_cast<std::size_t>(lf - buffer_) + 1;
      return true;
    }
    if (atEnd_) {
      scan_ = end_;
      return false;
    }
    // Only the last bytes may still begin the watched text.
    const std::size_t overlap =
        held || watch.empty() ? 0 : std::min(watch.size() - 1, end_ - scan_);
    keep_ = scan_ = end_ - overlap;
    ReadMore();
  }
}

// The line after a line that may show an excerpt, made whole when it is one,
// so that TakeExcerpt needs no read (which could move the line handed out).
void LineReader::PrepareExcerpt() {
  const Held held = HoldLine(Purpose::kExcerpt);
  if (held != Held::kWhole && held != Held::kLast) return;
  const std::size_t text = rules_.excerptTextStart(Text(scan_, lineEnd_), true);
  if (text == static_cast<std::size_t>(-1)) return;
  excerptReady_ = true;
  excerptLast_ = held == Held::kLast;
  excerptText_ = scan_ + text;
  excerptEnd_ = lineEnd_;
  excerptNext_ = next_;
}

bool LineReader::Next(ReadLine& line) {
  excerptReady_ = false;
  for (;;) {
    keep_ = scan_;  // the line handed out before is done with
    if (done_) return false;
    // Most lines open with a byte that opens no rule, or leave every rule in
    // their first bytes: passed over here, in a few operations each, unless
    // the join marker makes them take the next.
    if (const bool* opening = rules_.openingBytes) {
      while (scan_ < end_) {
        const std::size_t lf = NextLineFeed(scan_);
        if (lf == end_ || HoldsJoinMarker(scan_, lf)) break;
        if (opening[static_cast<unsigned char>(buffer_[scan_])]) {
          const std::size_t end = std::min(ContentEnd(scan_, lf), scan_ + kPrefix);
          if (rules_.mayMatter(Text(scan_, end))) break;
        }
        scan_ = lf + 1;
        ++number_;
      }
      keep_ = scan_;
    }
    const std::uint64_t number = number_;
    const Held first = HoldLine(Purpose::kFirst);
    if (first == Held::kNone) {
      done_ = true;
      return false;
    }
    bool joins = false;
    if (first == Held::kNotNeeded) {
      ++number_;
      if (!SkipLine(rules_.joinMarker, joins)) done_ = true;
      if (joins && !done_) {
        ++number_;
        bool unused = false;
        if (!SkipLine({}, unused)) done_ = true;
      }
      continue;
    }

    outStart_ = scan_;
    outEnd_ = lineEnd_;
    const std::string_view text = Text(outStart_, outEnd_);
    joins = HoldsJoinMarker(outStart_, outEnd_);
    const bool matters = rules_.mayMatter == nullptr || rules_.mayMatter(text.substr(0, kPrefix));
    scan_ = next_;
    ++number_;
    done_ = first == Held::kLast;

    if (joins) {
      // The continuation, or empty text when the log ends here.
      std::size_t contStart = scan_;
      std::size_t contEnd = scan_;
      if (!done_) {
        if (!matters) {
          bool unused = false;
          ++number_;
          if (!SkipLine({}, unused)) done_ = true;
          continue;
        }
        const Held second = HoldLine(Purpose::kContinuation);
        if (second == Held::kNone) {
          done_ = true;
          return false;
        }
        contStart = scan_;
        contEnd = lineEnd_;
        scan_ = next_;
        ++number_;
        done_ = second == Held::kLast;
      }
      if (!matters) continue;
      if (contStart == outEnd_) {
        // The log ended with the first line: no line end to put the blank in.
        joined_.assign(Text(outStart_, outEnd_)).push_back(' ');
        line = {joined_, number};
        return true;
      }
      // Joined in place: the blank where the line end was, the continuation
      // moved up to it. Those bytes are passed, so no copy of a long line is
      // kept beside the buffer.
      buffer_[outEnd_] = ' ';
      std::memmove(buffer_ + outEnd_ + 1, buffer_ + contStart, contEnd - contStart);
      outEnd_ += 1 + (contEnd - contStart);
      markerKnown_ = false;
      line = {Text(outStart_, outEnd_), number};
      return true;
    }
    if (!matters) continue;

    const std::string_view lead = rules_.excerptLead;
    if (!done_ && !lead.empty() && text.size() > lead.size() && text.starts_with(lead) &&
        IsSpace(text[lead.size()])) {
      PrepareExcerpt();
    }
    line = {Text(outStart_, outEnd_), number};
    return true;
  }
}

// The next place of the join marker is looked for ahead and kept: no place
// from markerFrom_ up to markerNext_ begins it.
bool LineReader::SearchJoinMarker(std::size_t start, std::size_t end) {
  const std::size_t size = rules_.joinMarker.size();
  if (size == 0) return false;
  if (!markerKnown_ || !markerFound_ || start < markerFrom_ || start > markerNext_) {
    const char* const stop = buffer_ + end_;
    const char* const found = FindText(buffer_ + start, stop, rules_.joinMarker);
    markerKnown_ = true;
    markerFound_ = found != stop;
    markerFrom_ = start;
    // Past the end of the search the marker may still begin, once more is read.
    markerNext_ = markerFound_ ? static_cast<std::size_t>(found - buffer_)
                               : std::max(start, end_ - std::min(end_, size - 1));
  }
  return markerFound_ && markerNext_ + size <= end;
}

bool LineReader::TakeExcerpt(std::string_view& excerpt) {
  if (!excerptReady_) return false;
  excerptReady_ = false;
  excerpt = Text(excerptText_, excerptEnd_);
  scan_ = excerptNext_;
  ++number_;
  done_ = excerptLast_;
  return true;
}
