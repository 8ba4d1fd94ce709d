#include "rules/ltc_licence_rules.h"

const MessagePattern& LtcPattern() {
  static const MessagePattern pattern = [] {
    std::vector<PatternBlock> blocks = Literal("ltc");
    blocks.insert(blocks.end(), {
                                    SpaceRun(),
                                    LetterChoice("(E|F)"),  // group 1: error or fatal error
                                    Number(), OnePunct(), SpaceRun(),
                                    AnyText(),  // group 2: message text
                                });
    return CompilePattern(std::move(blocks));
  }();
  return pattern;
}

const MessagePattern& LicensePattern() {
  static const MessagePattern pattern = [] {
    std::vector<PatternBlock> blocks = Literal("ctc");
    blocks.insert(blocks.end(), {
                                    SpaceRun(),
                                    LetterChoice("(F)"),  // group 1
                                    CapturedNumber(),     // group 2
                                    OnePunct(), SpaceRun(),
                                    AnyText(),  // group 3: leading text
                                    OnePunct(), SpaceRun(),
                                    AnyText(),  // group 4: text after the last separator
                                });
    return CompilePattern(std::move(blocks));
  }();
  return pattern;
}

Diagnostic LtcDiagnostic(const MatchResult& match) {
  Diagnostic diagnostic;
  diagnostic.rule = Rule::kLtc;
  diagnostic.tool = "ltc";
  diagnostic.whole = match.Group(0);
  diagnostic.severity = match.Group(1);
  const std::string_view whole = diagnostic.whole;
  const std::size_t digits =
      static_cast<std::size_t>(diagnostic.severity.data() - whole.data()) + 1;
  std::size_t end = digits;
  while (end < whole.size() && whole[end] >= '0' && whole[end] <= '9') ++end;
  diagnostic.number = whole.substr(digits, end - digits);
  diagnostic.text = match.Group(2);
  return diagnostic;
}

Diagnostic LicenseDiagnostic(const MatchResult& match) {
  Diagnostic diagnostic;
  diagnostic.rule = Rule::kLicense;
  diagnostic.tool = "ctc";
  diagnostic.whole = match.Group(0);
  diagnostic.severity = match.Group(1);
  diagnostic.number = match.Group(2);
  diagnostic.text = match.Group(4);
  // Group 4 is the only needed "(.*)" group; "(F)" never is empty.
  if (diagnostic.text.empty()) diagnostic.placeholder = kEmptyCtcMessage;
  return diagnostic;
}
