// Quonvel's conversion with the second thread turned off, so that bench/run
// can show what the work costs on one core beside what two cores make of it.
//
// Usage: quonvel_one_thread <log>   (output on standard output)
#include <cstdio>

#include "app/console.h"
#include "app/convert.h"
#include "log/log_reader.h"
#include "render/msvc.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: quonvel_one_thread <log>\n", stderr);
    return 2;
  }
  PrepareStandardOutput();
  InputFile input = OpenInputFile(argv[1]);
  LogReader reader(input);
  ConvertSettings settings;
  settings.secondThread = false;
  ConvertLog(reader, ConvertLineMsvc, WriteLine, settings);
  return 0;
}
