// Each rule of the table matched in full on three lines, by our matcher and
// by std::regex on the rule's own pattern text: a diagnostic of about 100
// bytes, a tool invocation that opens like one but is none (the common case
// in a build log), and a 1 MB diagnostic. The lines are made from each
// rule's blocks, so that a new rule is measured without a change here.
// std::regex is left out on the 1 MB lines: its recursive backtracking
// overflows the stack there. The 1 MB lines are also matched by the linear
// passes alone, the way FullMatch goes for a line that exhausts its
// backtracking budget.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "regex_oracle.h"
#include "rules/matcher.h"
#include "rules/rule_table.h"

namespace {

using Matcher = bool (*)(const MessagePattern&, std::string_view, MatchResult&);

// Text for a message: words, punctuation and template brackets, but no
// free-standing number, no quote and no tool name, so that the groups stay
// where a short diagnostic has them.
std::string Filler(std::size_t size) {
  constexpr std::string_view kWords =
      "in instantiation of template class Motor<int, Limits<short>> required from here; ";
  std::string text;
  text.reserve(size + kWords.size());
  while (text.size() < size) text.append(kWords);
  text.resize(size);
  return text;
}

// A line the rule matches, block by block: the text of every "(.*)" but the
// file name is `text`.
std::string LineOf(const MessageRule& rule, const std::string& text) {
  std::string line;
  bool inQuotes = false;
  for (const PatternBlock& block : RulePattern(rule).blocks) {
    if (block.text == "\"") inQuotes = !inQuotes;
    if (block.text.starts_with("(.*")) {
      line += inQuotes ? "src/drivers/can_drv.c" : text;
    } else if (block.text == "[[:space:]]+") {
      line += ' ';
    } else if (block.text == "[[:punct:]]{1}") {
      line += ':';
    } else if (block.text == "([0-9]+)" || block.text == "[0-9]+") {
      line += "118";
    } else if (block.text == "[a-z]" || block.text == "[a-z0-9]*") {
      line += 'c';
    } else if (block.text.starts_with('(')) {
      line += block.text[1];  // the first letter of a choice
    } else {
      line += block.text.back();  // a literal, escaped or not
    }
  }
  return line;
}

void Match(benchmark::State& state, const MessageRule& rule, Matcher matcher,
           const std::string& line, bool expected) {
  const MessagePattern& pattern = RulePattern(rule);
  MatchResult match;
  if (matcher(pattern, line, match) != expected) {
    state.SkipWithError("unexpected match result");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(matcher(pattern, line, match));
    benchmark::DoNotOptimize(match);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(line.size()));
}

}  // namespace

int main(int argc, char** argv) {
  for (const MessageRule& rule : Rules()) {
    const std::string name(rule.name);
    const std::string line = LineOf(rule, Filler(60));
    // An invocation of the rule's program: its name, then options.
    const std::string call = line.substr(0, line.find(' ')) +
                             " -c --core=tc1.6.2 -O2 -Isrc/include -o build/obj/can_drv.o "
                             "src/drivers/can_drv.c";
    const std::string longLine = LineOf(rule, Filler(std::size_t{1} << 20));
    const auto add = [&](const char* what, Matcher matcher, const std::string& text,
                         bool expected) {
      benchmark::RegisterBenchmark((name + "_" + what).c_str(), Match, std::ref(rule), matcher,
                                   text, expected);
    };
    add("Match_Quonvel", FullMatch, line, true);
    add("Match_StdRegex", OracleMatch, line, true);
    add("Reject_Quonvel", FullMatch, call, false);
    add("Reject_StdRegex", OracleMatch, call, false);
    add("Match1MB_Quonvel", FullMatch, longLine, true);
    add("Linear1MB_Quonvel", LinearMatch, longLine, true);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
