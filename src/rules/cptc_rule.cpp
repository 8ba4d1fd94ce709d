#include "rules/cptc_rule.h"

#include "rules/message_text.h"

const MessagePattern& CptcPattern() {
  static const MessagePattern pattern = [] {
    std::vector<PatternBlock> blocks = Literal("cptc");
    blocks.insert(blocks.end(), {
                                    SpaceRun(),
                                    LetterChoice("(E|F|W)"),  // group 1: severity
                                    CapturedNumber(),         // group 2: message number
                                    OnePunct(),
                                    SpaceRun(),
                                    EscapedLiteral('[', "\\["),
                                    EscapedLiteral('"', "\""),
                                    AnyText(),  // group 3: file name
                                    EscapedLiteral('"', "\""),
                                    SpaceRun(),
                                    CapturedNumber(),  // group 4: line
                                    EscapedLiteral(']', "\\]"),
                                    AnyText(),  // group 5: message text
                                    SpaceRun(),
                                    CapturedNumber(),  // group 6: number opening the second line
                                    SpaceRun(),
                                    AnyText(),  // group 7: continuation text
                                });
    return CompilePattern(std::move(blocks));
  }();
  return pattern;
}

void FormatCptcMessage(const MatchResult& match, std::string& output) {
  const std::string_view file = match.Group(3);
  const std::string_view line = match.Group(4);
  const std::string_view severity = match.Group(1);
  const std::string_view text = match.Group(5);
  const std::string_view continuation = match.Group(7);
  if (file.empty() || line.empty() || severity.empty() || text.empty() || continuation.empty()) {
    output.assign(kEmptyCptcMessage);
    return;
  }
  output.assign(file);
  output.append("(").append(line).append(") : ").append(SeverityWord(severity)).append(": ");
  output.append(text).append("\n").append(continuation);
}

std::string FormatCptcMessage(const MatchResult& match) {
  std::string output;
  FormatCptcMessage(match, output);
  return output;
}
