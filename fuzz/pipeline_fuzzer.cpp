// The whole way from file bytes to printed text: the log reader's parts, its
// text-mode rules and "cptc" join, then the dispatch of every line with the one output
// line that the run shares between lines. Every logical line and its markers
// are compared with a plain re-reading of the bytes; then the marked lines,
// dispatched in turn with the markers from the reader, are compared with the
// std::regex dispatch of every line; last, the run's conversion in parts
// must print the same text. A difference aborts, and libFuzzer keeps the
// input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/convert.h"
#include "log/log_reader.h"
#include "regex_oracle.h"
#include "render/msvc.h"

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

// The logical lines as the reading rules describe them, pass by pass.
std::vector<std::string> ReferenceLines(std::string_view bytes) {
  PhysicalReader reader{bytes.substr(0, bytes.find('\x1A'))};
  std::vector<std::string> lines;
  do {
    std::string line = reader.Next();
    if (line.find("cptc") != std::string::npos) line += ' ' + reader.Next();
    lines.push_back(std::move(line));
  } while (!reader.atEnd);
  return lines;
}

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> expected = ReferenceLines(bytes);

  // Every logical line, with the markers the reader found in it, read in
  // blocks of a few bytes so that block edges fall everywhere.
  const std::size_t blockSize = 1 + size % 97;
  LogReader reader(bytes, blockSize);
  LogPart part;
  std::size_t count = 0;
  LogLine line;
  LineMarkers markers;
  while (reader.NextPart(part)) {
    LineQueue queue = part.Lines();
    while (queue.Pop(line, markers)) {
      if (count >= expected.size() || line != expected[count]) {
        Fail("log reader differs from a plain re-reading", line);
      }
      if (!SameMarkers(line, markers)) Fail("log reader found the wrong markers", line);
      ++count;
    }
  }
  if (count != expected.size()) Fail("log reader lost lines", bytes);

  // The run sequence's loop: only lines with a marker, dispatched with the
  // markers the reader found. The reference dispatches every line; one
  // without markers returns false and leaves its output line alone.
  LogReader whole(bytes, size + 1);
  std::string output;
  std::string oracleOutput;
  std::string printedText;
  std::size_t next = 0;  // the next reference line
  const auto skipUnmarked = [&] {
    while (next < expected.size() && !SubstringMarkers(expected[next]).Any()) ++next;
  };
  while (whole.NextPart(part)) {
    LineQueue queue = part.Lines();
    while (queue.PopMarked(line, markers)) {
      skipUnmarked();
      if (next >= expected.size() || line != expected[next]) {
        Fail("the run's loop took another line than the next marked one", line);
      }
      ++next;
      if (!SameMarkers(line, markers)) Fail("log reader found the wrong markers", line);
      const bool printed = DispatchLine(line, markers, output) && !output.empty();
      if (printed) printedText += output + '\n';
      if (printed && !HasOutputShape(line, output)) Fail("printed text of no known shape", line);
      if (line.size() <= kOracleLineLimit) {
        const bool oraclePrinted = OracleDispatchLine(line, oracleOutput) && !oracleOutput.empty();
        if (printed != oraclePrinted || output != oracleOutput) {
          Fail("dispatch differs from the std::regex reference", line);
        }
      } else {
        oracleOutput = output;
      }
    }
  }
  skipUnmarked();
  if (next != expected.size()) Fail("the run's loop passed over a marked line", expected[next]);

  // The same log converted in small parts, some runs on two threads, prints
  // the same text.
  ConvertSettings settings;
  settings.largestSharedPart = 64;
  settings.secondThread = size % 2 == 0;
  LogReader inParts(bytes, blockSize);
  std::string partsText;
  ConvertLog(
      inParts, ConvertLineMsvc, [&](std::string_view printed) { (partsText += printed) += '\n'; },
      settings);
  if (partsText != printedText) Fail("converting in parts printed other lines", bytes);
  return 0;
}
