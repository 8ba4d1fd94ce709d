// A small full-line matcher for the message patterns.
//
// Every message pattern is a sequence of blocks, each one character class
// with a repetition: exactly once, one or more, or zero or more. Matched the
// way an ECMAScript backtracking engine would, such a pattern yields, among
// all ways to split the line into the blocks, the split whose block lengths
// are lexicographically largest (the earlier block's greed first).
//
// Typical lines are settled fastest by plain backtracking in that order, so we
// try it first, iteratively and within a work budget proportional to the line.
// A crafted line that would make backtracking quadratic exhausts the budget
// and gets the same split without backtracking: a backward pass finds, for
// every position, the blocks from which the rest of the line can still be
// matched, and a forward pass lets each block take the longest run that leaves
// a feasible rest. Either way time is linear in the line length, memory is a
// few bytes per kilobyte of line, nothing recurses and nothing throws except
// when memory runs out.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A set of byte values.
struct CharSet {
  std::array<std::uint64_t, 4> bits{};

  constexpr void Add(unsigned char c) { bits[c >> 6] |= std::uint64_t{1} << (c & 63); }
  constexpr bool Has(unsigned char c) const { return (bits[c >> 6] >> (c & 63)) & 1; }
};

enum class Repeat : std::uint8_t { kOnce, kOneOrMore, kZeroOrMore };

// One piece of a pattern: a class, its repetition, whether it is a capture
// group, and the pattern text it stands for.
struct PatternBlock {
  CharSet chars;
  Repeat repeat = Repeat::kOnce;
  bool captured = false;
  std::string_view text;
};

// The building blocks. Character classes are those of the classic C locale;
// bytes 0x80 and above belong to none of them, and NUL is an ordinary byte.
std::vector<PatternBlock> Literal(std::string_view chars);  // "ctc": one block a character
PatternBlock EscapedLiteral(char c, std::string_view text);  // "\[" and the like
PatternBlock SpaceRun();                                     // "[[:space:]]+"
PatternBlock OnePunct();                                     // "[[:punct:]]{1}"
PatternBlock Number();                                       // "[0-9]+"
PatternBlock CapturedNumber();                               // "([0-9]+)"
PatternBlock LetterChoice(std::string_view text);            // "(E|F|W)", "(E|F)", "(F)"
PatternBlock AnyText();                                      // "(.*)"

// Bits of the automaton built from the blocks: one state per class test,
// "one or more" being a single test followed by a "zero or more" loop.
using StateSet = std::uint64_t;

struct MessagePattern {
  std::string text;  // the joined pattern text of the blocks
  std::vector<PatternBlock> blocks;
  std::size_t groupCount = 0;
  std::vector<int> soleByte;  // per block: its one byte, or -1 for a wider class
  std::vector<std::uint8_t> anyTextBlock;      // per block: 1 for "(.*)"
  std::array<std::uint32_t, 256> blocksTaking{};  // per byte: blocks whose class holds it
  // Blocks whose extent no match can change: single tests, and runs that a
  // block of a disjoint class must follow. Giving back bytes from such a run
  // leaves a byte the next block cannot take.
  std::vector<std::uint8_t> fixedExtent;
  std::size_t fixedPrefix = 0;  // leading blocks that all have a fixed extent

  std::size_t stateCount = 0;  // the accepting state has this number
  StateSet onceStates = 0;
  StateSet loopStates = 0;
  std::size_t longestLoopChain = 0;
  std::array<StateSet, 256> statesTaking{};  // per byte: states whose class holds it
  std::vector<std::uint8_t> blockOfState;
  std::vector<bool> startsBlock;
  std::vector<std::uint8_t> blockOfGroup;  // index 1..groupCount
};

// Builds the pattern from its blocks, in order, with nothing between them.
MessagePattern CompilePattern(std::vector<PatternBlock> blocks);

constexpr std::size_t kMaxGroups = 8;

// Groups of the last match; views into the matched line. Group 0 is the whole
// line; a group that does not exist reads as empty text.
struct MatchResult {
  bool matched = false;
  std::size_t size = 0;
  std::array<std::string_view, kMaxGroups> groups{};

  std::string_view Group(std::size_t index) const {
    return index < size ? groups[index] : std::string_view();
  }
};

// Matches `line` as a whole against `pattern`. On success fills `match` and
// returns true; on failure leaves `match` with `matched` false and no groups.
bool FullMatch(const MessagePattern& pattern, std::string_view line, MatchResult& match);

// The same result by the two linear passes alone. FullMatch first tries plain
// backtracking within a work budget proportional to the line and falls back
// to this when the budget runs out; the tests compare both with std::regex.
bool LinearMatch(const MessagePattern& pattern, std::string_view line, MatchResult& match);
