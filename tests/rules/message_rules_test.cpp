// The classic message rules of the table: which lines match and the exact
// output-window text.
#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>

#include "layouts/msvc.h"
#include "rules/recognize.h"
#include "rules/rule_table.h"

namespace {

using namespace std::string_literals;

struct Case {
  std::string line;
  std::optional<std::string> output;  // nullopt: no match
};

const MessageRule& RuleNamed(std::string_view name) {
  for (const MessageRule& rule : Rules()) {
    if (rule.name == name) return rule;
  }
  throw std::logic_error("no rule named " + std::string(name));
}

// The output-window text of one rule for `line`, or nullopt when its pattern
// does not match the whole line.
std::optional<std::string> Apply(std::string_view rule, const std::string& line) {
  MatchResult match;
  if (!FullMatch(RulePattern(RuleNamed(rule)), line, match)) return std::nullopt;
  Diagnostic diagnostic;
  Record(RuleNamed(rule), match, diagnostic);
  std::string output = "previous output";
  FormatMsvcLine(diagnostic, output);
  return output;
}

std::optional<std::string> Ctc(const std::string& line) { return Apply("ctc", line); }
std::optional<std::string> Cptc(const std::string& line) { return Apply("cptc", line); }
std::optional<std::string> Ltc(const std::string& line) { return Apply("ltc", line); }
std::optional<std::string> License(const std::string& line) { return Apply("licence", line); }

void CheckAll(std::optional<std::string> (*rule)(const std::string&),
              const std::vector<Case>& cases) {
  for (const Case& c : cases) EXPECT_EQ(rule(c.line), c.output) << "line: " << c.line;
}

// The classic patterns keep the texts the output window has always matched,
// and every rule compiles to its own text, which std::regex reads too.
TEST(MessagePatterns, TextsAreTheTableRows) {
  EXPECT_EQ(
      RulePattern(RuleNamed("ctc")).text,
      R"re(ctc[[:space:]]+(E|F|W)([0-9]+)[[:punct:]]{1}[[:space:]]+\["(.*)"[[:space:]]+([0-9]+)\/([0-9]+)\](.*))re");
  EXPECT_EQ(
      RulePattern(RuleNamed("cptc")).text,
      R"re(cptc[[:space:]]+(E|F|W)([0-9]+)[[:punct:]]{1}[[:space:]]+\["(.*)"[[:space:]]+([0-9]+)\](.*)[[:space:]]+([0-9]+)[[:space:]]+(.*))re");
  EXPECT_EQ(RulePattern(RuleNamed("ltc")).text,
            "ltc[[:space:]]+(E|F)[0-9]+[[:punct:]]{1}[[:space:]]+(.*)");
  EXPECT_EQ(
      RulePattern(RuleNamed("licence")).text,
      "ctc[[:space:]]+(F)([0-9]+)[[:punct:]]{1}[[:space:]]+(.*)[[:punct:]]{1}[[:space:]]+(.*)");
  for (const MessageRule& rule : Rules()) {
    EXPECT_EQ(RuleProblem(rule), "");
    EXPECT_EQ(RulePattern(rule).text, rule.pattern) << rule.name;
  }
}

// A row that cannot work is refused with the rule's name and what is wrong:
// a construct the matcher would read otherwise than std::regex, a limit of
// the compiled form, a field its form needs and no group records.
TEST(MessagePatterns, ARowThatCannotWorkIsNamed) {
  const std::string seven = "(E|W)([0-9]+)([0-9]+)([0-9]+)([0-9]+)([0-9]+)([0-9]+)";
  const std::string many(kMaxBlocks + 1, 'x');
  const struct {
    std::string pattern;
    RuleGroups groups;
    MsvcForm msvc;
    const char* problem;
  } cases[] = {
      {R"(ctc (E|W)([^:]*))",
       {1, 0, 0, 0, 2, 0},
       MsvcForm::kNone,
       "byte 9 of its pattern: a group that is none of the building blocks"},
      {"ctc (E|W)([0-9]+)?",
       {1, 0, 0, 0, 2, 0},
       MsvcForm::kNone,
       "byte 17 of its pattern: a construct the matcher does not implement"},
      {"ctc (E|W).x",
       {1, 0, 0, 0, 0, 0},
       MsvcForm::kNone,
       "byte 9 of its pattern: a construct the matcher does not implement"},
      {R"(ctc (E|W)\d)",
       {1, 0, 0, 0, 0, 0},
       MsvcForm::kNone,
       "byte 9 of its pattern: an escape of anything but a punctuation character"},
      {seven + "(.*)",
       {1, 0, 0, 0, 8, 0},
       MsvcForm::kNone,
       "byte 53 of its pattern: more capture groups than the matcher holds"},
      {many, {}, MsvcForm::kNone, "byte 32 of its pattern: more blocks than the matcher holds"},
      {R"re(ctc (E|W)([0-9]+): \["(.*)" ([0-9]+)\](.*))re",
       {1, 3, 4, 0, 5, 0},
       MsvcForm::kFileLineColumn,
       "no group records the column it writes"},
      {"ctc (E|W)([0-9]+): (.*)",
       {1, 0, 0, 0, 4, 0},
       MsvcForm::kNone,
       "group 4 is not in its pattern, which has 3"},
      {"ctc E([0-9]+): (.*)", {0, 0, 0, 0, 2, 0}, MsvcForm::kNone, "no group records the severity"},
      {"ctc (E|W)([0-9]+): (.*)",
       {1, 0, 0, 0, 3, 0},
       MsvcForm::kNone,
       "the classic recognition uses it, but it has no output-window form"},
  };
  for (const auto& c : cases) {
    const MessageRule rule{
        "scratch",
        "ctc",
        "ctc",
        c.pattern,
        c.groups,
        kNoPlaceholder,
        c.msvc,
        c.msvc == MsvcForm::kNone && std::string_view(c.problem).starts_with("the") ? kBoth
                                                                                    : kSoundOnly};
    EXPECT_EQ(RuleProblem(rule), std::string("rule \"scratch\": ") + c.problem) << c.pattern;
  }
}

TEST(CtcRule, RewritesOrRejects) {
  CheckAll(Ctc,
           {
               {R"(ctc W505: ["src/can_drv.c" 118/23] conversion of constant to narrower type)",
                "src/can_drv.c(118,23) :Warning:  conversion of constant to narrower type"},
               {R"(ctc E505: ["src/can_drv.c" 118/23] x)", "src/can_drv.c(118,23) :Error:  x"},
               {R"(ctc F001: ["lib/x.c" 1/1] cannot open file)",
                "lib/x.c(1,1) :Error:  cannot open file"},
               {R"(ctc E12: ["" 3/4] no file)", "empty ctc msg"},
               {R"(ctc E12: ["a.c" 3/4])", "empty ctc msg"},
               {R"(ctc E12: ["a.c" 3/4] )", "a.c(3,4) :Error:  "},
               {"ctc\tE007; [\"a.c\"\t0012/003]x", "a.c(0012,003) :Error: x"},
               {R"(ctc E12: ["a.c" 3/4] see ["b.c" 5/6] there)",
                R"(a.c" 3/4] see ["b.c(5,6) :Error:  there)"},
               {R"(ctc W1: ["app\main.c" 2/3] x)", R"(app\main.c(2,3) :Warning:  x)"},
               {"ctc\r E1:\v\f[\"a.c\"\r\n3/4] x",
                "a.c(3,4) :Error:  x"},  // CR and LF inside white-space runs
               {R"( ctc E12: ["a.c" 3/4] x)", std::nullopt},
               {R"(path/ctc E12: ["a.c" 3/4] x)", std::nullopt},
               {R"(ctc e12: ["a.c" 3/4] x)", std::nullopt},
               {R"(ctc X12: ["a.c" 3/4] x)", std::nullopt},
               {R"(ctc E12:: ["a.c" 3/4] x)", std::nullopt},
               {R"(ctc E12 ["a.c" 3/4] x)", std::nullopt},
               {R"(ctcE12: ["a.c" 3/4] x)", std::nullopt},
               {R"(ctc E12:["a.c" 3/4] x)", std::nullopt},
               {R"(ctc E: ["a.c" 3/4] x)", std::nullopt},
               {"ctc E12: [\"a\rc\" 3/4] x", std::nullopt},
               {"ctc E12: [\"a.c\" 3/4] x\r", std::nullopt},
               {"ctc -c -o obj/can_drv.o src/can_drv.c", std::nullopt},
               {"ctc E12: [\"a.c\" 3/4] x\x80\xff"s + std::string(1, '\0') + "y",
                "a.c(3,4) :Error:  x\x80\xff"s + std::string(1, '\0') + "y"},
           });
}

TEST(CptcRule, RewritesOrRejects) {
  CheckAll(
      Cptc,
      {
          {R"(cptc E1234: ["src/app/motor.cpp" 57] identifier "speedLimit" is undefined 57 return speedLimit;)",
           "src/app/motor.cpp(57) : Error:  identifier \"speedLimit\" is undefined\nreturn "
           "speedLimit;"},
          {R"(cptc W0177: ["lib/can_bus.cpp" 212] variable "retries" was declared but never referenced     212   int retries = 0;)",
           "lib/can_bus.cpp(212) : Warning:  variable \"retries\" was declared but never "
           "referenced    \nint retries = 0;"},
          {R"(cptc W0177. ["a.cpp" 3] x 3 more)", "a.cpp(3) : Warning:  x\nmore"},
          {R"(cptc F1: ["a.cpp" 3] x 3 more)", "a.cpp(3) : Error:  x\nmore"},
          {R"(cptc W1: ["a.cpp" 3] expected 2 arguments )",
           "a.cpp(3) : Warning:  expected\narguments "},
          {R"(cptc F0005: ["a.cpp" 3] text 3 x = y + 2 ;)", "a.cpp(3) : Error:  text 3 x = y +\n;"},
          {R"(cptc W1: ["a b.cpp" 3] see ["c.cpp" 4] x 5 more)",
           "a b.cpp\" 3] see [\"c.cpp(4) : Warning:  x\nmore"},
          {"cptc E1: [\"a.cpp\" 3]\tx 3 more", "a.cpp(3) : Error: \tx\nmore"},
          {R"(cptc E1: ["a.cpp" 3]text 3 more)", "a.cpp(3) : Error: text\nmore"},
          {R"(cptc E1: ["a.cpp" 057] x 3 more)", "a.cpp(057) : Error:  x\nmore"},
          {R"(cptc E1: ["" 3] x 3 more)", "empty cptc msg"},
          {R"(cptc E1: ["a.cpp" 3] 3 more)", "empty cptc msg"},
          {R"(cptc E1: ["a.cpp" 3] x 3  )", "empty cptc msg"},
          {R"(cptc E1: ["a.cpp" 3] x 3)", std::nullopt},
          {R"(cptc W1: ["a.cpp" 3] no number here )", std::nullopt},
          {R"( cptc E1: ["a.cpp" 3] x 3 more)", std::nullopt},
          {R"(cptc w1: ["a.cpp" 3] x 3 more)", std::nullopt},
          {R"(cptc W: ["a.cpp" 3] x 3 more)", std::nullopt},
          {R"(cptcW1: ["a.cpp" 3] x 3 more)", std::nullopt},
          {R"(cptc W0177:: ["a.cpp" 3] x 3 more)", std::nullopt},
          {R"(cptc W0177 ["a.cpp" 3] x 3 more)", std::nullopt},
          {R"(cptc W1: [ "a.cpp" 3] x 3 more)", std::nullopt},
          {R"(cptc W1: ["a.cpp"3] x 3 more)", std::nullopt},
          {R"(cptc W1: ["a.cpp" 3 ] x 3 more)", std::nullopt},
          {"cptc W1: [\"a.cpp\" 3] x 3 more\r", std::nullopt},
          {"cptc W1: [\"a.cpp\" 3] x\r 3 more",
           "a.cpp(3) : Warning:  x\nmore"},  // CR in a white-space run
      });
}

TEST(LtcRule, PassesErrorsThrough) {
  CheckAll(Ltc, {
                    {"ltc E106: unresolved external: foo", "ltc E106: unresolved external: foo"},
                    {"ltc F2: ", "ltc F2: "},
                    {"ltc  \tF2:\ttext", "ltc  \tF2:\ttext"},
                    {"ltc W106: unresolved external", std::nullopt},
                    {"ltc E: text", std::nullopt},
                    {"ltc E1:text", std::nullopt},
                    {"ltc E1 : text", std::nullopt},
                    {"ltc E12:: text", std::nullopt},
                    {" ltc E1: text", std::nullopt},
                    {"ltc E1: text\r", std::nullopt},
                });
}

TEST(LicenseRule, KeepsTheTextAfterTheLastSeparator) {
  CheckAll(License,
           {
               {"ctc F104: setup: No valid license found", "Error: No valid license found! "},
               {"ctc F104: a: b: No valid license found", "Error: No valid license found! "},
               {"ctc F104: No valid license found: code 7", "Error: code 7! "},
               {"ctc F104: No valid license found. ", "empty ctc msg"},
               {"ctc F104: No valid license found", std::nullopt},
               {"ctc E104: x: No valid license found", std::nullopt},
           });
}

// The budget-free linear passes agree with the full matcher on `line`.
void ExpectLinearAgrees(const MessagePattern& pattern, const std::string& line) {
  MatchResult full;
  MatchResult linear;
  ASSERT_EQ(LinearMatch(pattern, line, linear), FullMatch(pattern, line, full));
  ASSERT_EQ(linear.size, full.size);
  for (std::size_t g = 0; g < full.size; ++g) EXPECT_EQ(linear.Group(g), full.Group(g)) << g;
}

// Lines far beyond what a backtracking engine survives.
TEST(MessageRules, MatchTenMegabyteLines) {
  const std::string big(10u << 20, 'm');
  const std::string ctc = "ctc W1: [\"" + big + "\" 3/4] x";
  const std::string cptc = "cptc E1: [\"a.cpp\" 3] " + big + " 7 tail";
  EXPECT_EQ(Ctc(ctc), big + "(3,4) :Warning:  x");
  EXPECT_EQ(Cptc(cptc), "a.cpp(3) : Error:  " + big + "\ntail");
  ExpectLinearAgrees(RulePattern(RuleNamed("ctc")), ctc);
  ExpectLinearAgrees(RulePattern(RuleNamed("cptc")), cptc);
  // Crafted to fail late: many places that look like the end of a file name.
  std::string crafted = "ctc W1: [\"";
  while (crafted.size() < (10u << 20)) crafted += "\" 1/2]";
  crafted += '\r';
  EXPECT_EQ(Ctc(crafted), std::nullopt);
  std::string license = "ctc F1: ";
  while (license.size() < (10u << 20)) license += "a: ";
  EXPECT_EQ(License(license + "No valid license found"), "Error: No valid license found! ");
}

}  // namespace
