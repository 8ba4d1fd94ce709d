// Lines on which the fuzz targets once found a fault, each checked against
// std::regex by both ways of the matcher. Some faults show only under Clang's
// UndefinedBehaviorSanitizer: the same lines are in the fuzz seed corpus, which
// the fuzz leg replays under it on every run.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "regex_oracle.h"
#include "rules/rule_table.h"

namespace {

struct Regression {
  const char* what;
  std::string_view rule;
  std::string line;
};

void ExpectSameAsStdRegex(const MessagePattern& pattern, std::string_view line, bool linear) {
  MatchResult ours;
  MatchResult reference;
  const bool matched = linear ? LinearMatch(pattern, line, ours) : FullMatch(pattern, line, ours);
  ASSERT_EQ(matched, OracleMatch(pattern, line, reference));
  ASSERT_EQ(ours.size, reference.size);
  for (std::size_t g = 0; g < ours.size; ++g) EXPECT_EQ(ours.Group(g), reference.Group(g)) << g;
}

TEST(FuzzRegressions, MatchLikeStdRegex) {
  const Regression cases[] = {
      // The file name gives back to its closing quote eight bytes at a time;
      // with none left within its first eight bytes the scan index wrapped
      // below zero and the next word was read before the line.
      {"quote search wrapped below the file name", "ctc", "ctc\tE3; [\"a.c\t0550\"\xCA"},
  };
  for (const Regression& c : cases) {
    SCOPED_TRACE(c.what);
    for (const MessageRule& rule : Rules()) {
      if (rule.name != c.rule) continue;
      ExpectSameAsStdRegex(RulePattern(rule), c.line, false);
      ExpectSameAsStdRegex(RulePattern(rule), c.line, true);
    }
  }
}

}  // namespace
