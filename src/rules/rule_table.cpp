#include "rules/rule_table.h"

#include <iterator>

namespace {

// Each pattern is compiled once, on the first call of its accessor: a rule
// that is never tried is never built.
template <const std::string_view& kText>
const MessagePattern& Compiled() {
  static const MessagePattern pattern = ParsePattern(kText);
  return pattern;
}

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
constexpr std::string_view kLocatedWithColumn =
    R"re([a-z][a-z0-9]*[[:space:]]+(I|W|E|F)([0-9]+)[[:punct:]]{1}[[:space:]]+\["(.*)"[[:space:]]+([0-9]+)\/([0-9]+)\](.*))re";
constexpr std::string_view kLocated =
    R"re([a-z][a-z0-9]*[[:space:]]+(I|W|E|F)([0-9]+)[[:punct:]]{1}[[:space:]]+\["(.*)"[[:space:]]+([0-9]+)\](.*))re";
constexpr std::string_view kUnlocated =
    "[a-z][a-z0-9]*[[:space:]]+(I|W|E|F)([0-9]+)[[:punct:]]{1}[[:space:]]+(.*)";

constexpr std::string_view kLicenseMarker = "No valid license found";

constexpr Program kPrograms[] = {
    {"ctc", "C compiler", false},
    {"cptc", "C++ compiler", true},
    {"ltc", "linker", false},
};
constexpr Program kOtherProgram = {"", "program", false};

// In the order each recognition tries them: classic ctc, ltc, cptc, licence;
// sound: a location with a column before one without (the file name runs to
// the last place a location can follow it), the licence notice, then no
// location at all.
constexpr MessageRule kRules[] = {
    {"ctc",
     "ctc",
     "ctc",
     kCtc,
     Compiled<kCtc>,
     {1, 3, 4, 5, 6, 0},
     kEmptyFile | kEmptyText,
     MsvcForm::kFileLineColumn,
     kClassicOnly},
    {"ltc",
     "ltc",
     "ltc",
     kLtc,
     Compiled<kLtc>,
     {1, 0, 0, 0, 2, 0},
     kNoPlaceholder,
     MsvcForm::kLineItself,
     kClassicOnly},
    {"cptc",
     "cptc",
     "cptc",
     kCptc,
     Compiled<kCptc>,
     {1, 3, 4, 0, 5, 7},
     kEmptyFile | kEmptyText | kEmptyExcerpt,
     MsvcForm::kFileLineExcerpt,
     kClassicOnly},
    {"located-column",
     "",
     "",
     kLocatedWithColumn,
     Compiled<kLocatedWithColumn>,
     {1, 3, 4, 5, 6, 0},
     kEmptyFile | kEmptyText,
     MsvcForm::kNone,
     kSoundOnly},
    {"located-line",
     "",
     "",
     kLocated,
     Compiled<kLocated>,
     {1, 3, 4, 0, 5, 0},
     kEmptyFile | kEmptyText,
     MsvcForm::kNone,
     kSoundOnly},
    {"licence",
     "ctc",
     kLicenseMarker,
     kLicense,
     Compiled<kLicense>,
     {1, 0, 0, 0, 4, 0},
     kEmptyText,
     MsvcForm::kLicense,
     kBoth},
    {"unlocated",
     "",
     "",
     kUnlocated,
     Compiled<kUnlocated>,
     {1, 0, 0, 0, 3, 0},
     kNoPlaceholder,
     MsvcForm::kNone,
     kSoundOnly},
};

}  // namespace

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

const MessagePattern& CtcPattern() { return Compiled<kCtc>(); }
const MessagePattern& LtcPattern() { return Compiled<kLtc>(); }
const MessagePattern& CptcPattern() { return Compiled<kCptc>(); }
const MessagePattern& LicensePattern() { return Compiled<kLicense>(); }
