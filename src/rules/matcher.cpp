#include "rules/matcher.h"

#include "log/byte_masks.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>

namespace {

constexpr StateSet Bit(std::size_t state) { return StateSet{1} << state; }

CharSet Range(unsigned char first, unsigned char last) {
  CharSet set;
  for (unsigned c = first; c <= last; ++c) set.Add(static_cast<unsigned char>(c));
  return set;
}

CharSet SpaceChars() {
  CharSet set;
  for (unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'}) set.Add(c);
  return set;
}

CharSet PunctChars() {
  CharSet set;
  for (unsigned c = 0x21; c <= 0x7E; ++c) {
    const bool alnum = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (!alnum) set.Add(static_cast<unsigned char>(c));
  }
  return set;
}

// "." of ECMAScript: anything but the two line terminators of a narrow string.
CharSet DotChars() {
  CharSet set = Range(0x00, 0xFF);
  set.bits[0] &= ~((std::uint64_t{1} << '\n') | (std::uint64_t{1} << '\r'));
  return set;
}

PatternBlock Make(CharSet chars, Repeat repeat, bool captured, std::string_view text) {
  PatternBlock block;
  block.chars = chars;
  block.repeat = repeat;
  block.captured = captured;
  block.text = text;
  return block;
}

// Adds, to the bottom of `states`, every state that an active "zero or more"
// state lets through without reading a byte (forward direction).
StateSet SkipLoopsForward(const MessagePattern& pattern, StateSet states) {
  for (std::size_t i = 0; i < pattern.longestLoopChain; ++i) {
    states |= (states & pattern.loopStates) << 1;
  }
  return states;
}

// Backward counterpart: a "zero or more" state can finish wherever the state
// after it can.
StateSet SkipLoopsBackward(const MessagePattern& pattern, StateSet states) {
  for (std::size_t i = 0; i < pattern.longestLoopChain; ++i) {
    states |= (states >> 1) & pattern.loopStates;
  }
  return states;
}

// The states from which line[p..] can be matched, given those for line[p+1..]
// and the byte at p.
StateSet StepBack(const MessagePattern& pattern, StateSet after, unsigned char byte) {
  const StateSet taking = pattern.statesTaking[byte];
  const StateSet states =
      (taking & pattern.onceStates & (after >> 1)) | (taking & pattern.loopStates & after);
  return SkipLoopsBackward(pattern, states);
}

// Lines are rejected early if no state survives their first bytes; most
// lines that hold a marker are tool invocations that fail within a few bytes.
constexpr std::size_t kPrefilterBytes = 32;

bool PrefixCanMatch(const MessagePattern& pattern, std::string_view line) {
  StateSet active = SkipLoopsForward(pattern, Bit(0));
  const std::size_t count = std::min(line.size(), kPrefilterBytes);
  for (std::size_t p = 0; p < count; ++p) {
    const StateSet taking = pattern.statesTaking[static_cast<unsigned char>(line[p])] & active;
    active = SkipLoopsForward(pattern,
                              ((taking & pattern.onceStates) << 1) | (taking & pattern.loopStates));
    if (active == 0) return false;
  }
  return true;
}

// Feasible state sets of every position, kept in chunks: the backward pass
// remembers only the set at each chunk's end, and a chunk is recomputed from
// there when the forward pass reaches it. Memory stays a few bytes per
// kilobyte of line; the backward work is done at most twice.
constexpr std::size_t kChunk = 256;

struct FeasibleSets {
  const MessagePattern& pattern;
  std::string_view line;
  std::vector<StateSet>& chunkEnds;  // set at the end of chunk k
  std::array<StateSet, kChunk + 1> sets{};
  std::size_t loaded = 0;            // chunk held in `sets`
  std::size_t lastChunk = 0;

  std::size_t ChunkEnd(std::size_t k) const { return std::min((k + 1) * kChunk, line.size()); }

  void Compute(std::size_t k) {
    const std::size_t base = k * kChunk;
    std::size_t p = ChunkEnd(k);
    sets[p - base] = chunkEnds[k];
    while (p > base) {
      --p;
      sets[p - base] = StepBack(pattern, sets[p + 1 - base], static_cast<unsigned char>(line[p]));
    }
    loaded = k;
  }

  // Runs the backward pass; afterwards chunk 0 is loaded.
  void Build() {
    lastChunk = line.empty() ? 0 : (line.size() - 1) / kChunk;
    chunkEnds.resize(lastChunk + 1);
    chunkEnds[lastChunk] = SkipLoopsBackward(pattern, Bit(pattern.stateCount));
    for (std::size_t k = lastChunk + 1; k-- > 0;) {
      Compute(k);
      if (k > 0) chunkEnds[k - 1] = sets[0];
    }
  }

  StateSet At(std::size_t position) {
    const std::size_t k = std::min(position / kChunk, lastChunk);
    if (k != loaded) Compute(k);
    return sets[position - k * kChunk];
  }
};

// Most lines are settled by plain backtracking in the ECMAScript priority
// order (each block takes its longest run first and gives back one byte at a
// time) within two or three passes over the line: a "(.*)" runs to the line's
// end and backs up to the first place where the next block can start. The
// first split found is the one the feasibility passes below would find. A
// crafted line can make backtracking quadratic, so it gets a work budget in
// proportion to the line; a line that exhausts it goes the linear way.
enum class QuickResult { kMatch, kNoMatch, kGaveUp };

struct BlockSpans {
  std::array<std::size_t, 64> start;
  std::array<std::size_t, 64> length;
};


// Length of the run of `block`'s class at line[from..], at most `most` bytes.
std::size_t RunLength(const MessagePattern& pattern, std::size_t b, std::string_view line,
                      std::size_t from, std::size_t most) {
  const char* const begin = line.data() + from;
  if (pattern.anyTextBlock[b]) return CountBeforeLineEnd(begin, most);
  const std::uint32_t bit = std::uint32_t{1} << b;
  std::size_t run = 0;
  while (run < most && (pattern.blocksTaking[static_cast<unsigned char>(begin[run])] & bit)) ++run;
  return run;
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

QuickResult QuickMatch(const MessagePattern& pattern, std::string_view line, BlockSpans& spans) {
  const PatternBlock* const blocks = pattern.blocks.data();
  const std::size_t count = pattern.blocks.size();
  const std::size_t size = line.size();
  const auto* const bytes = reinterpret_cast<const unsigned char*>(line.data());
  std::size_t budget = 6 * size + 1024;
  const auto least = [blocks](std::size_t b) -> std::size_t {
    return blocks[b].repeat == Repeat::kZeroOrMore ? 0 : 1;
  };

  // The fixed leading blocks are matched once; nothing before the first
  // block with a choice is ever given back.
  std::size_t b = 0;
  std::size_t position = 0;
  for (; b < pattern.fixedPrefix; ++b) {
    std::size_t run = position < size && (pattern.blocksTaking[bytes[position]] >> b & 1) ? 1 : 0;
    if (run != 0 && blocks[b].repeat != Repeat::kOnce) {
      // Never a "(.*)": that one has no fixed extent.
      while (position + run < size && (pattern.blocksTaking[bytes[position + run]] >> b & 1)) ++run;
      budget -= run;  // at most the line's size: the budget is larger
    }
    if (run == 0) return QuickResult::kNoMatch;
    spans.start[b] = position;
    spans.length[b] = run;
    position += run;
  }
  const std::size_t firstChoice = b;
  for (;;) {
    if (b < count) {
      const PatternBlock& block = blocks[b];
      std::size_t run;
      if (block.repeat == Repeat::kOnce) {
        run = position < size && (pattern.blocksTaking[bytes[position]] >> b & 1) ? 1 : 0;
      } else {
        run = RunLength(pattern, b, line, position, size - position);
        if (run + 1 > budget) return QuickResult::kGaveUp;
        budget -= run + 1;
      }
      if (run >= least(b)) {
        spans.start[b] = position;
        spans.length[b] = run;
        position += run;
        ++b;
        continue;
      }
    } else if (position == size) {
      return QuickResult::kMatch;
    }

    // Give back: the latest block that can still shrink takes one byte less,
    // or as many less as it takes for the next block to find its first byte.
    for (;;) {
      if (b == firstChoice) return QuickResult::kNoMatch;
      --b;
      std::size_t length = spans.length[b];
      if (length <= least(b) || b + 1 == count || pattern.fixedExtent[b]) continue;  // the last block must reach the end
      --length;
      const PatternBlock& next = blocks[b + 1];
      if (next.repeat != Repeat::kZeroOrMore) {
        const std::uint32_t first = std::uint32_t{1} << (b + 1);
        const unsigned char* const at = bytes + spans.start[b];
        const std::size_t floor = least(b);
        const std::size_t from = length;
        if (const int sole = pattern.soleByte[b + 1]; sole >= 0) {
          const std::ptrdiff_t found = LastByteAt(at, floor, from, static_cast<unsigned char>(sole));
          length = found < static_cast<std::ptrdiff_t>(floor) ? floor : static_cast<std::size_t>(found);
        } else {
          while (length > floor && !(pattern.blocksTaking[at[length]] & first)) --length;
        }
        const std::size_t scanned = from - length + 1;
        if (scanned > budget) return QuickResult::kGaveUp;
        budget -= scanned;
        if (!(pattern.blocksTaking[at[length]] & first)) continue;
      }
      spans.length[b] = length;
      position = spans.start[b] + length;
      ++b;
      break;
    }
  }
}

}  // namespace

std::vector<PatternBlock> Literal(std::string_view chars) {
  std::vector<PatternBlock> blocks;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    CharSet set;
    set.Add(static_cast<unsigned char>(chars[i]));
    blocks.push_back(Make(set, Repeat::kOnce, false, chars.substr(i, 1)));
  }
  return blocks;
}

PatternBlock EscapedLiteral(char c, std::string_view text) {
  CharSet set;
  set.Add(static_cast<unsigned char>(c));
  return Make(set, Repeat::kOnce, false, text);
}

PatternBlock SpaceRun() { return Make(SpaceChars(), Repeat::kOneOrMore, false, "[[:space:]]+"); }

PatternBlock OnePunct() { return Make(PunctChars(), Repeat::kOnce, false, "[[:punct:]]{1}"); }

PatternBlock Number() { return Make(Range('0', '9'), Repeat::kOneOrMore, false, "[0-9]+"); }

PatternBlock CapturedNumber() {
  return Make(Range('0', '9'), Repeat::kOneOrMore, true, "([0-9]+)");
}

PatternBlock LetterChoice(std::string_view text) {
  // "(E|F|W)": the letters are every character but the parentheses and bars.
  CharSet set;
  for (char c : text) {
    if (c != '(' && c != ')' && c != '|') set.Add(static_cast<unsigned char>(c));
  }
  return Make(set, Repeat::kOnce, true, text);
}

PatternBlock AnyText() { return Make(DotChars(), Repeat::kZeroOrMore, true, "(.*)"); }

MessagePattern CompilePattern(std::vector<PatternBlock> blocks) {
  MessagePattern pattern;
  pattern.blocks = std::move(blocks);
  pattern.blockOfGroup.push_back(0);  // group 0 is the whole line
  std::size_t chain = 0;
  for (std::size_t b = 0; b < pattern.blocks.size(); ++b) {
    const PatternBlock& block = pattern.blocks[b];
    pattern.text += block.text;
    int sole = -1;
    int members = 0;
    for (unsigned c = 0; c < 256; ++c) {
      if (block.chars.Has(static_cast<unsigned char>(c))) {
        ++members;
        sole = static_cast<int>(c);
      }
    }
    pattern.soleByte.push_back(members == 1 ? sole : -1);
    pattern.anyTextBlock.push_back(block.repeat == Repeat::kZeroOrMore && block.chars.bits == DotChars().bits);
    for (unsigned c = 0; c < 256; ++c) {
      if (block.chars.Has(static_cast<unsigned char>(c))) pattern.blocksTaking[c] |= std::uint32_t{1} << b;
    }
    if (block.captured) {
      ++pattern.groupCount;
      pattern.blockOfGroup.push_back(static_cast<std::uint8_t>(b));
    }
    const bool once = block.repeat != Repeat::kZeroOrMore;
    const bool loop = block.repeat != Repeat::kOnce;
    bool first = true;
    for (const bool isLoop : {false, true}) {
      if (isLoop ? !loop : !once) continue;
      const std::size_t state = pattern.stateCount++;
      (isLoop ? pattern.loopStates : pattern.onceStates) |= Bit(state);
      chain = isLoop ? chain + 1 : 0;
      pattern.longestLoopChain = std::max(pattern.longestLoopChain, chain);
      for (unsigned c = 0; c < 256; ++c) {
        if (block.chars.Has(static_cast<unsigned char>(c))) pattern.statesTaking[c] |= Bit(state);
      }
      pattern.blockOfState.push_back(static_cast<std::uint8_t>(b));
      pattern.startsBlock.push_back(first);
      first = false;
    }
  }
  for (std::size_t b = 0; b < pattern.blocks.size(); ++b) {
    const PatternBlock& block = pattern.blocks[b];
    bool fixed = block.repeat == Repeat::kOnce;
    if (block.repeat == Repeat::kOneOrMore && b + 1 < pattern.blocks.size()) {
      const PatternBlock& next = pattern.blocks[b + 1];
      bool disjoint = true;
      for (std::size_t w = 0; w < block.chars.bits.size(); ++w) {
        disjoint = disjoint && (block.chars.bits[w] & next.chars.bits[w]) == 0;
      }
      fixed = disjoint && next.repeat != Repeat::kZeroOrMore;
    }
    pattern.fixedExtent.push_back(fixed ? 1 : 0);
    if (fixed && pattern.fixedPrefix == b) pattern.fixedPrefix = b + 1;
  }
  // The accepting state needs a bit of its own.
  assert(pattern.stateCount < 64 && pattern.groupCount < kMaxGroups && pattern.blocks.size() <= 32);
  return pattern;
}

bool FullMatch(const MessagePattern& pattern, std::string_view line, MatchResult& match) {
  match.matched = false;
  match.size = 0;

  BlockSpans spans;
  switch (QuickMatch(pattern, line, spans)) {
    case QuickResult::kNoMatch:
      return false;
    case QuickResult::kMatch:
      match.matched = true;
      match.size = pattern.groupCount + 1;
      match.groups[0] = line;
      for (std::size_t g = 1; g <= pattern.groupCount; ++g) {
        const std::size_t b = pattern.blockOfGroup[g];
        match.groups[g] = line.substr(spans.start[b], spans.length[b]);
      }
      return true;
    case QuickResult::kGaveUp:
      break;
  }
  return LinearMatch(pattern, line, match);
}

bool LinearMatch(const MessagePattern& pattern, std::string_view line, MatchResult& match) {
  match.matched = false;
  match.size = 0;
  if (!PrefixCanMatch(pattern, line)) return false;

  // Reused between calls, so that the steady state allocates nothing.
  thread_local std::vector<StateSet> chunkEnds;
  FeasibleSets feasible{pattern, line, chunkEnds};
  feasible.Build();
  if ((feasible.At(0) & 1) == 0) return false;

  // Forward pass: every state is feasible where we stand, so a single test
  // always takes its byte, and a loop takes one more byte exactly when the
  // rest stays feasible after it.
  std::array<std::size_t, 64> blockStart{};
  std::size_t position = 0;
  std::size_t state = 0;
  blockStart[0] = 0;
  while (state != pattern.stateCount) {
    bool advance = true;
    if (pattern.loopStates & Bit(state)) {
      advance = !(position < line.size() &&
                  (pattern.statesTaking[static_cast<unsigned char>(line[position])] & Bit(state)) &&
                  (feasible.At(position + 1) & Bit(state)));
      if (!advance) ++position;
    } else {
      ++position;
    }
    if (advance) {
      ++state;
      if (state < pattern.stateCount && pattern.startsBlock[state]) {
        blockStart[pattern.blockOfState[state]] = position;
      }
    }
  }

  blockStart[pattern.blocks.size()] = line.size();
  match.matched = true;
  match.size = pattern.groupCount + 1;
  match.groups[0] = line;
  for (std::size_t g = 1; g <= pattern.groupCount; ++g) {
    const std::size_t b = pattern.blockOfGroup[g];
    match.groups[g] = line.substr(blockStart[b], blockStart[b + 1] - blockStart[b]);
  }
  return true;
}
