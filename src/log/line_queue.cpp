#include "log/line_queue.h"

#include <bit>

namespace {

std::uint64_t LowestBit(std::uint64_t bits) { return bits & (~bits + 1); }

std::size_t BitIndex(std::uint64_t bits) {
  return static_cast<std::size_t>(std::countr_zero(bits));
}

constexpr std::size_t ChunkOf(std::size_t position) { return position & ~std::size_t{63}; }

// The bits of a chunk from `position` on.
constexpr std::uint64_t From(std::size_t position, std::size_t chunk) {
  return position > chunk ? ~std::uint64_t{0} << (position - chunk) : ~std::uint64_t{0};
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsPunct(char c) {
  return (c >= '!' && c <= '/') || (c >= ':' && c <= '@') || (c >= '[' && c <= '`') ||
         (c >= '{' && c <= '~');
}

// The opening of the C++ compiler's pattern up to its file name:
// cptc, white space, E/F/W, digits, one punctuation character, white space, ["
bool BeginsCptcDiagnostic(std::string_view line) {
  if (!line.starts_with("cptc")) return false;
  std::size_t at = 4;
  const auto skip = [&](auto&& wanted) {
    const std::size_t from = at;
    while (at < line.size() && wanted(line[at])) ++at;
    return at > from;
  };
  if (!skip(IsSpace) || at == line.size()) return false;
  const char letter = line[at++];
  if (letter != 'E' && letter != 'F' && letter != 'W') return false;
  if (!skip([](char c) { return c >= '0' && c <= '9'; })) return false;
  if (at == line.size() || !IsPunct(line[at++])) return false;
  if (!skip(IsSpace)) return false;
  return line.substr(at, 2) == "[\"";
}

}  // namespace

bool TakesContinuation(std::string_view line, Recognition recognition) {
  return recognition == Recognition::kClassic ? HoldsCptc(line) : BeginsCptcDiagnostic(line);
}

LineQueue::LineQueue(std::string_view text, bool endsLog, Recognition recognition,
                     std::uint64_t firstLine)
    : text_(text),
      front_(0),
      end_(text.size() + (endsLog ? 1 : 0)),
      recognition_(recognition),
      frontLine_(firstLine) {}

bool LineQueue::HasLines() const { return front_ < end_; }

// Masks of the chunk at `chunk`, a multiple of 64, computed once.
void LineQueue::MaskChunk(std::size_t chunk) {
  if (maskedChunk_ == chunk) return;
  const ByteMasks masks = MaskBytes(text_.data() + chunk, text_.size() - chunk);
  const char next = chunk + 64 < text_.size() ? text_[chunk + 64] : '\0';
  lf_ = masks.lf;
  candidates_ = MarkerCandidates(masks.letters, next);
  maskedChunk_ = chunk;
}

LineQueue::PhysicalLine LineQueue::ScanLine(std::size_t start) {
  PhysicalLine line;
  line.start = start;
  line.end = text_.size();
  for (std::size_t chunk = ChunkOf(start); chunk < text_.size(); chunk += 64) {
    MaskChunk(chunk);
    const std::uint64_t from = From(start, chunk);
    const std::uint64_t lf = lf_ & from;
    // Only what stands before the line's LF counts.
    const std::uint64_t mine = from & (lf != 0 ? LowestBit(lf) - 1 : ~std::uint64_t{0});
    AddMarkers(text_, start, chunk, candidates_ & mine, line.markers);
    if (lf != 0) {
      const std::size_t at = chunk + BitIndex(lf);
      line.next = at + 1;
      line.end = at > start && text_[at - 1] == '\r' ? at - 1 : at;
      break;
    }
  }
  return line;
}

// Moves the front past every line without a marker candidate: no marker can
// stand in them. Those lines hold no "cptc" either, so none of them takes a
// continuation and each starts a logical line.
void LineQueue::SkipUnmarkedLines() {
  const std::size_t size = text_.size();
  std::size_t lineStart = front_;
  for (std::size_t chunk = ChunkOf(front_); chunk < size; chunk += 64) {
    MaskChunk(chunk);
    const std::uint64_t from = From(front_, chunk);
    const std::uint64_t candidates = candidates_ & from;
    std::uint64_t lf = lf_ & from;
    if (candidates != 0) lf &= LowestBit(candidates) - 1;
    frontLine_ += static_cast<std::uint64_t>(std::popcount(lf));
    if (lf != 0) lineStart = chunk + 64 - static_cast<std::size_t>(std::countl_zero(lf));
    if (candidates != 0) {
      front_ = lineStart;
      return;
    }
  }
  // No marker in the rest of the text: every line left is passed over.
  front_ = kDrained;
}

bool LineQueue::Pop(LogLine& line, LineMarkers& markers) {
  if (!HasLines()) return false;
  const PhysicalLine first = ScanLine(front_);
  taken_ = frontLine_;
  const std::string_view firstText = text_.substr(first.start, first.end - first.start);
  if (!first.markers.cptc ||
      (recognition_ != Recognition::kClassic && !TakesContinuation(firstText, recognition_))) {
    line = firstText;
    markers = first.markers;
    front_ = first.next;
    ++frontLine_;
    return true;
  }

  // A "cptc" line takes the next physical line as its continuation, which is
  // not tested for "cptc" itself; at the end of the log it is empty.
  PhysicalLine second;
  if (first.next != kDrained) second = ScanLine(first.next);
  front_ = second.next;
  frontLine_ += 2;
  joined_.assign(firstText);
  joined_ += ' ';
  joined_.append(text_.substr(second.start, second.end - second.start));
  line = joined_;
  markers = first.markers;
  markers.ctc |= second.markers.ctc;
  markers.ltc |= second.markers.ltc;
  markers.cptc |= second.markers.cptc;
  markers.license |= second.markers.license;
  AddMarkersAcrossJoin(line, first.end - first.start, markers);
  return true;
}

bool LineQueue::PopMarked(LogLine& line, LineMarkers& markers) {
  for (;;) {
    if (HasLines()) SkipUnmarkedLines();
    if (!Pop(line, markers)) return false;
    if (markers.Any()) return true;
  }
}
