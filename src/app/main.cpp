// Quonvel: turns the diagnostics of a captured TriCore toolchain log into the
// layout of the MSVC output window.
#include <cstdint>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/help.h"
#include "app/options.h"
#include "app/run.h"
#include "app/run_mode.h"
#include "app/version_banner.h"
#include "input/input_file.h"
#include "input/line_reader.h"
#include "layouts/layout.h"
#include "layouts/source_root.h"
#include "output/console.h"
#include "output/output_file.h"

namespace {

constexpr int kTooFewArguments = -1;
constexpr int kBadOptions = -2;
constexpr int kUnknownCompiler = -3;
constexpr int kFailure = -4;
// --FailOn: a diagnostic of that severity or above was written.
constexpr int kDiagnosticsFound = 1;

// The opt-in layouts write their messages to standard error, where they
// neither break a document nor pass for a diagnostic; the default layout
// writes them to standard output, as it always has.
void WriteMessage(bool toStandardError, const std::string& text) {
  if (toStandardError) {
    WriteErrorLine(text);
  } else {
    WriteLine(text);
  }
}

// "2 errors", "1 warning".
std::string Count(std::uint64_t count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

enum class FailOn { kNever, kWarning, kError };

bool Fails(FailOn failOn, const RunOutcome& outcome) {
  return (failOn == FailOn::kError && outcome.errors > 0) ||
         (failOn == FailOn::kWarning && outcome.errors + outcome.warnings > 0);
}

int Run(int argc, char** argv) {
  const char* program = argc > 0 && argv[0] != nullptr ? argv[0] : "";
  // Asked alone, these answer and end the run; any other short command line
  // keeps the banner and usage lines below.
  if (argc == 2 && argv[1] != nullptr) {
    const std::string_view only = argv[1];
    if (only == "--help" || only == "-h" || only == "/?") {
      PrintHelp();
      return 0;
    }
    if (only == "--version") {
      if (PrintVersion(program)) return 0;
      WriteLine("Quonvel error: Cannot read the version information of \"" + std::string(program) +
                "\".");
      return kFailure;
    }
  }

  int exitCode = 0;
  if (argc < 3) {
    PrintVersionBanner(program);
    WriteLine("Quonvel error: Not enough command line arguments.");
    WriteLine("Usage: Quonvel.exe");
    WriteLine(" --InputFile = ");
    WriteLine(" --TypCC     = ");
    // Not fatal: the options may still be found, argument 0 included.
    exitCode = kTooFewArguments;
  }

  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.emplace_back(argv[i] != nullptr ? argv[i] : "");

  CmdLineOptions options;
  if (!ExtractOptions(options, arguments)) {
    WriteLine("Quonvel error: Something is wrong with input file or compiler typ");
    WriteLine("Quonvel error: Please check the command line input directories.  ");
    return kBadOptions;
  }
  const std::string inputFile = options.InputFile;
  const std::string typCC = options.TypCC;
  // Without --Format the layout is the output window's, byte for byte.
  const LayoutEntry* layout = FindLayout(options.FormatFound ? options.Format : "msvc");
  if (layout == nullptr) {
    std::string names;
    for (const LayoutEntry& known : Layouts()) {
      names.append(names.empty() ? "" : ", ").append(known.name);
    }
    WriteLine("Quonvel error: Unknown output format \"" + options.Format + "\" (" + names + ").");
    return kBadOptions;
  }
  // The default layout, the output window's, is frozen: it ignores the
  // options of the opt-in layouts, and leaves their values unchecked.
  const bool optIn = layout != &Layouts().front();
  FailOn failOn = FailOn::kNever;
  if (optIn && options.FailOnFound) {
    if (options.FailOn == "error") {
      failOn = FailOn::kError;
    } else if (options.FailOn == "warning") {
      failOn = FailOn::kWarning;
    } else if (options.FailOn != "never") {
      WriteLine("Quonvel error: Unknown --FailOn value \"" + options.FailOn +
                "\" (error, warning, never).");
      return kBadOptions;
    }
  }
  if (options.OutputFound && options.Output.empty()) {
    WriteLine("Quonvel error: --Output names no file.");
    return kBadOptions;
  }
  // Checked before the input is opened: opening a FIFO waits for its writer.
  if (typCC != "TriCore") return kUnknownCompiler;

  // Before the log is read, so that a file that cannot be written fails at
  // once. Its failures go to standard error, where no output goes.
  std::optional<OutputFile> file;
  if (options.OutputFound && !file.emplace(options.Output).IsOpen()) {
    WriteErrorLine("Quonvel error: Cannot write \"" + options.Output + "\".");
    return kFailure;
  }
  LineOutput& output = file ? file->Lines() : StandardOutput();
  // The default layout on standard output ignores a failed write, as it
  // always did; elsewhere output that did not arrive fails the run.
  if (optIn) output.StopOnFailure();

  // For the default layout a file that cannot be opened is not reported; it
  // simply yields no lines. For the others it fails the run.
  InputFile input;
  if (options.CommandFound) {
    // Run mode starts the command here.
    if (const std::optional<int> refused = StartRunMode(options.Command, options.Log, input)) {
      return *refused;
    }
  } else {
    input = OpenInputFile(inputFile);
  }
  const bool opened = IsOpen(input) || !optIn;
  LineReader reader(input, ReadingRulesFor(layout->recognition));
  const std::string sourceRoot =
      optIn && !options.SourceRoot.empty() ? AbsoluteSourceRoot(options.SourceRoot) : "";
  const std::string logName =
      options.CommandFound ? (options.LogFound ? options.Log : "-") : inputFile;
  const std::unique_ptr<Layout> writer = layout->make({logName, sourceRoot});
  // A document is of no use to a reader before it is whole: it leaves in
  // large writes; lines leave one by one, each as soon as it is made.
  const RunOutcome outcome = ConvertLog(
      reader, *layout, *writer, logName,
      [&output, layout](std::string_view text) {
        return layout->document ? output.WriteBufferedLine(text) : output.WriteLine(text);
      },
      opened);
  output.Flush();
  if (output.Failed() || (file && !file->Commit())) {
    WriteErrorLine(file ? "Quonvel error: Cannot write \"" + options.Output + "\"."
                        : "Quonvel error: Cannot write to standard output.");
    return kFailure;
  }
  int result = exitCode;
  // The lines read before a read error are still converted; then we say so,
  // inside the document for a layout that can. After everything is written,
  // --FailOn decides on what was.
  if (!outcome.readerGone && !outcome.inputComplete) {
    if (!writer->TellsFailure()) {
      WriteMessage(optIn, opened ? "Quonvel error: Cannot read input file."
                                 : "Quonvel error: Cannot open input file \"" + inputFile + "\".");
    }
    result = kFailure;
  } else if (optIn && Fails(failOn, outcome)) {
    result = kDiagnosticsFound;
  }
  if (options.CommandFound)
    result = FinishRunMode(options.Command, options.Log, input, outcome, result);
  if (optIn && options.Summary) {
    WriteMessage(true, "Quonvel: " + Count(outcome.errors, "error") + ", " +
                           Count(outcome.warnings, "warning") + ", " +
                           Count(outcome.notes, "note") + " in " +
                           (inputFile == "-" ? "standard input" : inputFile));
  }
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  PrepareStandardOutput();
  // The one handler of the program: an escaping exception would abort the
  // process (a dialog on Windows) and lose the output written so far.
  try {
    return Run(argc, argv);
  } catch (const std::bad_alloc&) {
    WriteLine("Quonvel error: Out of memory.");
  } catch (const std::exception& error) {
    WriteLine(std::string("Quonvel error: ") + error.what());
  } catch (...) {
    WriteLine("Quonvel error: Unexpected failure.");
  }
  return kFailure;
}
