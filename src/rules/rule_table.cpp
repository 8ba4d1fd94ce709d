#include "rules/rule_table.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <vector>

namespace {

// The classic rules, as the output window has always read them.
constexpr std::string_view kCtc =
    R"re(ctc[[:space:]]+(E|F|W)([0-9]+)[[:punct:]]{1}[[:space:]]+\["(.*)"[[:space:]]+([0-9]+)\/([0-9]+)\](.*))re";
constexpr std::string_view kLtc = "ltc[[:space:]]+(E|F)[0-9]+[[:punct:]]{1}[[:space:]]+(.*)";
constexpr std::string_view kCptc =
    R"re(cptc[[:space:]]+(E|F|W)([0-9]+)[[:punct:]]{1}[[:space:]]+\["(.*)"[[:space:]]+([0-9]+)\](.*)[[:space:]]+([0-9]+)[[:space:]]+(.*))re";
constexpr std::string_view kLicense =
    "ctc[[:space:]]+(F)([0-9]+)[[:punct:]]{1}[[:space:]]+(.*)[[:punct:]]{1}[[:space:]]+(.*)";

// The diagnostic layout that every program of the toolchain writes: its
// name, white space, a severity letter with the message number and one
// punctuation character, white space, an optional location and the text.
// The location is the first one: the file name is the shortest that a
// location can follow (lazy), and the sound recognition refuses a name that
// holds '" <digits>]' or '" <digits>/', so that a location quoted later in
// the text stays text.
constexpr std::string_view kLocatedWithColumn =
    R"re([a-z][a-z0-9]*[[:space:]]+(I|W|E|F)([0-9]+)[[:punct:]]{1}[[:space:]]+\["(.*?)"[[:space:]]+([0-9]+)\/([0-9]+)\](.*))re";
constexpr std::string_view kLocated =
    R"re([a-z][a-z0-9]*[[:space:]]+(I|W|E|F)([0-9]+)[[:punct:]]{1}[[:space:]]+\["(.*?)"[[:space:]]+([0-9]+)\](.*))re";
constexpr std::string_view kUnlocated =
    "[a-z][a-z0-9]*[[:space:]]+(I|W|E|F)([0-9]+)[[:punct:]]{1}[[:space:]]+(.*)";

constexpr std::string_view kLicenseMarker = "No valid license found";

constexpr Program kPrograms[] = {
    {"ctc", "C compiler", false},
    {"cptc", "C++ compiler", true},
    {"ltc", "linker", false},
};
constexpr Program kOtherProgram = {"", "program", false};
static_assert(std::count_if(std::begin(kPrograms), std::end(kPrograms),
                            [](const Program& program) { return program.showsExcerpt; }) <= 1,
              "the reader knows one program with source excerpts (ExcerptProgram)");

// In the order each recognition tries them: classic ctc, ltc, cptc, licence;
// sound: a location with a column before one without, the licence notice,
// then no location at all.
constexpr MessageRule kRules[] = {
    {"ctc",
     "ctc",
     "ctc",
     kCtc,
     {1, 3, 4, 5, 6, 0},
     kEmptyFile | kEmptyText,
     MsvcForm::kFileLineColumn,
     kClassicOnly},
    {"ltc",
     "ltc",
     "ltc",
     kLtc,
     {1, 0, 0, 0, 2, 0},
     kNoPlaceholder,
     MsvcForm::kLineItself,
     kClassicOnly},
    {"cptc",
     "cptc",
     "cptc",
     kCptc,
     {1, 3, 4, 0, 5, 7},
     kEmptyFile | kEmptyText | kEmptyExcerpt,
     MsvcForm::kFileLineExcerpt,
     kClassicOnly},
    {"located-column",
     "",
     "",
     kLocatedWithColumn,
     {1, 3, 4, 5, 6, 0},
     kEmptyFile | kEmptyText,
     MsvcForm::kNone,
     kSoundOnly},
    {"located-line",
     "",
     "",
     kLocated,
     {1, 3, 4, 0, 5, 0},
     kEmptyFile | kEmptyText,
     MsvcForm::kNone,
     kSoundOnly},
    {"licence",
     "ctc",
     kLicenseMarker,
     kLicense,
     {1, 0, 0, 0, 4, 0},
     kEmptyText,
     MsvcForm::kLicense,
     kBoth},
    {"unlocated",
     "",
     "",
     kUnlocated,
     {1, 0, 0, 0, 3, 0},
     kNoPlaceholder,
     MsvcForm::kNone,
     kSoundOnly},
};

// The fields a rule's output-window form writes, and the name of each.
struct Need {
  std::uint8_t RuleGroups::*field;
  const char* name;
};
constexpr Need kFile{&RuleGroups::file, "file"};
constexpr Need kLine{&RuleGroups::line, "line"};
constexpr Need kColumn{&RuleGroups::column, "column"};
constexpr Need kText{&RuleGroups::text, "text"};
constexpr Need kExcerpt{&RuleGroups::excerpt, "excerpt"};

std::vector<Need> NeedsOf(const MessageRule& rule) {
  std::vector<Need> needs;
  switch (rule.msvc) {
    case MsvcForm::kFileLineColumn:
      needs = {kFile, kLine, kColumn, kText};
      break;
    case MsvcForm::kFileLineExcerpt:
      needs = {kFile, kLine, kText, kExcerpt};
      break;
    case MsvcForm::kLicense:
      needs = {kText};
      break;
    case MsvcForm::kLineItself:
    case MsvcForm::kNone:
      break;
  }
  if (rule.placeholderWhen & kEmptyFile) needs.push_back(kFile);
  if (rule.placeholderWhen & kEmptyText) needs.push_back(kText);
  if (rule.placeholderWhen & kEmptyExcerpt) needs.push_back(kExcerpt);
  // A location names its line.
  if (rule.groups.file != 0) needs.push_back(kLine);
  return needs;
}

std::string GroupProblem(const MessageRule& rule, std::size_t groupCount) {
  const RuleGroups& g = rule.groups;
  // The message number is read right after the severity letter.
  if (g.severity == 0) return "no group records the severity";
  for (const std::uint8_t number : {g.severity, g.file, g.line, g.column, g.text, g.excerpt}) {
    if (number > groupCount) {
      return "group " + std::to_string(number) + " is not in its pattern, which has " +
             std::to_string(groupCount);
    }
  }
  if (rule.msvc == MsvcForm::kNone && UsedBy(rule, Recognition::kClassic)) {
    return "the classic recognition uses it, but it has no output-window form";
  }
  for (const Need& need : NeedsOf(rule)) {
    if (g.*need.field == 0) return std::string("no group records the ") + need.name + " it writes";
  }
  return {};
}

bool Parse(const MessageRule& rule, MessagePattern& pattern, std::string& problem) {
  PatternError error;
  if (ParsePattern(rule.pattern, pattern, error)) return true;
  problem =
      "byte " + std::to_string(error.position) + " of its pattern: " + std::string(error.what);
  return false;
}

std::vector<MessagePattern> CompileTable() {
  std::vector<MessagePattern> patterns(std::size(kRules));
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    std::string problem = RuleProblem(kRules[i]);
    if (problem.empty()) Parse(kRules[i], patterns[i], problem);
    if (!problem.empty()) {
      std::fprintf(stderr, "Quonvel error: %s\n", problem.c_str());
      std::exit(-4);
    }
  }
  return patterns;
}

}  // namespace

std::string RuleProblem(const MessageRule& rule) {
  MessagePattern pattern;
  std::string problem;
  if (Parse(rule, pattern, problem)) problem = GroupProblem(rule, pattern.groupCount);
  if (problem.empty()) return problem;
  return "rule \"" + std::string(rule.name) + "\": " + problem;
}

const MessagePattern& RulePattern(const MessageRule& rule) {
  static const std::vector<MessagePattern> patterns = CompileTable();
  return patterns[static_cast<std::size_t>(&rule - kRules)];
}

std::span<const MessageRule> Rules() { return kRules; }

std::span<const Program> Programs() { return kPrograms; }

const Program& ProgramNamed(std::string_view name) {
  for (const Program& program : kPrograms) {
    if (program.name == name) return program;
  }
  return kOtherProgram;
}

const Program& ExcerptProgram() {
  for (const Program& program : kPrograms) {
    if (program.showsExcerpt) return program;
  }
  return kOtherProgram;
}
