// A small full-line matcher for the message patterns.
//
// Every message pattern is a sequence of blocks, each one character class
// with a repetition: exactly once, one or more, or zero or more, the last
// either greedy or lazy. Matched the way an ECMAScript backtracking engine
// would, such a pattern yields, among all ways to split the line into the
// blocks, the one that the earlier block prefers first: the longest run for
// a greedy block, the shortest for a lazy one.
//
// Two engines find that split, each in a file of its own:
//   matcher_backtrack.cpp  plain backtracking within a work budget in
//                          proportion to the line: the fast way for the lines
//                          of a real log; FullMatch runs it first;
//   matcher_linear.cpp     two linear passes over the line, for the crafted
//                          lines that exhaust the budget.
// Either way time is linear in the line length, nothing recurses, and nothing
// throws except when memory runs out. matcher_compile.cpp builds the blocks
// and the compiled form both engines read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
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
// group, and the pattern text it stands for. A lazy block ("(.*?)") takes
// the fewest bytes that let the rest of the pattern match, a greedy one the
// most.
struct PatternBlock {
  CharSet chars;
  Repeat repeat = Repeat::kOnce;
  bool captured = false;
  bool lazy = false;
  std::string_view text;
};

// The matcher's own tables, made once from the blocks (matcher_internal.h).
struct CompiledPattern;

struct MessagePattern {
  std::string text;  // the joined pattern text of the blocks
  std::vector<PatternBlock> blocks;
  std::size_t groupCount = 0;                       // capture groups, group 0 not counted
  std::shared_ptr<const CompiledPattern> compiled;  // read-only, so copies may share it
};

// What is wrong with a pattern text, and at which byte of it.
struct PatternError {
  std::size_t position = 0;
  std::string_view what;  // empty: nothing is wrong
};

// Builds the pattern from its text, a sequence of these building blocks,
// nothing between them: "[[:space:]]+", "[[:punct:]]{1}", "([0-9]+)",
// "[0-9]+", "(.*)", "(.*?)", "[a-z]", "[a-z0-9]*", a choice of capital
// letters such as "(E|F|W)", an escaped punctuation character such as "\["
// or "\/", and any other character that is not special to std::regex, for
// itself. A rule writes its pattern as the text that std::regex reads, so
// that both read the same. Any other construct, more than kMaxGroups - 1
// groups or kMaxBlocks blocks returns false with `error` set: the matcher
// would read it differently from std::regex.
bool ParsePattern(std::string_view text, MessagePattern& pattern, PatternError& error);

// Group 0 and at most seven capture groups; at most 32 blocks (one bit each
// in the compiled tables).
constexpr std::size_t kMaxGroups = 8;
constexpr std::size_t kMaxBlocks = 32;

// Groups of the last match; views into the matched line. Group 0 is the whole
// line; a group that does not exist reads as empty text.
struct MatchResult {
  std::size_t size = 0;
  std::array<std::string_view, kMaxGroups> groups{};

  std::string_view Group(std::size_t index) const {
    return index < size ? groups[index] : std::string_view();
  }
};

// Matches `line` as a whole against `pattern`. On success fills `match` and
// returns true; on failure leaves `match` with no groups (size 0).
bool FullMatch(const MessagePattern& pattern, std::string_view line, MatchResult& match);

// The same result by the two linear passes alone. FullMatch first tries plain
// backtracking within a work budget proportional to the line and falls back
// to this when the budget runs out; the tests compare both with std::regex.
bool LinearMatch(const MessagePattern& pattern, std::string_view line, MatchResult& match);

// Whether some line that begins with `prefix` can match `pattern` as a whole:
// false as soon as the prefix leaves the pattern. Linear in the prefix, a few
// word operations a byte; it lets a reader pass over a line early.
bool CanStartMatch(const MessagePattern& pattern, std::string_view prefix);
