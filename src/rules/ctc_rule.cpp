#include "rules/ctc_rule.h"

#include "rules/message_text.h"

const MessagePattern& CtcPattern() {
  static const MessagePattern pattern = [] {
    std::vector<PatternBlock> blocks = Literal("ctc");
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
                                    EscapedLiteral('/', "\\/"),
                                    CapturedNumber(),  // group 5: column
                                    EscapedLiteral(']', "\\]"),
                                    AnyText(),  // group 6: message text
                                });
    return CompilePattern(std::move(blocks));
  }();
  return pattern;
}

void FormatCtcMessage(const MatchResult& match, std::string& output) {
  const std::string_view file = match.Group(3);
  const std::string_view line = match.Group(4);
  const std::string_view column = match.Group(5);
  const std::string_view severity = match.Group(1);
  const std::string_view text = match.Group(6);
  if (text.empty() || file.empty() || severity.empty() || line.empty() || column.empty()) {
    output.assign(kEmptyCtcMessage);
    return;
  }
  output.assign(file);
  output.append("(").append(line).append(",").append(column).append(") :");
  output.append(SeverityWord(severity)).append(": ").append(text);
}

std::string FormatCtcMessage(const MatchResult& match) {
  std::string output;
  FormatCtcMessage(match, output);
  return output;
}
