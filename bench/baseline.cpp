// The baseline of bench/run: Quonvel's reading (bulk read, line views) and
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
  LineQueue queue;
  if (!ReadLogFile(input, queue)) return 0;
  std::string output;
  LogLine line;
  while (PopLine(queue, line)) {
    if (OracleDispatchLine(line, output) && !output.empty()) WriteLine(output);
  }
  return 0;
}
