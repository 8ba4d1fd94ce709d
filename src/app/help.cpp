#include "app/help.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "layouts/layout.h"
#include "output/console.h"
#include "rules/rule_table.h"

namespace {

// Line by line, as every message leaves: text, line end, flush. The
// programs and layouts the tables know are listed where the "{programs}",
// "{classic}" and "{layouts}" lines stand; no line is wider than 80 columns.
constexpr std::string_view kHelp[] = {
    "Usage: Quonvel --InputFile=<path> --TypCC=TriCore [options]",
    "       Quonvel --TypCC=TriCore [options] -- <program> [<argument>...]",
    "       Quonvel --help | -h | /?",
    "       Quonvel --version",
    "",
    "Reads a captured TriCore toolchain log and writes each diagnostic it",
    "recognises to standard output; every other line of the log is dropped.",
    "{programs}",
    "{classic}",
    "",
    "Options, one argument each, in any order:",
    "  --InputFile=<path>  the captured log; - reads standard input",
    "  --TypCC=TriCore     the compiler type; only TriCore is accepted",
    "  --Format=<layout>   the output layout, msvc when not given; each writes",
    "                      ctc W505: [\"a.c\" 9/2] text as",
    "{layouts}",
    "  --Output=<file>     the layout's output into <file>, which is replaced only",
    "                      once it is whole (messages stay where they go)",
    "  --SourceRoot=<dir>  file names under <dir> written relative to it",
    "  --FailOn=<level>    exit 1 when an error (error) or a warning or error",
    "                      (warning) was written; never, the default, does not",
    "  --Summary           a closing count of each severity on standard error",
    "  --Log=<file>        the command's output, byte for byte, as it arrives",
    "  --Echo              every other line passes through to standard output",
    "  -- <program> ...    runs the program and reads what it writes",
    "  Once one of these options is written, an unknown option or value is refused.",
    "  --help, -h, /?      this text (only as the one argument)",
    "  --version           the name, version, build date and licence",
    "",
    "Exit codes:",
    "   0  the log was read (msvc with --InputFile and --TypCC alone: a file",
    "      that cannot be opened reads as empty)",
    "   1  --FailOn found a diagnostic of that severity",
    "  -1  fewer than two arguments, yet the options were found and the log read",
    "  -2  --InputFile or --TypCC missing or empty, an unknown option or value,",
    "      or options that do not go together",
    "  -3  --TypCC is not TriCore",
    "  -4  the log could not be opened or read to its end, the output could",
    "      not be written (neither counts for msvc with the two options alone),",
    "      a rule of the table is broken, the run failed, or --version found no",
    "      version information (the last line, or standard error, says why);",
    "      a POSIX shell sees -1 to -4 as 255 to 252",
    "  128+n  stopped by signal n, 130 for Ctrl+C (Windows: 0xC000013A); the",
    "      output then ends with a whole line",
    "  Run mode: the command's exit code when it failed (128+n when signal n",
    "      ended it), else the codes above; 127 the program was not found, 126",
    "      it was found but could not be started",
    "",
    "Examples:",
    "  Quonvel --TypCC=TriCore --Format=msbuild --Log=build.log -- make all",
    "  Quonvel --InputFile=build.log --TypCC=TriCore --Format=msbuild",
    "",
    "More: man quonvel, or README.md beside the program or in share/doc/quonvel.",
};

// The programs whose diagnostics the default layout reads: those its rules
// name, each by its own fixed pattern; every other program's it drops.
std::string ClassicPrograms() {
  std::vector<std::string_view> programs;
  for (const MessageRule& rule : Rules()) {
    if (UsedBy(rule, Recognition::kClassic) &&
        std::find(programs.begin(), programs.end(), rule.program) == programs.end()) {
      programs.push_back(rule.program);
    }
  }
  std::string text(Layouts().front().name);
  text.append(" reads only");
  for (std::size_t i = 0; i < programs.size(); ++i) {
    text.append(i == 0 ? " " : i + 1 == programs.size() ? " and " : ", ").append(programs[i]);
  }
  return text +
         ", each by a fixed pattern; the other layouts read every program of the "
         "toolchain alike (astc E200: ...).";
}

// A text that the tables make, in lines of at most 80 columns.
void WriteWrapped(std::string_view text) {
  constexpr std::size_t kColumns = 80;
  while (text.size() > kColumns) {
    const std::size_t blank = text.rfind(' ', kColumns);
    if (blank == std::string_view::npos) break;  // one word wider than a line
    WriteLine(text.substr(0, blank));
    text.remove_prefix(blank + 1);
  }
  WriteLine(text);
}

}  // namespace

void PrintHelp() {
  for (const std::string_view line : kHelp) {
    if (line == "{programs}") {
      std::string known = "Programs it knows by name:";
      for (const Program& program : Programs()) {
        known.append(known.back() == ':' ? " " : ", ");
        known.append(program.kind).append(" ").append(program.name);
      }
      WriteWrapped(known + ".");
    } else if (line == "{classic}") {
      WriteWrapped(ClassicPrograms());
    } else if (line == "{layouts}") {
      for (const LayoutEntry& layout : Layouts()) {
        std::string text = "    ";
        text.append(layout.name).append(std::max<std::size_t>(12 - layout.name.size(), 1), ' ');
        WriteLine(text.append(layout.help));
      }
    } else {
      WriteLine(line);
    }
  }
}
