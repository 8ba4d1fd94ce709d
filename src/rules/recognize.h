// Deciding, for one logical line, whether it is a diagnostic and what it
// says, by the rules of the table and one of the two recognitions.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "rules/diagnostic.h"
#include "rules/matcher.h"
#include "rules/rule_table.h"

// One logical line of the log, without its line end.
using LogLine = std::string_view;

// A whole-line match: FullMatch, or the tests' std::regex reference.
using LineMatcher = bool (*)(const MessagePattern& pattern, std::string_view line,
                             MatchResult& match);

// Classic: tries, in table order, each classic rule whose marker the line
// holds; every rule that matches overwrites `diagnostic`, and the last rule
// tried decides the result (false if none was tried). Sound: the first sound
// rule that matches fills `diagnostic` and decides; its program is the word
// that opens the line. A sound location is the first one after the code: a
// file name that holds '" <digits>]' or '" <digits>/' is none, so a rule
// whose match has one is passed over.
bool RecognizeLine(LogLine line, Recognition recognition, Diagnostic& diagnostic,
                   LineMatcher match = FullMatch);

// The record of a successful whole-line match of `rule`.
void Record(const MessageRule& rule, const MatchResult& match, Diagnostic& diagnostic);

// The classic recognition, the output window's.
inline bool DispatchLine(LogLine line, Diagnostic& diagnostic) {
  return RecognizeLine(line, Recognition::kClassic, diagnostic);
}

// The quick test of a line's opening for one recognition, with the verdicts
// it keeps on the openings it has seen: the state of one run, made with it.
class OpeningTest {
 public:
  explicit OpeningTest(Recognition recognition);

  // The bytes that can open a line that some rule of the recognition matches.
  const std::array<bool, 256>& FirstBytes() const { return first_; }

  // Whether a line that begins with `prefix` can still be a diagnostic of the
  // recognition; false lets the reader pass over the rest of the line.
  bool MayBeDiagnostic(std::string_view prefix);

 private:
  static constexpr std::size_t kSlots = 1024;
  static constexpr std::uint8_t kNoVerdict = 2;

  bool Feasible(std::string_view text) const;

  Recognition recognition_;
  std::array<bool, 256> first_{};
  bool digitsAlike_ = true;  // no pattern tells one digit from another
  std::array<std::uint64_t, kSlots> opening_{};
  std::array<std::uint8_t, kSlots> verdict_{};
};

// Whether a sound diagnostic is one whose next physical line may be its
// source excerpt: a located diagnostic of the program that shows one.
bool TakesExcerpt(const Diagnostic& diagnostic);

// Where the text of a source excerpt starts in `line`, a physical line (or
// the start of one, when not `whole`): an excerpt opens with optional white
// space, the line number and white space. kNoExcerpt when the line is none;
// kUndecided when only more of the line can tell.
inline constexpr std::size_t kNoExcerpt = static_cast<std::size_t>(-1);
inline constexpr std::size_t kUndecided = static_cast<std::size_t>(-2);
std::size_t ExcerptTextStart(std::string_view line, bool whole);
