#include "rules/cptc_rule.h"

const MessagePattern& CptcPattern() {
  static const MessagePattern pattern = [] {
    std::vector<PatternBlock> blocks = Literal("cptc");
    blocks.insert(blocks.end(),
                  {
                      SpaceRun(),
                      LetterChoice("(E|F|W)"),  // group 1: severity
                      CapturedNumber(),         // group 2: message number
                      OnePunct(), SpaceRun(), EscapedLiteral('[', "\\["), EscapedLiteral('"', "\""),
                      AnyText(),  // group 3: file name
                      EscapedLiteral('"', "\""), SpaceRun(),
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

Diagnostic CptcDiagnostic(const MatchResult& match) {
  Diagnostic diagnostic;
  diagnostic.rule = Rule::kCptc;
  diagnostic.tool = "cptc";
  diagnostic.whole = match.Group(0);
  diagnostic.severity = match.Group(1);
  diagnostic.number = match.Group(2);
  diagnostic.file = match.Group(3);
  diagnostic.line = match.Group(4);
  diagnostic.text = match.Group(5);
  diagnostic.excerpt = match.Group(7);
  // Only the three "(.*)" groups can be empty after a match.
  if (diagnostic.file.empty() || diagnostic.text.empty() || diagnostic.excerpt.empty()) {
    diagnostic.placeholder = kEmptyCptcMessage;
  }
  return diagnostic;
}
