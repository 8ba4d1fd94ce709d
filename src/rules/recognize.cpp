#include "rules/recognize.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <span>

#include "text/chars.h"

namespace {

bool Holds(LogLine line, std::string_view marker) {
  return marker.empty() || line.find(marker) != std::string_view::npos;
}

}  // namespace

// Every pattern opens with the program's name and white space, and puts the
// message number right after the severity letter, so both are read from the
// line.
void Record(const MessageRule& rule, const MatchResult& match, Diagnostic& diagnostic) {
  const auto group = [&match](std::uint8_t number) {
    return number == 0 ? std::string_view() : match.Group(number);
  };
  const std::string_view whole = match.Group(0);
  diagnostic = Diagnostic{};
  diagnostic.rule = &rule;
  diagnostic.whole = whole;
  diagnostic.severity = group(rule.groups.severity);
  diagnostic.file = group(rule.groups.file);
  diagnostic.line = group(rule.groups.line);
  diagnostic.column = group(rule.groups.column);
  diagnostic.text = group(rule.groups.text);
  diagnostic.excerpt = group(rule.groups.excerpt);
  std::size_t name = 0;
  while (name < whole.size() && !IsSpace(whole[name])) ++name;
  diagnostic.tool = rule.program.empty() ? whole.substr(0, name) : rule.program;
  diagnostic.program = &ProgramNamed(diagnostic.tool);
  const auto digits = static_cast<std::size_t>(diagnostic.severity.data() - whole.data()) + 1;
  std::size_t end = digits;
  while (end < whole.size() && IsDigit(whole[end])) ++end;
  diagnostic.number = whole.substr(digits, end - digits);
  diagnostic.placeholder = ((rule.placeholderWhen & kEmptyFile) && diagnostic.file.empty()) ||
                           ((rule.placeholderWhen & kEmptyText) && diagnostic.text.empty()) ||
                           ((rule.placeholderWhen & kEmptyExcerpt) && diagnostic.excerpt.empty());
}

namespace {

// Whether a located diagnostic's file name holds '"', white space, digits
// and ']' or '/': the first location after the code ends there, so a match
// with such a name took a location quoted later in the text.
bool HoldsLocationEnd(std::string_view file) {
  for (std::size_t quote = file.find('"'); quote != std::string_view::npos;
       quote = file.find('"', quote + 1)) {
    std::size_t at = quote + 1;
    const std::size_t blanks = at;
    while (at < file.size() && IsSpace(file[at])) ++at;
    const std::size_t digits = at;
    while (at < file.size() && IsDigit(file[at])) ++at;
    if (at > digits && digits > blanks && at < file.size() &&
        (file[at] == ']' || file[at] == '/')) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool RecognizeLine(LogLine line, Recognition recognition, Diagnostic& diagnostic,
                   LineMatcher match) {
  const std::span<const MessageRule> rules = Rules();
  MatchResult groups;
  if (recognition == Recognition::kClassic) {
    // Every rule whose marker the line holds is tried, each match writing
    // over the last, and the last one tried decides: so only that one can
    // show, and only its match matters.
    for (std::size_t i = rules.size(); i-- > 0;) {
      const MessageRule& rule = rules[i];
      if (!UsedBy(rule, recognition) || !Holds(line, rule.marker)) continue;
      if (!match(RulePattern(rule), line, groups)) return false;
      Record(rule, groups, diagnostic);
      return true;
    }
    return false;
  }
  for (const MessageRule& rule : rules) {
    if (!UsedBy(rule, recognition) || !Holds(line, rule.marker)) continue;
    if (!match(RulePattern(rule), line, groups)) continue;
    if (rule.groups.file != 0 && HoldsLocationEnd(groups.Group(rule.groups.file))) continue;
    Record(rule, groups, diagnostic);
    return true;
  }
  return false;
}

OpeningTest::OpeningTest(Recognition recognition) : recognition_(recognition) {
  verdict_.fill(kNoVerdict);
  for (unsigned c = 0; c < 256; ++c) {
    const char byte = static_cast<char>(c);
    first_[c] = Feasible({&byte, 1});
  }
  // Message and line numbers vary from line to line; where no pattern tells
  // one digit from another, an opening is kept with its digits as zeros.
  for (const MessageRule& rule : Rules()) {
    for (const PatternBlock& block : RulePattern(rule).blocks) {
      for (unsigned char digit = '1'; digit <= '9'; ++digit) {
        if (block.chars.Has(digit) != block.chars.Has('0')) digitsAlike_ = false;
      }
    }
  }
}

bool OpeningTest::Feasible(std::string_view text) const {
  for (const MessageRule& rule : Rules()) {
    if (UsedBy(rule, recognition_) && CanStartMatch(RulePattern(rule), text)) return true;
  }
  return false;
}

bool OpeningTest::MayBeDiagnostic(std::string_view prefix) {
  // Most lines of a log open the same few ways (ctc -c, [ 12%], make[),
  // and leave every pattern within their first eight bytes: the verdict on
  // an eight-byte opening is kept, so that such a line costs a look-up.
  constexpr std::size_t kOpening = 8;
  if (prefix.empty()) return true;
  if (!first_[static_cast<unsigned char>(prefix.front())]) return false;
  if (prefix.size() < kOpening) return Feasible(prefix);
  std::uint64_t opening = 0;
  std::memcpy(&opening, prefix.data(), kOpening);
  if (digitsAlike_) {
    // Each byte at once: a digit d has d ^ '0' below 10 and its top bit clear.
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    const std::uint64_t offset = opening ^ (kOnes * '0');
    const std::uint64_t atLeastTen = ((offset | (kOnes * 0x80)) - kOnes * 10) & (kOnes * 0x80);
    const std::uint64_t digits = ~atLeastTen & ~offset & (kOnes * 0x80);
    opening ^= offset & ((digits >> 7) * 0xFF);  // a digit becomes '0'
  }
  const auto slot = static_cast<std::size_t>((opening * 0x9E3779B97F4A7C15ULL) >> 54);
  if (verdict_[slot] == kNoVerdict || opening_[slot] != opening) {
    char bytes[kOpening];
    std::memcpy(bytes, &opening, kOpening);
    opening_[slot] = opening;
    verdict_[slot] = Feasible({bytes, kOpening}) ? 1 : 0;
  }
  // A line that is still alive after its opening is decided by the rest of
  // the prefix; one that is not cannot come alive again.
  if (verdict_[slot] == 0) return false;
  return prefix.size() == kOpening || Feasible(prefix);
}

bool TakesExcerpt(const Diagnostic& diagnostic) {
  return diagnostic.rule != nullptr && diagnostic.rule->groups.file != 0 &&
         diagnostic.rule->groups.excerpt == 0 && diagnostic.program->showsExcerpt;
}

std::size_t ExcerptTextStart(std::string_view line, bool whole) {
  std::size_t at = 0;
  while (at < line.size() && IsSpace(line[at])) ++at;
  const std::size_t digits = at;
  while (at < line.size() && IsDigit(line[at])) ++at;
  if (at == line.size()) return whole ? kNoExcerpt : kUndecided;
  if (at == digits || !IsSpace(line[at])) return kNoExcerpt;
  while (at < line.size() && IsSpace(line[at])) ++at;
  return at;
}
