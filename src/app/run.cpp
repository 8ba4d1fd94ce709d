#include "app/run.h"

#include <string>

#include "rules/recognize.h"

ReadingRules ReadingRulesFor(Recognition recognition, bool everyLine) {
  ReadingRules rules;
  rules.everyLine = everyLine;
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

bool UnreadFromItsStart(const InputFile& input, const RunOutcome& outcome) {
  return !outcome.readerGone && !outcome.inputComplete && !input.delivered;
}

CountsOn CountAfterReaderGone(const LineOutput& output, bool counting) {
  if (!counting) return nullptr;
  return [&output] { return output.ReaderGone(); };
}

RunOutcome ConvertLog(LineReader& reader, const LayoutEntry& entry, Layout& layout,
                      std::string_view log, const TextWriter& write, bool inputOpened,
                      const CountsOn& countsOn, const TextWriter& echo) {
  RunOutcome outcome;
  std::string text;
  // Once nobody takes text, the rest of the log is only counted, if at all.
  bool writing = true;
  const auto refused = [&] {
    outcome.readerGone = true;
    writing = false;
    return countsOn && countsOn();
  };
  const auto put = [&] { return !writing || text.empty() || write(text) || refused(); };
  layout.Begin(text);
  if (!put()) return outcome;
  ReadLine line;
  Diagnostic diagnostic;
  while (reader.Next(line)) {
    if (!RecognizeLine(line.text, entry.recognition, diagnostic)) {
      if (echo && writing && !echo(line.raw) && !refused()) return outcome;
      continue;
    }
    std::string_view excerpt;
    if (entry.recognition == Recognition::kSound && TakesExcerpt(diagnostic) &&
        reader.TakeExcerpt(excerpt)) {
      diagnostic.excerpt = excerpt;
    }
    if (writing) layout.Write(diagnostic, {log, line.number}, text);
    if (!put()) return outcome;
    ++(IsError(diagnostic)         ? outcome.errors
       : IsInformation(diagnostic) ? outcome.notes
                                   : outcome.warnings);
  }
  outcome.inputComplete = inputOpened && !reader.ReadFailed();
  if (!writing) return outcome;
  layout.End({outcome.inputComplete, inputOpened}, text);
  put();
  return outcome;
}
