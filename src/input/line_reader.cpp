#include "input/line_reader.h"

#include <algorithm>
#include <cstring>

#include "input/scan.h"
#include "input/utf16.h"
#include "text/chars.h"

namespace {

using Pos = ByteBuffer::Pos;

constexpr char kCtrlZ = '\x1A';
constexpr std::size_t kNoExcerpt = static_cast<std::size_t>(-1);
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// How much of a whole line the rules look at to tell whether it may matter:
// most lines leave every pattern within their first bytes, and the match
// decides the others.
constexpr std::size_t kPrefix = 8;

bool EndsNothing(char c) { return c != '\n' && c != '\r' && c != kCtrlZ; }

}  // namespace

TextSource::TextSource(InputFile* input, std::string_view bytes, std::size_t blockSize, bool sound)
    : input_(input),
      bytes_(bytes),
      blockSize_(std::max<std::size_t>(blockSize, 1)),
      sound_(sound),
      atEnd_(input != nullptr && !IsOpen(*input)) {}

// Reads into `to`; at the end of the input (or on a read error) nothing more
// will be read, and the input is closed.
std::size_t TextSource::ReadRaw(char* to, std::size_t size) {
  if (input_ != nullptr) {
    const long long delivered = ReadSome(*input_, to, size);
    if (delivered > 0) return static_cast<std::size_t>(delivered);
    failed_ = delivered < 0;
    atEnd_ = true;
    Close(*input_);
    return 0;
  }
  const std::size_t got = std::min(size, bytes_.size());
  if (got > 0) std::memcpy(to, bytes_.data(), got);
  bytes_.remove_prefix(got);
  atEnd_ = bytes_.empty();
  return got;
}

std::size_t TextSource::RoomWanted() const {
  return encoding_ == Encoding::kUtf16Le || encoding_ == Encoding::kUtf16Be
             ? held_.size() + Utf8Capacity(undecoded_.size() + blockSize_)
             : held_.size() + blockSize_;
}

bool TextSource::ReadInto(ByteBuffer& buffer) {
  if (atEnd_) return false;
  if (encoding_ == Encoding::kUndecided) {
    Decide(buffer);
  } else if (encoding_ == Encoding::kBytes) {
    // What was held back goes first, then what follows it.
    char* const to = buffer.Fill(held_.size() + blockSize_);
    const std::size_t got = ReadRaw(to + held_.size(), blockSize_);
    std::memcpy(to, held_.data(), held_.size());
    const Pos from = buffer.End();
    buffer.Filled(got == 0 ? 0 : held_.size() + got);
    held_.clear();
    Added(buffer, from);
  } else {
    raw_.resize(blockSize_);
    undecoded_.append(raw_.data(), ReadRaw(raw_.data(), blockSize_));
    Decode(buffer);
  }
  return true;
}

// Reads until the log's first bytes tell how it is encoded.
void TextSource::Decide(ByteBuffer& buffer) {
  while (buffer.End() < 3 && !atEnd_) {
    char* const to = buffer.Fill(blockSize_);
    buffer.Filled(ReadRaw(to, blockSize_));
  }
  const std::string_view start = buffer.Text(0, buffer.End());
  encoding_ = Encoding::kBytes;
  if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF")) {
    encoding_ = start[0] == '\xFF' ? Encoding::kUtf16Le : Encoding::kUtf16Be;
    undecoded_.assign(start.substr(2));
    buffer.CutAt(0);
    Decode(buffer);
    return;
  }
  Added(buffer, 0);
}

// Turns what can be turned of the UTF-16 bytes read into text at the
// buffer's end; half a character waits for the next read.
void TextSource::Decode(ByteBuffer& buffer) {
  char* const to = buffer.Fill(held_.size() + Utf8Capacity(undecoded_.size()));
  std::memcpy(to, held_.data(), held_.size());
  std::size_t written = 0;
  const std::size_t used =
      Utf16ToUtf8(undecoded_, encoding_ == Encoding::kUtf16Be, atEnd_, to + held_.size(), written);
  undecoded_.erase(0, used);
  const Pos from = buffer.End();
  buffer.Filled(held_.size() + written);
  held_.clear();
  Added(buffer, from);
}

// The text from `from` on is new: a 0x1A in it ends the log (classic), or
// the last bytes are held back while they may still (sound).
void TextSource::Added(ByteBuffer& buffer, Pos from) {
  const char* const begin = buffer.At(from);
  const char* const end = buffer.At(buffer.End());
  if (!sound_) {
    const char* const stop = FindByte(begin, end, kCtrlZ);
    if (stop == end) return;
    buffer.CutAt(from + static_cast<Pos>(stop - begin));
    atEnd_ = true;
    if (input_ != nullptr) Close(*input_);
    return;
  }
  // Earlier text before `from` holds no 0x1A in such a run: it would have
  // been held back.
  const char* run = end;
  while (run != begin && !EndsNothing(run[-1])) --run;
  const char* const stop = FindByte(run, end, kCtrlZ);
  if (stop == end) return;
  if (!atEnd_) held_.assign(stop, end);
  buffer.CutAt(from + static_cast<Pos>(stop - begin));
}

LineReader::LineReader(InputFile& input, const ReadingRules& rules, std::size_t blockSize)
    : rules_(rules), source_(&input, {}, blockSize, rules.soundReading) {
  done_ = !IsOpen(input);
  EveryLine();
}

LineReader::LineReader(std::string_view bytes, const ReadingRules& rules, std::size_t blockSize)
    : rules_(rules), source_(nullptr, bytes, blockSize, rules.soundReading) {
  EveryLine();
}

void LineReader::EveryLine() {
  if (!rules_.everyLine) return;
  rules_.mayMatter = nullptr;
  rules_.openingBytes = nullptr;
}

// Where the text of a line that starts at `from` starts: after a byte order
// mark that opens it (the log's, or with the sound reading any line's).
Pos LineReader::TextStart(Pos from, Pos textEnd) const {
  if ((rules_.soundReading || from == 0) && textEnd - from >= kByteOrderMark.size() &&
      buffer_.Text(from, from + kByteOrderMark.size()) == kByteOrderMark) {
    return from + kByteOrderMark.size();
  }
  return from;
}

// Where the physical line at scan_ begins: after what is left of the line
// end before it, when a read ended in the middle of that line end (a run of
// CRs whose LF may still come). False, with those bytes passed (scan_ after
// them), when only more text can tell.
bool LineReader::Settle(Pos& from) {
  from = scan_;
  if (!afterCr_) return true;
  const char* const begin = buffer_.At(scan_);
  const char* const end = buffer_.At(buffer_.End());
  const char* at = begin;
  while (at != end && *at == '\r') ++at;
  if (at == end && !source_.AtEnd()) {
    scan_ = buffer_.End();
    return false;
  }
  from = scan_ + static_cast<Pos>(at - begin) + (at != end && *at == '\n' ? 1 : 0);
  return true;
}

// The end of the physical line at scan_ whose text starts at `from`, looked
// for from `searched` on (nothing before it ends the line): kWhole with its
// line end, kLast when the log ends it, kNotYet (span.next: where to look
// on) when more text is needed to tell.
LineReader::Held LineReader::FindEnd(Pos from, Pos searched, Span& span) const {
  const char* const begin = buffer_.At(searched);
  const char* const end = buffer_.At(buffer_.End());
  span.start = scan_;
  span.begin = from;
  span.crOpen = false;
  if (!rules_.soundReading) {
    const char* const lf = FindByte(begin, end, '\n');
    if (lf != end) {
      const Pos at = searched + static_cast<Pos>(lf - begin);
      span.textEnd = at - (at > from && lf[-1] == '\r' ? 1 : 0);
      span.next = at + 1;
      span.text = TextStart(from, span.textEnd);
      return Held::kWhole;
    }
  } else if (const char* const stop = FindLineEnd(begin, end); stop != end) {
    // A run of CRs, and the LF after it, is one line end; when the text
    // held ends in it, the next line starts with what is left of it.
    const char* after = stop;
    while (after != end && *after == '\r') ++after;
    span.textEnd = searched + static_cast<Pos>(stop - begin);
    span.crOpen = after == end && !source_.AtEnd();
    span.next = searched + static_cast<Pos>(after - begin) + (after != end && *after == '\n');
    span.text = TextStart(from, span.textEnd);
    return Held::kWhole;
  }
  span.textEnd = span.next = buffer_.End();
  if (!source_.AtEnd()) return Held::kNotYet;
  span.text = TextStart(from, span.textEnd);
  return Held::kLast;
}

// Makes the physical line at scan_ whole in the buffer and sets `span`,
// unless it is not worth holding: a first line that cannot matter is
// checked whenever holding it more would grow the buffer, an excerpt before
// every read.
LineReader::Held LineReader::HoldLine(Purpose purpose, Span& span) {
  const Pos entry = scan_;
  Pos from = scan_;
  while (!Settle(from)) {
    // Nothing before scan_ is needed for a first line; after a line that is
    // held, more than a few CRs more mean no excerpt follows.
    if (purpose == Purpose::kFirst) {
      buffer_.Consume(scan_);
    } else if (scan_ - entry > kPrefix) {
      return Held::kNotNeeded;
    }
    ReadMore();
  }
  Pos searched = from;
  for (;;) {
    const Held held = FindEnd(from, searched, span);
    if (held == Held::kWhole) return held;
    // The line that the end of the log ends; one that a read error cut
    // short says nothing reliable.
    if (held == Held::kLast) return source_.Failed() ? Held::kNone : held;
    searched = span.next;
    if ((purpose == Purpose::kExcerpt ||
         (purpose == Purpose::kFirst && buffer_.WouldGrow(source_.RoomWanted()))) &&
        !Needed(purpose, from)) {
      return Held::kNotNeeded;
    }
    ReadMore();
  }
}

bool LineReader::Needed(Purpose purpose, Pos from) const {
  // CRs at the end of what is held may turn out to be part of the line end,
  // and its first bytes the start of a byte order mark.
  std::string_view held = buffer_.Text(TextStart(from, buffer_.End()), buffer_.End());
  if (!held.empty() && held.size() < kByteOrderMark.size() && kByteOrderMark.starts_with(held)) {
    return true;
  }
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

// Goes on to the physical line after `span`.
void LineReader::Advance(const Span& span) {
  scan_ = span.next;
  afterCr_ = span.crOpen;
  ++number_;
}

// Most lines open with a byte that opens no rule, or leave every rule in
// their first bytes: passed over here, in a few operations each, unless the
// join marker makes them take the next.
void LineReader::PassOverQuickly() {
  const bool* const opening = rules_.openingBytes;
  if (opening == nullptr) return;
  if (!rules_.soundReading) {
    PassOverClassic(opening);
    return;
  }
  Span span;
  Pos from = scan_;
  while (Settle(from) && FindEnd(from, from, span) == Held::kWhole) {
    if (opening[static_cast<unsigned char>(*buffer_.At(span.text))] &&
        rules_.mayMatter(buffer_.Text(span.text, std::min(span.textEnd, span.text + kPrefix)))) {
      break;
    }
    Advance(span);
  }
  buffer_.Consume(scan_);
}

// The same for the classic reading, where most of a log's lines pass: the
// line ends alone, with all in locals. The log's first line, which may open
// with a byte order mark, is left to HoldLine.
void LineReader::PassOverClassic(const bool* opening) {
  Pos scan = scan_;
  std::uint64_t number = number_;
  const char* at = buffer_.At(scan);
  const char* const end = buffer_.At(buffer_.End());
  while (scan != 0) {
    const char* const lf = FindByte(at, end, '\n');
    if (lf == end) break;
    const Pos next = scan + static_cast<Pos>(lf - at) + 1;
    if (HoldsJoinMarker(scan, next - 1)) break;
    if (opening[static_cast<unsigned char>(*at)]) {
      const char* const textEnd = lf - (lf != at && lf[-1] == '\r' ? 1 : 0);
      const auto size = static_cast<std::size_t>(std::min(textEnd - at, std::ptrdiff_t{kPrefix}));
      if (rules_.mayMatter({at, size})) break;
    }
    at = lf + 1;
    scan = next;
    ++number;
  }
  scan_ = scan;
  number_ = number;
  buffer_.Consume(scan_);
}

// Passes over the line at scan_ that cannot matter, and its continuation.
void LineReader::PassOver() {
  ++number_;
  bool joins = false;
  if (!SkipLine(rules_.joinMarker, joins)) done_ = true;
  if (joins && !done_) {
    ++number_;
    if (!SkipLine({}, joins)) done_ = true;
  }
}

// Passes over the physical line at scan_, up to its line end or the end of
// the log, without holding it; `held` tells whether it holds `watch` (if
// given). Returns whether a line end ended it.
bool LineReader::SkipLine(std::string_view watch, bool& held) {
  held = false;
  for (;;) {
    Span span;
    Pos from = scan_;
    if (!Settle(from)) {
      buffer_.Consume(scan_);
      ReadMore();
      continue;
    }
    const Held found = FindEnd(from, from, span);
    if (!watch.empty() && !held) {
      const char* const to = buffer_.At(span.textEnd);
      held = FindText(buffer_.At(from), to, watch) != to;
    }
    if (found == Held::kWhole) {
      scan_ = span.next;
      afterCr_ = span.crOpen;
      return true;
    }
    if (found == Held::kLast) {
      scan_ = span.next;
      return false;
    }
    // Only the last bytes may still begin the watched text, and CRs at the
    // end still end the line.
    const Pos end = buffer_.End();
    const Pos overlap = held || watch.empty() ? 0 : std::min<Pos>(watch.size() - 1, end - scan_);
    scan_ = std::min(span.next, end - overlap);
    afterCr_ = false;
    buffer_.Consume(scan_);
    ReadMore();
  }
}

bool LineReader::Next(ReadLine& line) {
  excerpt_.ready = false;
  for (;;) {
    buffer_.Consume(scan_);  // the line handed out before is done with
    if (done_) return false;
    if (excerpt_.taken) {
      // The rest of the excerpt's line end is no line's bytes.
      excerpt_.taken = false;
      Pos from = scan_;
      while (!Settle(from)) {
        buffer_.Consume(scan_);
        ReadMore();
      }
      scan_ = from;
      afterCr_ = false;
    }
    PassOverQuickly();
    Span span;
    const Held first = HoldLine(Purpose::kFirst, span);
    if (first == Held::kNone) {
      done_ = true;
      return false;
    }
    if (first == Held::kNotNeeded) {
      PassOver();
      continue;
    }
    if (HandOut(first, span, line)) return true;
  }
}

// Hands out the line held in `span`, with its continuation and its excerpt
// ready; false when it turned out not to matter.
bool LineReader::HandOut(Held first, const Span& span, ReadLine& line) {
  const std::uint64_t number = number_;
  const bool joins = HoldsJoinMarker(span.start, span.textEnd);
  const std::string_view text = buffer_.Text(span.text, span.textEnd);
  const bool matters = rules_.mayMatter == nullptr || rules_.mayMatter(text.substr(0, kPrefix));
  Advance(span);
  done_ = first == Held::kLast;
  if (joins) return Join(span, number, matters, line);
  if (!matters) return false;
  const std::string_view lead = rules_.excerptLead;
  if (!done_ && !lead.empty() && text.size() > lead.size() && text.starts_with(lead) &&
      IsSpace(text[lead.size()])) {
    PrepareExcerpt();  // may read, which may roll: the views are taken after it
  }
  // What is left of the line end before an excerpt is this line's.
  const Pos rawEnd = excerpt_.ready ? excerpt_.span.begin : span.next;
  line = {buffer_.Text(span.text, span.textEnd), number, buffer_.Text(span.start, rawEnd),
          static_cast<std::size_t>(span.begin - span.start)};
  return true;
}

// Joins the continuation at scan_ (empty when the log ends here) to `first`.
bool LineReader::Join(const Span& first, std::uint64_t number, bool matters, ReadLine& line) {
  Span next{scan_, scan_, scan_, scan_, scan_, false};
  if (!done_) {
    if (!matters) {
      ++number_;
      bool unused = false;
      if (!SkipLine({}, unused)) done_ = true;
      return false;
    }
    const Held second = HoldLine(Purpose::kContinuation, next);
    if (second == Held::kNone) {
      done_ = true;
      return false;
    }
    Advance(next);
    done_ = second == Held::kLast;
  }
  if (!matters) return false;
  const std::string_view continuation = buffer_.Text(next.text, next.textEnd);
  if (rules_.everyLine || first.next == first.textEnd) {
    // The raw bytes must stay, or there is no line end to put the blank in.
    joined_.assign(buffer_.Text(first.text, first.textEnd)).append(1, ' ').append(continuation);
    line = {joined_, number, buffer_.Text(first.start, scan_),
            static_cast<std::size_t>(first.begin - first.start)};
    return true;
  }
  // Joined in place: the blank where the line end was, the continuation
  // moved up to it. Those bytes are passed, so no copy of a long line is
  // kept beside the buffer.
  char* const end = buffer_.At(first.textEnd);
  *end = ' ';
  std::memmove(end + 1, continuation.data(), continuation.size());
  marker_.known = false;
  line = {buffer_.Text(first.text, first.textEnd + 1 + continuation.size()), number, {}};
  return true;
}

// The line after a line that may show an excerpt, made whole when it is one,
// so that TakeExcerpt needs no read (which could roll the line handed out).
void LineReader::PrepareExcerpt() {
  const Pos scan = scan_;  // HoldLine may pass the rest of a line end
  Span span;
  const Held held = HoldLine(Purpose::kExcerpt, span);
  const std::size_t text =
      held == Held::kWhole || held == Held::kLast
          ? rules_.excerptTextStart(buffer_.Text(span.text, span.textEnd), true)
          : kNoExcerpt;
  if (text == kNoExcerpt) {
    scan_ = scan;
    return;
  }
  excerpt_ = {true, false, held == Held::kLast, span.text + text, span};
}

bool LineReader::TakeExcerpt(std::string_view& excerpt) {
  if (!excerpt_.ready) return false;
  excerpt_.ready = false;
  excerpt_.taken = true;
  excerpt = buffer_.Text(excerpt_.text, excerpt_.span.textEnd);
  Advance(excerpt_.span);
  done_ = excerpt_.last;
  return true;
}

// The next place of the join marker is looked for ahead and kept: no place
// from marker_.from up to marker_.next begins it.
bool LineReader::SearchJoinMarker(Pos start, Pos end) {
  const std::size_t size = rules_.joinMarker.size();
  if (size == 0) return false;
  if (!marker_.known || !marker_.found || start < marker_.from || start > marker_.next) {
    const char* const from = buffer_.At(start);
    const char* const stop = buffer_.At(buffer_.End());
    const char* const found = FindText(from, stop, rules_.joinMarker);
    marker_.known = true;
    marker_.found = found != stop;
    marker_.from = start;
    // Past the end of the search the marker may still begin, once more is read.
    const Pos held = buffer_.End();
    marker_.next = marker_.found ? start + static_cast<Pos>(found - from)
                                 : std::max(start, held - std::min<Pos>(held, size - 1));
  }
  return marker_.found && marker_.next + size <= end;
}
