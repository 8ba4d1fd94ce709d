// The baseline of bench/run: Quonvel's reading (parts of the log, line views) and
// writing (one write per output line), with every match done by std::regex
// on the rules' pattern texts and every line converted in turn on one thread,
// as a literal implementation would do it.
//
// Usage: quonvel_baseline <log>   (output on standard output)
#include <cstdio>
#include <string>

#include "app/console.h"
#include "log/log_reader.h"
#include "regex_oracle.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: quonvel_baseline <log>\n", stderr);
    return 2;
  }
  PrepareStandardOutput();
  InputFile input = OpenInputFile(argv[1]);
  LogReader reader(input);
  LogPart part;
  std::string output;
  LogLine line;
  LineMarkers markers;
  while (reader.NextPart(part)) {
    LineQueue queue = part.Lines();
    while (queue.Pop(line, markers)) {
      if (OracleDispatchLine(line, output) && !output.empty()) WriteLine(output);
    }
    reader.Recycle(part);
  }
  return 0;
}
