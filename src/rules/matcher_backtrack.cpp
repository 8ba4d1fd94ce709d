// Budgeted backtracking: the engine FullMatch runs first.
//
// Guarantee: at most 6 bytes looked at per byte of line, plus 1024; past that
// it gives up, and FullMatch hands the line to the linear passes
// (matcher_linear.cpp), which find the same split. Constant stack (the
// backtracking state is one array of block starts), no allocation, nothing
// throws.
#include <bit>
#include <cstring>

#include "rules/matcher.h"
#include "rules/matcher_internal.h"

namespace {

// How many of the first `count` bytes come before the first CR or LF: the run
// that a "(.*)" can take. A logical line holds no LF, and seldom a CR: two
// memchr calls, each many bytes at a time, settle it.
std::size_t CountBeforeLineEnd(const char* bytes, std::size_t count) {
  if (const void* lf = std::memchr(bytes, '\n', count)) {
    count = static_cast<std::size_t>(static_cast<const char*>(lf) - bytes);
  }
  const void* cr = std::memchr(bytes, '\r', count);
  return cr == nullptr ? count : static_cast<std::size_t>(static_cast<const char*>(cr) - bytes);
}

// The largest length in [least, most] at which at[length] is `byte`, or
// `least` - 1 as "none". Eight bytes at a time from the top: the byte that a
// "(.*)" gives back to is usually far from where it started.
std::ptrdiff_t LastByteAt(const unsigned char* at, std::size_t least, std::size_t most,
                          unsigned char byte) {
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  const std::uint64_t pattern = 0x0101010101010101ULL * byte;
  std::size_t length = most;
  if constexpr (std::endian::native == std::endian::little) {
    // A word needs eight unchecked bytes at or above `least`. After a miss
    // down to index 0, `length` has wrapped to the largest value; counting one
    // more brings it back to 0, so the scan stops there instead of reading
    // before the line.
    while (length + 1 >= least + 8) {
      std::uint64_t word;
      std::memcpy(&word, at + length - 7, 8);
      const std::uint64_t x = word ^ pattern;
      // Exactly the high bit of each zero byte of x: no borrow between bytes.
      const std::uint64_t hits = ~(((x & kLow7) + kLow7) | x | kLow7);
      if (hits != 0) {
        return static_cast<std::ptrdiff_t>(length - 7 + (63 - std::countl_zero(hits)) / 8);
      }
      length -= 8;
    }
  }
  for (std::size_t k = length + 1; k-- > least;) {
    if (at[k] == byte) return static_cast<std::ptrdiff_t>(k);
  }
  return static_cast<std::ptrdiff_t>(least) - 1;
}

enum class Outcome { kMatch, kNoMatch, kGaveUp };

// One attempt on one line. Blocks 0..b-1 are placed, start[b] is where block
// b goes next, and `budget` is the number of bytes it may still look at. The
// steps also hand that place over as `position`, so that it stays in a
// register instead of going through `start` (a third of the time on short
// lines).
struct Backtracker {
  const CompiledPattern& pattern;
  const unsigned char* bytes;
  std::size_t size;
  BlockStarts& start;
  std::size_t budget;
  bool spent = false;  // the budget ran out: the line goes the linear way

  bool Takes(std::size_t b, std::size_t at) const {
    return at < size && (pattern.blocksTaking[bytes[at]] >> b & 1);
  }
  std::size_t Least(std::size_t b) const {
    return pattern.repeat[b] == Repeat::kZeroOrMore ? 0 : 1;
  }

  // Returned for "no block": no more than kMaxBlocks blocks exist.
  static constexpr std::size_t kFailed = kMaxBlocks + 1;

  // Places the leading blocks of fixed extent, once: nothing before the first
  // block with a choice is ever given back. Returns that block, or kFailed
  // when the line fails there.
  std::size_t PlaceFixedPrefix() {
    std::size_t position = 0;
    start[0] = 0;
    for (std::size_t b = 0; b < pattern.fixedPrefix; ++b) {
      if (!Takes(b, position)) return kFailed;
      ++position;
      if (pattern.repeat[b] != Repeat::kOnce) {
        // Never a "(.*)": that one has no fixed extent. The run is at most
        // the line's size, and the budget is larger.
        const std::size_t from = position;
        while (Takes(b, position)) ++position;
        budget -= position - from + 1;
      }
      start[b + 1] = position;
    }
    return pattern.fixedPrefix;
  }

  // Block b takes its longest run at `position` (a lazy block its shortest)
  // and moves it past the run.
  // False if that is too short for it, or if the budget is spent.
  bool PlaceLongest(std::size_t b, std::size_t& position) {
    std::size_t run;
    if (pattern.repeat[b] == Repeat::kOnce) {
      run = Takes(b, position) ? 1 : 0;
    } else if (pattern.lazy[b]) {
      run = 0;  // the fewest first; GiveBack lengthens it
    } else {
      run = RunLength(b, position);
      if (run + 1 > budget) return Spent();
      budget -= run + 1;
    }
    if (run < Least(b)) return false;
    position += run;
    start[b + 1] = position;
    return true;
  }

  // Length of the run of block b's class at `from`, up to the line's end.
  std::size_t RunLength(std::size_t b, std::size_t from) const {
    const char* const begin = reinterpret_cast<const char*>(bytes) + from;
    if (pattern.anyText[b]) return CountBeforeLineEnd(begin, size - from);
    std::size_t run = 0;
    while (Takes(b, from + run)) ++run;
    return run;
  }

  // Undoes the latest choice that can still be changed: walking back from
  // block b, the first block that can shrink takes one byte less, or as many
  // less as it takes for the block after it to find its first byte there; a
  // lazy block takes one byte more, or as many more. Returns the block to
  // place next, or kFailed when no choice is left (or the budget is spent).
  std::size_t GiveBack(std::size_t b, std::size_t firstChoice, std::size_t& position) {
    while (b > firstChoice) {
      --b;
      const std::size_t end = pattern.lazy[b] ? Lengthen(b) : Shorten(b);
      if (spent) return kFailed;
      if (end == kNoEnd) continue;
      position = end;
      start[b + 1] = position;
      return b + 1;
    }
    return kFailed;
  }

  static constexpr std::size_t kNoEnd = static_cast<std::size_t>(-1);

  // Block b's next shorter end at which the block after it can start.
  std::size_t Shorten(std::size_t b) {
    std::size_t length = start[b + 1] - start[b];
    // The last block must reach the line's end, so it never shrinks.
    if (length <= Least(b) || b + 1 == pattern.blockCount || pattern.fixedExtent[b]) return kNoEnd;
    --length;
    if (pattern.repeat[b + 1] != Repeat::kZeroOrMore) {
      length = ShrinkToNextStart(b, length);
      if (spent || !Takes(b + 1, start[b] + length)) return kNoEnd;
    }
    return start[b] + length;
  }

  // A lazy block b's next longer end at which the block after it can start:
  // forward over its class to the first place the next block takes.
  std::size_t Lengthen(std::size_t b) {
    std::size_t end = start[b + 1];
    const bool nextMayBeEmpty =
        b + 1 == pattern.blockCount || pattern.repeat[b + 1] == Repeat::kZeroOrMore;
    if (!nextMayBeEmpty && pattern.anyText[b] && pattern.soleByte[b + 1] >= 0) {
      return NextByteOfText(b, end);
    }
    const std::size_t from = end;
    std::size_t found = kNoEnd;
    while (Takes(b, end)) {
      ++end;
      if (nextMayBeEmpty || Takes(b + 1, end)) {
        found = end;
        break;
      }
    }
    const std::size_t scanned = end - from + 1;
    if (scanned > budget) return Spent(), kNoEnd;
    budget -= scanned;
    return found;
  }

  // For a lazy "(.*?)" that ends at `end` and a next block of one byte: the
  // next place of that byte, if no line end comes first. memchr finds it
  // many bytes at a time, a file name ending at its closing quote.
  std::size_t NextByteOfText(std::size_t b, std::size_t end) {
    if (end >= size) return kNoEnd;
    const auto byte = static_cast<unsigned char>(pattern.soleByte[b + 1]);
    const void* at = std::memchr(bytes + end + 1, byte, size - end - 1);
    const std::size_t next =
        at == nullptr ? size
                      : static_cast<std::size_t>(static_cast<const unsigned char*>(at) - bytes);
    const std::size_t scanned = next - end + 1;
    if (scanned > budget) return Spent(), kNoEnd;
    budget -= scanned;
    const char* const text = reinterpret_cast<const char*>(bytes) + end;
    if (at == nullptr || CountBeforeLineEnd(text, next - end) != next - end) return kNoEnd;
    return next;
  }

  // The largest length up to `most` (and at least Least(b)) at which block
  // b + 1 can start; Least(b) if there is none, which the caller checks.
  std::size_t ShrinkToNextStart(std::size_t b, std::size_t most) {
    const unsigned char* const at = bytes + start[b];
    const std::size_t floor = Least(b);
    std::size_t length = most;
    if (const int sole = pattern.soleByte[b + 1]; sole >= 0) {
      const std::ptrdiff_t found = LastByteAt(at, floor, most, static_cast<unsigned char>(sole));
      length = found < static_cast<std::ptrdiff_t>(floor) ? floor : static_cast<std::size_t>(found);
    } else {
      const std::uint32_t next = std::uint32_t{1} << (b + 1);
      while (length > floor && !(pattern.blocksTaking[at[length]] & next)) --length;
    }
    const std::size_t scanned = most - length + 1;
    if (scanned > budget) return Spent(), floor;
    budget -= scanned;
    return length;
  }

  bool Spent() {
    spent = true;
    return false;
  }
};

// Plain backtracking in the ECMAScript priority order: each block takes its
// longest run first and gives back one byte at a time (a lazy block its
// shortest, and takes one more at a time), the latest block first. The first split that covers the
// line is the one std::regex finds, and the one the linear passes find.
//
// Most lines are settled within two or three passes over the line: a "(.*)"
// runs to the line's end and backs up to the first place where the next
// block can start (LastByteAt finds that place eight bytes at a time). A
// crafted line can make backtracking quadratic, so it gets a work budget in
// proportion to the line; a line that exhausts it goes the linear way.
Outcome Backtrack(const CompiledPattern& pattern, std::string_view line, BlockStarts& start) {
  const std::size_t size = line.size();
  Backtracker run{pattern, reinterpret_cast<const unsigned char*>(line.data()), size, start,
                  6 * size + 1024};
  const std::size_t count = pattern.blockCount;
  const std::size_t firstChoice = run.PlaceFixedPrefix();
  if (firstChoice == Backtracker::kFailed) return Outcome::kNoMatch;
  std::size_t b = firstChoice;
  std::size_t position = start[b];
  for (;;) {
    if (b == count) {
      if (position == size) return Outcome::kMatch;
    } else if (run.PlaceLongest(b, position)) {
      ++b;
      continue;
    }
    if (run.spent) return Outcome::kGaveUp;
    b = run.GiveBack(b, firstChoice, position);
    if (b == Backtracker::kFailed) return run.spent ? Outcome::kGaveUp : Outcome::kNoMatch;
  }
}

}  // namespace

bool FullMatch(const MessagePattern& messagePattern, std::string_view line, MatchResult& match) {
  const CompiledPattern& pattern = *messagePattern.compiled;
  match.size = 0;
  BlockStarts start;
  switch (Backtrack(pattern, line, start)) {
    case Outcome::kNoMatch:
      return false;
    case Outcome::kMatch:
      FillGroups(pattern, line, start, match);
      return true;
    case Outcome::kGaveUp:
      break;
  }
  return LinearMatch(messagePattern, line, match);
}
