#include "rules/ltc_licence_rules.h"

#include "rules/message_text.h"

const MessagePattern& LtcPattern() {
  static const MessagePattern pattern = [] {
    std::vector<PatternBlock> blocks = Literal("ltc");
    blocks.insert(blocks.end(), {
                                    SpaceRun(),
                                    LetterChoice("(E|F)"),  // group 1: error or fatal error
                                    Number(),
                                    OnePunct(),
                                    SpaceRun(),
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
                                    OnePunct(),
                                    SpaceRun(),
                                    AnyText(),  // group 3: leading text
                                    OnePunct(),
                                    SpaceRun(),
                                    AnyText(),  // group 4: text after the last separator
                                });
    return CompilePattern(std::move(blocks));
  }();
  return pattern;
}

void FormatLicenseMessage(const MatchResult& match, std::string& output) {
  const std::string_view kind = match.Group(1);
  const std::string_view text = match.Group(4);
  if (text.empty() || kind.empty()) {
    output.assign(kEmptyCtcMessage);
    return;
  }
  output.assign(SeverityWord(kind));
  output.append(": ").append(text).append("! ");
}

std::string FormatLicenseMessage(const MatchResult& match) {
  std::string output;
  FormatLicenseMessage(match, output);
  return output;
}
