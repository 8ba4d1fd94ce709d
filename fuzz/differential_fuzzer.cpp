// Our matcher against std::regex (ECMAScript, the same pattern texts) on one
// line: they must agree on whether the whole line matches and on the place
// and text of every group, for every rule of the table; and a line that
// matches is never given up early by the test that lets the reader pass over
// lines. Both ways of our matcher are checked: FullMatch (budgeted
// backtracking first) and the linear passes alone, which FullMatch only
// reaches on lines that exhaust the budget.
//
// Input layout, so that the fuzzer reaches deep pattern states quickly:
//   byte 0, bits 0-3: the rule of the table (modulo their number)
//   byte 0, bit 4:    put the rule's program name in front of the line
//   bytes 1..:        the line
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "regex_oracle.h"
#include "rules/rule_table.h"

namespace {

// std::regex recurses once per byte; longer lines would test its stack, not
// our matcher.
constexpr std::size_t kMaxLine = 2048;

// Where a group starts in `line`, or -1 if it did not take part.
long Offset(std::string_view group, std::string_view line) {
  return group.data() == nullptr ? -1 : static_cast<long>(group.data() - line.data());
}

[[noreturn]] void Disagree(const MessageRule& rule, const char* way, std::string_view line,
                           const char* what, std::size_t group) {
  std::fprintf(stderr, "%.*s pattern, %s: %s (group %zu), line of %zu bytes: \"%.*s\"\n",
               static_cast<int>(rule.name.size()), rule.name.data(), way, what, group, line.size(),
               static_cast<int>(line.size()), line.data());
  std::abort();
}

void Compare(const MessageRule& rule, const char* way, std::string_view line, bool matched,
             const MatchResult& ours, bool referenceMatched, const MatchResult& reference) {
  if (matched != referenceMatched) {
    Disagree(rule, way, line, matched ? "only ours matches" : "only std::regex matches", 0);
  }
  if (!matched) {
    if (ours.size != 0) Disagree(rule, way, line, "groups left after no match", ours.size);
    return;
  }
  if (ours.size != reference.size) Disagree(rule, way, line, "group counts differ", ours.size);
  for (std::size_t g = 0; g < ours.size; ++g) {
    const std::string_view a = ours.Group(g);
    const std::string_view b = reference.Group(g);
    if (a != b ||
        (a.data() != nullptr && b.data() != nullptr && Offset(a, line) != Offset(b, line))) {
      Disagree(rule, way, line, "groups differ", g);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > kMaxLine + 1) return -1;  // -1: not worth keeping
  const MessageRule& rule = Rules()[(data[0] & 15) % Rules().size()];
  std::string line;
  if (data[0] & 16) line = rule.program.empty() ? "xtc" : rule.program;
  line.append(reinterpret_cast<const char*>(data + 1), size - 1);

  const MessagePattern& pattern = RulePattern(rule);
  MatchResult reference;
  const bool referenceMatched = OracleMatch(pattern, line, reference);
  MatchResult full;
  const bool fullMatched = FullMatch(pattern, line, full);
  Compare(rule, "FullMatch", line, fullMatched, full, referenceMatched, reference);
  MatchResult linear;
  const bool linearMatched = LinearMatch(pattern, line, linear);
  Compare(rule, "LinearMatch", line, linearMatched, linear, referenceMatched, reference);
  if (referenceMatched) {
    for (std::size_t length = 0; length <= line.size(); ++length) {
      if (!CanStartMatch(pattern, std::string_view(line).substr(0, length))) {
        Disagree(rule, "CanStartMatch", line, "a matching line given up early", length);
      }
    }
  }
  return 0;
}
