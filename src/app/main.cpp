// Quonvel: turns the diagnostics of a captured TriCore toolchain log into the
// layout of the MSVC output window, or of another IDE or CI service.
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

// Where the run's messages go; the handler in main needs it too.
RunPolicy policy = DefaultLayout().policy;

void WriteMessage(const std::string& text) {
  if (policy.messagesOnStandardError) {
    WriteErrorLine(text);
  } else {
    WriteLine(text);
  }
}

// "2 errors", "1 warning".
std::string Count(std::uint64_t count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::vector<std::string> Arguments(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.emplace_back(argv[i] != nullptr ? argv[i] : "");
  if (arguments.empty()) arguments.emplace_back();
  return arguments;
}

// Asked alone, these answer and end the run; any other short command line
// keeps the banner and usage lines.
std::optional<int> AnswerAlone(const std::vector<std::string>& arguments) {
  if (arguments.size() != 2) return std::nullopt;
  const std::string_view only = arguments[1];
  if (only == "--help" || only == "-h" || only == "/?") {
    PrintHelp();
    return 0;
  }
  if (only != "--version") return std::nullopt;
  if (PrintVersion(arguments[0].c_str())) return 0;
  WriteLine("Quonvel error: Cannot read the version information of \"" + arguments[0] + "\".");
  return kFailure;
}

// The banner and usage lines of a short command line. Not fatal: the
// options may still be found, argument 0 included.
int ShortCommandLine(const std::string& program) {
  PrintVersionBanner(program.c_str());
  WriteLine("Quonvel error: Not enough command line arguments.");
  WriteLine("Usage: Quonvel.exe");
  WriteLine(" --InputFile = ");
  WriteLine(" --TypCC     = ");
  return kTooFewArguments;
}

// Takes the options; a command line refused says why and gives its exit
// code. One of --InputFile and --TypCC alone keeps the first version's two
// lines on standard output and its silent -3; any further option gets one
// line on standard error that names the slip.
std::optional<int> ReadCommandLine(const std::vector<std::string>& arguments,
                                   CmdLineOptions& options) {
  const bool extracted = ExtractOptions(options, arguments);
  if (options.Strict) {
    if (const std::optional<UsageError> error = CheckOptions(options, arguments)) {
      WriteErrorLine(error->message);
      return error->exitCode;
    }
    return std::nullopt;
  }
  if (!extracted) {
    WriteLine("Quonvel error: Something is wrong with input file or compiler typ");
    WriteLine("Quonvel error: Please check the command line input directories.  ");
    return kBadOptions;
  }
  // Checked before the input is opened: opening a FIFO waits for its writer.
  if (options.TypCC != "TriCore") return kUnknownCompiler;
  return std::nullopt;
}

bool Fails(const CmdLineOptions& options, const RunOutcome& outcome) {
  if (options.FailOn == "error") return outcome.errors > 0;
  if (options.FailOn == "warning") return outcome.errors + outcome.warnings > 0;
  return false;
}

// The log's name where a diagnostic is placed: in run mode the --Log file,
// else, without one, "-" as for standard input.
std::string LogName(const CmdLineOptions& options) {
  if (!options.CommandFound) return options.InputFile;
  return options.LogFound ? options.Log : "-";
}

void WriteSummary(const CmdLineOptions& options, const RunOutcome& outcome) {
  const std::string log = LogName(options);
  WriteErrorLine("Quonvel: " + Count(outcome.errors, "error") + ", " +
                 Count(outcome.warnings, "warning") + ", " + Count(outcome.notes, "note") + " in " +
                 (options.CommandFound && !options.LogFound
                      ? "the output of " + QuotedForMessage(options.Command[0])
                  : log == "-" ? "standard input"
                               : EscapedForMessage(log)));
}

// The exit code once the log was converted: a failure first, then --FailOn.
int Verdict(const CmdLineOptions& options, const Layout& writer, const RunOutcome& outcome,
            bool opened) {
  if (outcome.readerGone || outcome.inputComplete) {
    return Fails(options, outcome) ? kDiagnosticsFound : 0;
  }
  // The lines read before a read error are still converted; then we say so,
  // inside the document for a layout that can.
  if (!writer.TellsFailure()) {
    WriteMessage(opened ? "Quonvel error: Cannot read input file."
                        : "Quonvel error: Cannot open input file " +
                              QuotedForMessage(options.InputFile) + ".");
  }
  return kFailure;
}

// --Echo: the lines that are no diagnostic go to standard output as they
// came, among the diagnostics when those go there too.
TextWriter EchoWriter(const CmdLineOptions& options) {
  if (!options.Echo) return nullptr;
  if (policy.failedWritesCount) StandardOutput().StopOnFailure();
  return [](std::string_view raw) { return StandardOutput().WriteBytesAsTheyCame(raw); };
}

// Reads the log, converts it into `output` and says how it went.
int Convert(const CmdLineOptions& options, const LayoutEntry& layout, InputFile& input,
            LineOutput& output, OutputFile* file) {
  // For the default layout a file that cannot be opened is not reported; it
  // simply yields no lines. For the others it fails the run.
  const bool opened = IsOpen(input) || !policy.unopenedLogFails;
  LineReader reader(input, ReadingRulesFor(layout.recognition, options.Echo));
  const std::string sourceRoot =
      options.SourceRoot.empty() ? "" : AbsoluteSourceRoot(options.SourceRoot);
  const std::string log = LogName(options);
  const std::unique_ptr<Layout> writer = layout.make({log, sourceRoot});
  // A document is of no use to a reader before it is whole: it leaves in
  // large writes; lines leave one by one, each as soon as it is made.
  const RunOutcome outcome = ConvertLog(
      reader, layout, *writer, log,
      [&output, &layout](std::string_view text) {
        return layout.document ? output.WriteBufferedLine(text) : output.WriteLine(text);
      },
      opened,
      CountAfterReaderGone(output,
                           (options.FailOnFound && options.FailOn != "never") || options.Summary),
      EchoWriter(options));
  if (file != nullptr && UnreadFromItsStart(input, outcome)) {
    file->Discard();
    WriteErrorLine("Quonvel error: Cannot read input file.");
    return kFailure;
  }
  output.Flush();
  if (output.Failed() || (file != nullptr && !file->Commit())) {
    WriteErrorLine(file != nullptr
                       ? "Quonvel error: Cannot write " + QuotedForMessage(options.Output) + "."
                       : "Quonvel error: Cannot write to standard output.");
    return kFailure;
  }
  int verdict = Verdict(options, *writer, outcome, opened);
  // Run mode: the command's exit code, when it failed, is the run's.
  if (options.CommandFound) {
    verdict = FinishRunMode(options.Command, options.Log, input, outcome, verdict);
  }
  if (options.Summary) WriteSummary(options, outcome);
  return verdict;
}

// Opens the log and where the output goes, then converts.
int ConvertInto(const CmdLineOptions& options, const LayoutEntry& layout) {
  if (options.OutputFound && !options.CommandFound &&
      NamesTheInput(options.Output, options.InputFile)) {
    WriteErrorLine("Quonvel error: --Output names the input file " +
                   QuotedForMessage(options.Output) + ".");
    return kBadOptions;
  }
  // The log: the --InputFile, opened first, or what the command after "--"
  // writes, started last.
  InputFile input;
  if (!options.CommandFound) input = OpenInputFile(options.InputFile);
  // A log that cannot be opened leaves the --Output file as it was.
  if (options.OutputFound && !options.CommandFound && !IsOpen(input)) {
    WriteErrorLine("Quonvel error: Cannot open input file " + QuotedForMessage(options.InputFile) +
                   ".");
    return kFailure;
  }
  // Before the log is read, so that a file that cannot be written fails at
  // once. Its failures go to standard error, where no output goes.
  std::optional<OutputFile> file;
  if (options.OutputFound && !file.emplace(options.Output).IsOpen()) {
    WriteErrorLine("Quonvel error: Cannot write " + QuotedForMessage(options.Output) + ".");
    return kFailure;
  }
  LineOutput& output = file ? file->Lines() : StandardOutput();
  if (policy.failedWritesCount) output.StopOnFailure();
  // Run mode starts the command here, last, once all it needs is ready: no
  // build runs for a run that could not write.
  if (options.CommandFound) {
    if (const std::optional<int> refused = StartRunMode(options.Command, options.Log, input)) {
      return *refused;
    }
  }
  return Convert(options, layout, input, output, file ? &*file : nullptr);
}

int Run(const std::vector<std::string>& arguments) {
  if (const std::optional<int> answer = AnswerAlone(arguments)) return *answer;
  const int pending = arguments.size() < 3 ? ShortCommandLine(arguments[0]) : 0;
  CmdLineOptions options;
  if (const std::optional<int> refused = ReadCommandLine(arguments, options)) return *refused;
  const LayoutEntry& layout = options.FormatFound ? *FindLayout(options.Format) : DefaultLayout();
  policy = options.Strict ? kStrictPolicy : layout.policy;
  const int result = ConvertInto(options, layout);
  return result == 0 ? pending : result;
}

}  // namespace

int main(int argc, char** argv) {
  PrepareStandardOutput();
  // The one handler of the program: an escaping exception would abort the
  // process (a dialog on Windows) and lose the output written so far.
  try {
    return Run(Arguments(argc, argv));
  } catch (const std::bad_alloc&) {
    WriteMessage("Quonvel error: Out of memory.");
  } catch (const std::exception& error) {
    WriteMessage(std::string("Quonvel error: ") + error.what());
  } catch (...) {
    WriteMessage("Quonvel error: Unexpected failure.");
  }
  return kFailure;
}
