// The whole way from file bytes to printed text, in both readings: the log
// reader's parts, its text-mode rules and its join, then the dispatch of
// every line with the one output line that the run shares between lines.
// Every logical line, its markers and (sound reading) its line number are
// compared with a plain re-reading of the bytes; then the marked lines,
// dispatched in turn with the markers from the reader, are compared with the
// std::regex dispatch of every line; last, the run's conversion in parts
// must print the same text. The classic reading goes to the output window's
// layout, the sound one to an opt-in layout chosen by the input's size. A
// difference aborts, and libFuzzer keeps the input. A log with a UTF-16
// byte order mark is only read and converted soundly, for the sanitizers.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "app/convert.h"
#include "log/log_reader.h"
#include "regex_oracle.h"
#include "render/gcc.h"
#include "render/msbuild.h"
#include "render/msvc.h"
#include "render/sarif.h"
#include "rules/dispatch.h"

namespace {

// std::regex recurses once per byte and backtracks in more than linear time,
// so it only sees lines up to this length; longer ones get the shape check.
constexpr std::size_t kOracleLineLimit = 1024;

// Reads physical lines the slow, obvious way, one byte at a time.
struct PhysicalReader {
  std::string_view bytes;
  std::size_t position = 0;
  bool atEnd = false;

  std::string Next() {
    std::string line;
    while (position < bytes.size()) {
      const char c = bytes[position++];
      if (c == '\n') {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
      }
      line.push_back(c);
    }
    atEnd = true;
    return line;
  }
};

bool TakesNext(const std::string& line, Recognition recognition) {
  static const std::regex kCptcStart(R"(^cptc[[:space:]]+(E|F|W)[0-9]+[[:punct:]][[:space:]]+\[")");
  return recognition == Recognition::kClassic ? line.find("cptc") != std::string::npos
                                              : std::regex_search(line, kCptcStart);
}

struct ReferenceLine {
  std::string text;
  std::uint64_t number;  // of its first physical line
};

// The logical lines as the reading rules describe them, pass by pass.
std::vector<ReferenceLine> ReferenceLines(std::string_view bytes, Recognition recognition) {
  if (recognition == Recognition::kSound && bytes.starts_with("\xEF\xBB\xBF")) {
    bytes.remove_prefix(3);
  }
  PhysicalReader reader{bytes.substr(0, bytes.find('\x1A'))};
  std::vector<ReferenceLine> lines;
  std::uint64_t number = 1;
  do {
    const std::uint64_t first = number++;
    std::string line = reader.Next();
    if (TakesNext(line, recognition)) {
      line += ' ' + reader.Next();
      ++number;
    }
    lines.push_back({std::move(line), first});
  } while (!reader.atEnd);
  return lines;
}

// The opt-in layouts, each the dispatch with a whole-line match of the
// caller's choice.
template <typename Matcher>
bool DispatchOptIn(int layout, LogLine line, const LineMarkers& markers, const LineOrigin& origin,
                   std::string& output, Matcher&& match) {
  return DispatchLineWith(line, markers, Recognition::kSound, output, match,
                          [&](const Diagnostic& diagnostic, std::string& text) {
                            if (layout == 0) FormatMsbuildLine(diagnostic, origin, text);
                            if (layout == 1) FormatGccLine(diagnostic, origin, text);
                            if (layout == 2) FormatSarifResult(diagnostic, origin, text);
                          });
}

constexpr LineConverter kOptInConverters[] = {ConvertLineMsbuild, ConvertLineGcc, ConvertLineSarif};

bool SameMarkers(std::string_view line, const LineMarkers& markers) {
  const LineMarkers expected = SubstringMarkers(line);
  return markers.ctc == expected.ctc && markers.ltc == expected.ltc &&
         markers.cptc == expected.cptc && markers.license == expected.license;
}

// What a printed output line can look like, given the line it came from: a
// placeholder, the linker line itself, or one of the three rewritten layouts.
// Every rewritten layout is built from pieces of the line plus a few fixed
// characters, so it is never much longer than the line.
bool HasOutputShape(std::string_view line, std::string_view output) {
  if (output == "empty ctc msg" || output == "empty cptc msg") return true;
  if (output.size() > line.size() + 16) return false;
  const auto has = [output](std::string_view part) {
    return output.find(part) != std::string_view::npos;
  };
  if (line.starts_with("ltc")) return output == line;
  if (line.starts_with("cptc")) {
    return (has(") : Error: ") || has(") : Warning: ")) && has("\n") &&
           output.find('\n') == output.rfind('\n');
  }
  if (line.starts_with("ctc")) {
    const bool license = output.starts_with("Error: ") && output.ends_with("! ");
    return license || ((has(") :Error: ") || has(") :Warning: ")) && !has("\n"));
  }
  return false;
}

[[noreturn]] void Fail(const char* what, std::string_view line) {
  std::fprintf(stderr, "%s; line of %zu bytes: \"%.*s\"\n", what, line.size(),
               static_cast<int>(line.size() < 200 ? line.size() : 200), line.data());
  std::abort();
}

void CheckReading(std::string_view bytes, Recognition recognition) {
  const std::size_t size = bytes.size();
  const bool sound = recognition == Recognition::kSound;
  const int layout = static_cast<int>(size % 3);
  const LineConverter convert = sound ? kOptInConverters[layout] : ConvertLineMsvc;
  const std::vector<ReferenceLine> expected = ReferenceLines(bytes, recognition);

  // Every logical line, with the markers the reader found in it, read in
  // blocks of a few bytes so that block edges fall everywhere.
  const std::size_t blockSize = 1 + size % 97;
  LogReader reader(bytes, recognition, blockSize);
  LogPart part;
  std::size_t count = 0;
  LogLine line;
  LineMarkers markers;
  while (reader.NextPart(part)) {
    LineQueue queue = part.Lines();
    while (queue.Pop(line, markers)) {
      if (count >= expected.size() || line != expected[count].text) {
        Fail("log reader differs from a plain re-reading", line);
      }
      if (sound && queue.LineNumber() != expected[count].number) {
        Fail("log reader numbered a line wrongly", line);
      }
      if (!SameMarkers(line, markers)) Fail("log reader found the wrong markers", line);
      ++count;
    }
  }
  if (count != expected.size()) Fail("log reader lost lines", bytes);

  // The run sequence's loop: only lines with a marker, dispatched with the
  // markers the reader found. The reference dispatches every line; one
  // without markers returns false and leaves its output line alone.
  LogReader whole(bytes, recognition, size + 1);
  const LineOrigin origin{"build.log", 0};
  std::string output;
  std::string oracleOutput;
  std::string printedText;
  std::size_t next = 0;  // the next reference line
  const auto skipUnmarked = [&] {
    while (next < expected.size() && !SubstringMarkers(expected[next].text).Any()) ++next;
  };
  while (whole.NextPart(part)) {
    LineQueue queue = part.Lines();
    while (queue.PopMarked(line, markers)) {
      skipUnmarked();
      if (next >= expected.size() || line != expected[next].text) {
        Fail("the run's loop took another line than the next marked one", line);
      }
      ++next;
      if (!SameMarkers(line, markers)) Fail("log reader found the wrong markers", line);
      LineOrigin at = origin;
      at.line = expected[next - 1].number;
      const bool printed = (sound ? DispatchOptIn(layout, line, markers, at, output, FullMatch)
                                  : DispatchLine(line, markers, output)) &&
                           !output.empty();
      if (printed) printedText += output + '\n';
      if (printed && !sound && !HasOutputShape(line, output)) {
        Fail("printed text of no known shape", line);
      }
      if (line.size() <= kOracleLineLimit) {
        const bool oraclePrinted = (sound ? DispatchOptIn(layout, line, SubstringMarkers(line), at,
                                                          oracleOutput, OracleMatch)
                                          : OracleDispatchLine(line, oracleOutput)) &&
                                   !oracleOutput.empty();
        if (printed != oraclePrinted || output != oracleOutput) {
          Fail("dispatch differs from the std::regex reference", line);
        }
      } else {
        oracleOutput = output;
      }
    }
  }
  skipUnmarked();
  if (next != expected.size()) {
    Fail("the run's loop passed over a marked line", expected[next].text);
  }

  // The same log converted in small parts, some runs on two threads, prints
  // the same text.
  ConvertSettings settings;
  settings.sharedPartLogBytes = 64;
  settings.secondThread = size % 2 == 0;
  settings.log = origin.log;
  LogReader inParts(bytes, recognition, blockSize);
  std::string partsText;
  ConvertLog(
      inParts, convert,
      [&](std::string_view printed) {
        (partsText += printed) += '\n';
        return true;
      },
      settings);
  if (partsText != printedText) Fail("converting in parts printed other lines", bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (!bytes.starts_with("\xFF\xFE") && !bytes.starts_with("\xFE\xFF")) {
    CheckReading(bytes, Recognition::kClassic);
    CheckReading(bytes, Recognition::kSound);
    return 0;
  }
  // UTF-16: what the reader makes of it is checked by the unit tests; here
  // it must only be read and converted without fault, in parts too.
  CheckReading(bytes, Recognition::kClassic);
  for (const LineConverter convert : kOptInConverters) {
    ConvertSettings settings;
    settings.sharedPartLogBytes = 64;
    LogReader reader(bytes, Recognition::kSound, 1 + size % 97);
    ConvertLog(
        reader, convert, [](std::string_view) { return true; }, settings);
  }
  return 0;
}
