#include "app/run.h"

#include <memory>
#include <string>
#include <utility>

#include "rules/recognize.h"

ReadingRules ReadingRulesFor(Recognition recognition, bool everyLine) {
  ReadingRules rules;
  rules.everyLine = everyLine;
  // The test of a line's opening keeps what it learns for this run alone.
  auto openings = std::make_shared<OpeningTest>(recognition);
  rules.openingBytes = openings->FirstBytes().data();
  rules.mayMatter.test = [](void* state, std::string_view prefix) {
    return static_cast<OpeningTest*>(state)->MayBeDiagnostic(prefix);
  };
  rules.mayMatter.state = std::move(openings);
  if (recognition == Recognition::kClassic) {
    rules.joinMarker = ExcerptProgram().name;
    return rules;
  }
  rules.soundReading = true;
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
  bool echoed = true;  // the line before was echoed, or there was none
  while (reader.Next(line)) {
    if (!RecognizeLine(line.text, entry.recognition, diagnostic)) {
      // The end of a line that was converted is not echoed with the next.
      const std::string_view raw = echoed ? line.raw : line.raw.substr(line.rawLead);
      echoed = true;
      if (echo && writing && !echo(raw) && !refused()) return outcome;
      continue;
    }
    // The end of an echoed line that this one's bytes begin with goes out
    // before the diagnostic.
    if (echo && echoed && writing && line.rawLead > 0 && !echo(line.raw.substr(0, line.rawLead)) &&
        !refused()) {
      return outcome;
    }
    echoed = false;
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
