// The command line: extraction of the options from the raw argument list,
// and the checks that a command line using Quonvel's own options must pass.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct CmdLineOptions {
  bool TypCCFound = false;
  bool InputFileFound = false;
  std::string TypCC;
  std::string InputFile;
  // The further options, each optional and matched whole: the output
  // layout, the file that takes the layout's output, the folder of the
  // sources, the severity that fails the run, the closing count, the
  // command's raw output, and the lines passed through.
  bool FormatFound = false;
  std::string Format;
  bool OutputFound = false;
  std::string Output;
  bool SourceRootFound = false;
  std::string SourceRoot;
  bool FailOnFound = false;
  std::string FailOn;
  bool Summary = false;  // takes no value
  bool LogFound = false;
  std::string Log;
  bool Echo = false;  // takes no value
  // Run mode: everything after the first "--", the program first.
  bool CommandFound = false;
  std::vector<std::string> Command;
  // The command line uses more than --InputFile and --TypCC: every argument
  // is then checked (CheckOptions), and every option acts in every layout.
  bool Strict = false;
};

// The options are taken from the arguments before the first "--" alone;
// what follows it is the command. "--InputFile" and "--TypCC" are looked for
// anywhere inside each of those arguments, argument 0 included, as callers
// of the first version rely on: the first argument holding the key supplies
// the value, cut at a fixed index from the start of the argument, so the
// separator is never looked at. The further options are matched whole: an
// argument after argument 0 that is "--Name=<value>" (or "--Name" for a
// flag), first one first; such an argument supplies nothing else. Returns
// true only if the input file and the compiler type were found with a
// non-empty value.
bool ExtractOptions(CmdLineOptions& options, const std::vector<std::string>& arguments);

// A command line refused: the exit code and the one line that says why.
struct UsageError {
  int exitCode;
  std::string message;
};

// The checks of a strict command line (ExtractOptions ran): an argument
// that starts with "--" and names no option, a flag given a value, a value
// that is not one of the option's, an option given twice with different
// values, a missing or empty --InputFile or --TypCC (naming the likely
// slip), the compiler type, and options that cannot go together. Each
// message names the argument and the nearest option.
std::optional<UsageError> CheckOptions(const CmdLineOptions& options,
                                       const std::vector<std::string>& arguments);

// The option of Quonvel whose name is nearest to `name` (the text of an
// argument up to its "="), as "--Name".
std::string_view NearestOption(std::string_view name);
