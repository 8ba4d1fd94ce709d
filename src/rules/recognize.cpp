#include "rules/recognize.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <span>

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

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

// The bytes that can open a line that some rule of the recognition matches.
std::array<bool, 256> FirstBytes(Recognition recognition) {
  std::array<bool, 256> first{};
  for (unsigned c = 0; c < 256; ++c) {
    const char byte = static_cast<char>(c);
    for (const MessageRule& rule : Rules()) {
      if (UsedBy(rule, recognition) && CanStartMatch(rule.compiled(), {&byte, 1})) {
        first[c] = true;
      }
    }
  }
  return first;
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
      if (!match(rule.compiled(), line, groups)) return false;
      Record(rule, groups, diagnostic);
      return true;
    }
    return false;
  }
  for (const MessageRule& rule : rules) {
    if (!UsedBy(rule, recognition) || !Holds(line, rule.marker)) continue;
    if (!match(rule.compiled(), line, groups)) continue;
    Record(rule, groups, diagnostic);
    return true;
  }
  return false;
}

namespace {

// What the quick test of a line's opening keeps, per recognition.
struct Openings {
  static constexpr std::uint8_t kNoVerdict = 2;
  explicit Openings(Recognition of) : recognition(of), first(FirstBytes(of)) {
    alive.fill(kNoVerdict);
    // Message and line numbers vary from line to line; where no pattern
    // tells one digit from another, an opening is kept with its digits as
    // zeros.
    for (const MessageRule& rule : Rules()) {
      for (const PatternBlock& block : rule.compiled().blocks) {
        for (unsigned char digit = '1'; digit <= '9'; ++digit) {
          if (block.chars.Has(digit) != block.chars.Has('0')) digitsAlike = false;
        }
      }
    }
  }

  bool Feasible(std::string_view text) const {
    for (const MessageRule& rule : Rules()) {
      if (UsedBy(rule, recognition) && CanStartMatch(rule.compiled(), text)) return true;
    }
    return false;
  }

  Recognition recognition;
  std::array<bool, 256> first;
  bool digitsAlike = true;
  std::array<std::uint64_t, 1024> opening{};
  std::array<std::uint8_t, 1024> alive{};
};

Openings& OpeningsOf(Recognition recognition) {
  static Openings openings[] = {Openings(Recognition::kClassic), Openings(Recognition::kSound)};
  return openings[recognition == Recognition::kClassic ? 0 : 1];
}

}  // namespace

const std::array<bool, 256>& OpeningBytes(Recognition recognition) {
  return OpeningsOf(recognition).first;
}

bool MayBeDiagnostic(std::string_view prefix, Recognition recognition) {
  // Most lines of a log open the same few ways (ctc -c, [ 12%], make[),
  // and leave every pattern within their first eight bytes: the verdict on
  // an eight-byte opening is kept, so that such a line costs a look-up.
  constexpr std::size_t kOpening = 8;
  Openings& openings = OpeningsOf(recognition);
  if (prefix.empty()) return true;
  if (!openings.first[static_cast<unsigned char>(prefix.front())]) return false;
  if (prefix.size() < kOpening) return openings.Feasible(prefix);
  std::uint64_t opening = 0;
  std::memcpy(&opening, prefix.data(), kOpening);
  if (openings.digitsAlike) {
    // Each byte at once: a digit d has d ^ '0' below 10 and its top bit clear.
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    const std::uint64_t offset = opening ^ (kOnes * '0');
    const std::uint64_t atLeastTen = ((offset | (kOnes * 0x80)) - kOnes * 10) & (kOnes * 0x80);
    const std::uint64_t digits = ~atLeastTen & ~offset & (kOnes * 0x80);
    opening ^= offset & ((digits >> 7) * 0xFF);  // a digit becomes '0'
  }
  const auto slot = static_cast<std::size_t>((opening * 0x9E3779B97F4A7C15ULL) >> 54);
  if (openings.alive[slot] == Openings::kNoVerdict || openings.opening[slot] != opening) {
    char bytes[kOpening];
    std::memcpy(bytes, &opening, kOpening);
    openings.opening[slot] = opening;
    openings.alive[slot] = openings.Feasible({bytes, kOpening}) ? 1 : 0;
  }
  // A line that is still alive after its opening is decided by the rest of
  // the prefix; one that is not cannot come alive again.
  if (openings.alive[slot] == 0) return false;
  return prefix.size() == kOpening || openings.Feasible(prefix);
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
