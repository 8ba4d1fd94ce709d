#include "app/run.h"

#include <string>

#include "rules/recognize.h"

ReadingRules ReadingRulesFor(Recognition recognition) {
  ReadingRules rules;
  if (recognition == Recognition::kClassic) {
    rules.joinMarker = ExcerptProgram().name;
    rules.openingBytes = OpeningBytes(recognition).data();
    rules.mayMatter = [](std::string_view prefix) {
      return MayBeDiagnostic(prefix, Recognition::kClassic);
    };
    return rules;
  }
  rules.soundReading = true;
  rules.openingBytes = OpeningBytes(recognition).data();
  rules.mayMatter = [](std::string_view prefix) {
    return MayBeDiagnostic(prefix, Recognition::kSound);
  };
  rules.excerptLead = ExcerptProgram().name;
  rules.excerptTextStart = ExcerptTextStart;
  return rules;
}

RunOutcome ConvertLog(LineReader& reader, const LayoutEntry& entry, Layout& layout,
                      std::string_view log, const TextWriter& write, bool inputOpened) {
  RunOutcome outcome;
  std::string text;
  const auto put = [&] {
    if (text.empty() || write(text)) return true;
    outcome.readerGone = true;
    return false;
  };
  layout.Begin(text);
  if (!put()) return outcome;
  ReadLine line;
  Diagnostic diagnostic;
  while (reader.Next(line)) {
    if (!RecognizeLine(line.text, entry.recognition, diagnostic)) continue;
    std::string_view excerpt;
    if (entry.recognition == Recognition::kSound && TakesExcerpt(diagnostic) &&
        reader.TakeExcerpt(excerpt)) {
      diagnostic.excerpt = excerpt;
    }
    layout.Write(diagnostic, {log, line.number}, text);
    if (!put()) return outcome;
    ++(IsError(diagnostic)         ? outcome.errors
       : IsInformation(diagnostic) ? outcome.notes
                                   : outcome.warnings);
  }
  outcome.inputComplete = inputOpened && !reader.ReadFailed();
  layout.End({outcome.inputComplete, inputOpened}, text);
  put();
  return outcome;
}
