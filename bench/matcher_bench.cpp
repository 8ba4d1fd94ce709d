// Each rule's full match on three lines, by our matcher and by std::regex on
// the rule's own pattern text: a typical diagnostic of about 100 bytes, a tool
// invocation that holds the rule's marker but is no diagnostic (the common
// case in a build log), and a 1 MB diagnostic. std::regex is left out on the
// 1 MB lines: its recursive backtracking overflows the stack there. The 1 MB
// lines are also matched by the linear passes alone, the way FullMatch goes
// for a line that exhausts its backtracking budget.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "regex_oracle.h"
#include "rules/cptc_rule.h"
#include "rules/ctc_rule.h"
#include "rules/ltc_licence_rules.h"
#include "rules/matcher.h"

namespace {

using Accessor = const MessagePattern& (*)();
using Matcher = bool (*)(const MessagePattern&, std::string_view, MatchResult&);

// Text for a long message: words, punctuation and template brackets, but no
// free-standing number, no quote and no "ctc"/"ltc", so that the groups stay
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

constexpr std::size_t kLong = std::size_t{1} << 20;

const std::string kCtcLine =
    R"(ctc W505: ["src/drivers/can_drv.c" 118/23] conversion of integer constant to narrower type)";
const std::string kCptcLine =
    R"(cptc E1234: ["src/app/motor.cpp" 57] identifier "speedLimit" is undefined 57 return speedLimit;)";
const std::string kLtcLine =
    "ltc E106: unresolved external: can_init (referenced in build/obj/can_drv.o, section .text)";
const std::string kLicenseLine =
    "ctc F104: setup: licence server lic01.example.com not reachable: No valid license found";

// Invocations as a build log shows them. A "cptc" invocation reaches the rule
// joined with the line after it.
const std::string kCtcCall =
    "ctc -c --core=tc1.6.2 -O2 -Isrc/include -o build/obj/can_drv.o src/drivers/can_drv.c";
const std::string kCptcCall =
    "cptc --core=tc1.6.2 -O2 -Isrc/include -o build/obj/motor.o src/app/motor.cpp [ 42%] Linking";
const std::string kLtcCall =
    "ltc -o build/fw.elf -Mbuild/fw.map --core=tc1.6.2 build/obj/can_drv.o build/obj/motor.o -lc";

std::string LongCtc() { return R"(ctc E200: ["src/drivers/can_drv.c" 118/23] )" + Filler(kLong); }
std::string LongCptc() {
  return R"(cptc E1234: ["src/app/motor.cpp" 57] )" + Filler(kLong) + " 57 return speedLimit;";
}
std::string LongLtc() { return "ltc E106: unresolved external: " + Filler(kLong); }
std::string LongLicence() { return "ctc F104: " + Filler(kLong) + ": No valid license found"; }

void Match(benchmark::State& state, Accessor accessor, Matcher matcher, const std::string& line,
           bool expected) {
  const MessagePattern& pattern = accessor();
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

#define QUONVEL_RULE_BENCH(Rule, line, call, longLine)                                         \
  BENCHMARK_CAPTURE(Match, Rule##_Match_Quonvel, Rule##Pattern, FullMatch, line, true);        \
  BENCHMARK_CAPTURE(Match, Rule##_Match_StdRegex, Rule##Pattern, OracleMatch, line, true);     \
  BENCHMARK_CAPTURE(Match, Rule##_Reject_Quonvel, Rule##Pattern, FullMatch, call, false);      \
  BENCHMARK_CAPTURE(Match, Rule##_Reject_StdRegex, Rule##Pattern, OracleMatch, call, false);   \
  BENCHMARK_CAPTURE(Match, Rule##_Match1MB_Quonvel, Rule##Pattern, FullMatch, longLine, true); \
  BENCHMARK_CAPTURE(Match, Rule##_Linear1MB_Quonvel, Rule##Pattern, LinearMatch, longLine, true)

QUONVEL_RULE_BENCH(Ctc, kCtcLine, kCtcCall, LongCtc());
QUONVEL_RULE_BENCH(Cptc, kCptcLine, kCptcCall, LongCptc());
QUONVEL_RULE_BENCH(Ltc, kLtcLine, kLtcCall, LongLtc());
// The licence notice is a C compiler line, so a C compiler call is what its
// rule sees in practice (when the line also holds the notice's text).
QUONVEL_RULE_BENCH(License, kLicenseLine, kCtcCall, LongLicence());

BENCHMARK_MAIN();
