// The baseline of bench/run: the program as its rules read literally. The
// whole log goes into a queue of lines first (each line holding the C++
// compiler's name joined with the next), then each line is tried with every
// rule whose marker it holds, matched by std::regex on the rules' own
// pattern texts, and each output line is written and flushed on its own.
//
// Usage: quonvel_baseline <log>   (output on standard output)
#include <cstdio>
#include <deque>
#include <fstream>
#include <string>

#include "layouts/msvc.h"
#include "regex_oracle.h"
#include "rules/rule_table.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: quonvel_baseline <log>\n", stderr);
    return 2;
  }
  std::ifstream input(argv[1], std::ios::binary);
  std::deque<std::string> queue;
  const std::string joinMarker(ExcerptProgram().name);
  const auto readLine = [&input](std::string& line) {
    const bool got = static_cast<bool>(std::getline(input, line));
    if (got && !input.eof() && !line.empty() && line.back() == '\r') line.pop_back();
    return got;
  };
  for (std::string line, next; readLine(line);) {
    if (line.find(joinMarker) != std::string::npos) {
      if (!readLine(next)) next.clear();
      line += ' ' + next;
    }
    queue.push_back(std::move(line));
  }
  std::string output;
  for (const std::string& line : queue) {
    Diagnostic diagnostic;
    if (!OracleRecognizeLine(line, Recognition::kClassic, diagnostic)) continue;
    FormatMsvcLine(diagnostic, output);
    std::fwrite(output.data(), 1, output.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
  return 0;
}
