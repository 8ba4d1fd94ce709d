// The whole way from file bytes to printed text: the log reader's text-mode
// rules and "cptc" join, then the dispatch of every line with the one output
// line that the run shares between lines. Every logical line is compared with
// a plain re-reading of the bytes, and the dispatch of every short line with
// the std::regex reference; a difference aborts, and libFuzzer keeps the input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "log/log_reader.h"
#include "regex_oracle.h"
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
    const bool licence = output.starts_with("Error: ") && output.ends_with("! ");
    return licence || ((has(") :Error: ") || has(") :Warning: ")) && !has("\n"));
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

  LineQueue queue;
  BuildLineQueue(std::string(bytes), queue);
  std::string output;
  std::string oracleOutput;
  std::size_t count = 0;
  LogLine line;
  while (PopLine(queue, line)) {
    if (count >= expected.size() || line != expected[count]) {
      Fail("log reader differs from a plain re-reading", line);
    }
    ++count;
    const bool printed = DispatchLine(line, output) && !output.empty();
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
  if (count != expected.size()) Fail("log reader lost lines", bytes);
  return 0;
}
