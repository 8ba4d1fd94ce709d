// A small full-line matcher for the message patterns.
//
// Every message pattern is a sequence of blocks, each one character class
// with a repetition: exactly once, one or more, or zero or more. Matched the
// way an ECMAScript backtracking engine would, such a pattern yields, among
// all ways to split the line into the blocks, the split whose block lengths
// are lexicographically largest (the earlier block's greed first).
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
// group, and the pattern text it stands for.
struct PatternBlock {
  CharSet chars;
  Repeat repeat = Repeat::kOnce;
  bool captured = false;
  std::string_view text;
};

// The building blocks. Character classes are those of the classic C locale;
// bytes 0x80 and above belong to none of them, and NUL is an ordinary byte.
std::vector<PatternBlock> Literal(std::string_view chars);   // ctc: one block a character
PatternBlock EscapedLiteral(char c, std::string_view text);  // "\[" and the like
PatternBlock SpaceRun();                                     // "[[:space:]]+"
PatternBlock OnePunct();                                     // "[[:punct:]]{1}"
PatternBlock Number();                                       // "[0-9]+"
PatternBlock CapturedNumber();                               // "([0-9]+)"
PatternBlock LetterChoice(std::string_view text);            // "(E|F|W)", "(E|F)", "(F)"
PatternBlock AnyText();                                      // "(.*)"
PatternBlock LowerLetter();                                  // "[a-z]"
PatternBlock LowerLettersOrDigits();                         // "[a-z0-9]*"

// The matcher's own tables, made once from the blocks (matcher_internal.h).
struct CompiledPattern;

struct MessagePattern {
  std::string text;  // the joined pattern text of the blocks
  std::vector<PatternBlock> blocks;
  std::shared_ptr<const CompiledPattern> compiled;  // read-only, so copies may share it
};

// Builds the pattern from its blocks, in order, with nothing between them.
MessagePattern CompilePattern(std::vector<PatternBlock> blocks);

// Builds the pattern from its text, which must be a sequence of the building
// blocks above; any other character stands for itself. A rule writes its
// pattern as the text that std::regex reads, so that both read the same.
MessagePattern ParsePattern(std::string_view text);

constexpr std::size_t kMaxGroups = 8;

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
