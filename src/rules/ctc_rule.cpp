#include "rules/ctc_rule.h"

const MessagePattern& CtcPattern() {
  static const MessagePattern pattern = [] {
    std::vector<PatternBlock> blocks = Literal("ctc");
    blocks.insert(blocks.end(),
                  {
                      SpaceRun(),
                      LetterChoice("(E|F|W)"),  // group 1: severity
                      CapturedNumber(),         // group 2: message number
                      OnePunct(), SpaceRun(), EscapedLiteral('[', "\\["), EscapedLiteral('"', "\""),
                      AnyText(),  // group 3: file name
                      EscapedLiteral('"', "\""), SpaceRun(),
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

Diagnostic CtcDiagnostic(const MatchResult& match) {
  Diagnostic diagnostic;
  diagnostic.rule = Rule::kCtc;
  diagnostic.tool = "ctc";
  diagnostic.whole = match.Group(0);
  diagnostic.severity = match.Group(1);
  diagnostic.number = match.Group(2);
  diagnostic.file = match.Group(3);
  diagnostic.line = match.Group(4);
  diagnostic.column = match.Group(5);
  diagnostic.text = match.Group(6);
  // Only the two "(.*)" groups can be empty after a match.
  if (diagnostic.file.empty() || diagnostic.text.empty()) diagnostic.placeholder = kEmptyCtcMessage;
  return diagnostic;
}
