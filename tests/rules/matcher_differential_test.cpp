// Our matcher against std::regex (ECMAScript) on the pattern texts of every
// rule of the table: same match decision and the same groups, on many
// generated lines; and no line that matches is given up early by the test
// that lets the reader pass over lines.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "regex_oracle.h"
#include "rules/rule_table.h"

namespace {

// Pieces that make a free-text part interesting for the patterns: separators
// they look for, markers, and bytes outside every class.
const std::vector<std::string> kFragments = {"\"",
                                             "\" ",
                                             " 12/3]",
                                             "[\"",
                                             "]",
                                             " 7 ",
                                             "/",
                                             "42",
                                             ": ",
                                             ". ",
                                             "ctc",
                                             "cptc",
                                             "ltc",
                                             "x",
                                             "abc def",
                                             "\t",
                                             "\r",
                                             "\n",
                                             "\v",
                                             "\f",
                                             " ",
                                             "  ",
                                             "\x80",
                                             "\xff\xfe",
                                             "\xc3\xa9",
                                             std::string(1, '\0'),
                                             "No valid license found",
                                             "E",
                                             "F",
                                             "W",
                                             "!",
                                             "\" 3 ]",
                                             "\"3]",
                                             "\" 9] [\"",
                                             "\" 4/5] ",
                                             "] 5 ",
                                             "0",
                                             "\\",
                                             "{",
                                             "~"};

class LineGenerator {
 public:
  explicit LineGenerator(unsigned seed) : random_(seed) {}

  // A line built block by block from the pattern, then possibly mutated.
  std::string Make(const MessagePattern& pattern) {
    std::string line;
    for (const PatternBlock& block : pattern.blocks) AppendPiece(block, line);
    const int mutations = Pick(2) == 0 ? 0 : static_cast<int>(1 + Pick(2));
    for (int i = 0; i < mutations; ++i) Mutate(line);
    if (line.size() > 2000) line.resize(2000);
    return line;
  }

 private:
  std::size_t Pick(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
  }

  char AnyMember(const CharSet& chars) {
    for (;;) {
      const auto c = static_cast<unsigned char>(Pick(256));
      if (chars.Has(c)) return static_cast<char>(c);
    }
  }

  std::string FreeText() {
    std::string text;
    // Now and then a long stretch, so that lines cross the matcher's
    // internal chunk boundaries (every 256 bytes).
    const std::size_t parts = Pick(12) == 0 ? 40 + Pick(120) : Pick(6);
    for (std::size_t i = 0; i < parts; ++i) {
      text += Pick(3) == 0 ? std::string(1, static_cast<char>(Pick(256)))
                           : kFragments[Pick(kFragments.size())];
    }
    return text;
  }

  void AppendPiece(const PatternBlock& block, std::string& line) {
    if (block.repeat == Repeat::kZeroOrMore && block.text.starts_with("(.*")) {
      line += FreeText();
      return;
    }
    std::size_t count =
        block.repeat == Repeat::kOnce ? 1 : Pick(4) + (block.repeat == Repeat::kOneOrMore);
    switch (Pick(48)) {
      case 0:
        count = 0;
        break;  // missing piece
      case 1:
        count += 1;
        break;  // doubled piece
      case 2:
        line += FreeText();
        break;  // something misplaced before it
      default:
        break;
    }
    for (std::size_t i = 0; i < count; ++i) line += AnyMember(block.chars);
  }

  void Mutate(std::string& line) {
    const std::size_t at = line.empty() ? 0 : Pick(line.size() + 1);
    switch (Pick(4)) {
      case 0:
        line.insert(at, kFragments[Pick(kFragments.size())]);
        break;
      case 1:
        if (at < line.size()) line.erase(at, 1 + Pick(3));
        break;
      case 2:
        if (at < line.size()) line[at] = static_cast<char>(Pick(256));
        break;
      default:
        line.insert(at, 1, static_cast<char>(Pick(256)));
        break;
    }
  }

  std::mt19937 random_;
};

std::string Printable(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\x%02x", c);
      out += buffer;
    }
  }
  return out;
}

// Compares one line; returns an empty text when both agree.
std::string Disagreement(const MessagePattern& pattern, std::string_view line) {
  MatchResult ours;
  MatchResult theirs;
  const bool ourMatch = FullMatch(pattern, line, ours);
  const bool theirMatch = OracleMatch(pattern, line, theirs);
  if (ourMatch != theirMatch) {
    return "match " + std::to_string(ourMatch) + " vs std::regex " + std::to_string(theirMatch) +
           " on \"" + Printable(line) + "\"";
  }
  // The linear passes alone must give the same, as on lines that exhaust
  // the backtracking budget.
  MatchResult linear;
  if (LinearMatch(pattern, line, linear) != ourMatch) {
    return "linear passes disagree on the match of \"" + Printable(line) + "\"";
  }
  if (!ourMatch) return {};
  for (std::size_t length = 0; length <= line.size(); length += length < 40 ? 1 : 97) {
    if (!CanStartMatch(pattern, line.substr(0, length))) {
      return "given up after " + std::to_string(length) + " bytes of \"" + Printable(line) + "\"";
    }
  }
  if (ours.size != theirs.size || linear.size != theirs.size) {
    return "group count differs on \"" + Printable(line) + "\"";
  }
  for (std::size_t g = 0; g < ours.size; ++g) {
    if (ours.Group(g) != theirs.Group(g) || linear.Group(g) != theirs.Group(g)) {
      return "group " + std::to_string(g) + " \"" + Printable(ours.Group(g)) + "\" / linear \"" +
             Printable(linear.Group(g)) + "\" vs std::regex \"" + Printable(theirs.Group(g)) +
             "\" on \"" + Printable(line) + "\"";
    }
  }
  return {};
}

constexpr int kLinesPerRule = 25000;

TEST(MatcherDifferential, AgreesWithStdRegexOnGeneratedLines) {
  for (const MessageRule& rule : Rules()) {
    const MessagePattern& pattern = RulePattern(rule);
    LineGenerator generator(20261208u + static_cast<unsigned>(pattern.text.size()));
    int matches = 0;
    int failures = 0;
    for (int i = 0; i < kLinesPerRule && failures < 10; ++i) {
      const std::string line = generator.Make(pattern);
      const std::string problem = Disagreement(pattern, line);
      if (!problem.empty()) {
        ADD_FAILURE() << rule.name << ": " << problem;
        ++failures;
      }
      MatchResult match;
      matches += FullMatch(pattern, line, match) ? 1 : 0;
    }
    // The generator must reach both outcomes, or the comparison proves little.
    EXPECT_GT(matches, kLinesPerRule / 10) << rule.name;
    EXPECT_LT(matches, kLinesPerRule * 9 / 10) << rule.name;
  }
}

TEST(MatcherDifferential, AgreesOnHandPickedLines) {
  const std::vector<std::string> lines = {
      "",
      "ctc",
      "ctc W505: [\"src/can_drv.c\" 118/23] conversion of constant to narrower type",
      "ctc E12: [\"a.c\" 3/4] see [\"b.c\" 5/6] there",
      "ctc\tE007; [\"a.c\"\t0012/003]x",
      "ctc E12: [\"a.c\" 3/4]\r",
      "ctc E12: [\"a\rc\" 3/4] x",
      "ctc\r E12:\r [\"a.c\"\r3/4] x",
      "cptc E1234: [\"src/app/motor.cpp\" 57] identifier \"speedLimit\" is undefined 57 return "
      "speedLimit;",
      "cptc W1: [\"a b.cpp\" 3] see [\"c.cpp\" 4] x 5 more",
      "cptc W1: [\"a.cpp\" 3] expected 2 arguments ",
      "cptc F0005: [\"a.cpp\" 3] text 3 x = y + 2 ;",
      "cptc E1: [\"a.cpp\" 3]text 3 more",
      "cptc E1: [\"a.cpp\" 3] 3 more",
      "cptc E1: [\"a.cpp\" 3] x 3",
      "ltc E106: unresolved external: foo",
      "ltc F2: ",
      "ltc  \tF2:\ttext",
      "ctc F104: a: b: No valid license found",
      "ctc F104: No valid license found: code 7",
      "ctc F104: No valid license found. ",
      "ctc F104: No valid license found",
  };
  for (const MessageRule& rule : Rules()) {
    for (const std::string& line : lines) {
      EXPECT_EQ(Disagreement(RulePattern(rule), line), "") << rule.name;
    }
  }
}

}  // namespace
