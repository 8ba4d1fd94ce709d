// Extraction of the command-line options from the raw argument list.
#pragma once

#include <string>
#include <vector>

struct CmdLineOptions {
  bool TypCCFound = false;
  bool InputFileFound = false;
  std::string TypCC;
  std::string InputFile;
  // The output layout; optional, so it takes no part in the result.
  bool FormatFound = false;
  std::string Format;
  // The options of the opt-in layouts, optional too: the folder of the
  // sources, the severity that fails the run, and the closing count.
  bool SourceRootFound = false;
  std::string SourceRoot;
  bool FailOnFound = false;
  std::string FailOn;
  bool Summary = false;  // takes no value
  // The file that takes the layout's output instead of standard output.
  bool OutputFound = false;
  std::string Output;
  bool LogFound = false;
  std::string Log;
  // Run mode: everything after the first "--", the program first.
  bool CommandFound = false;
  std::vector<std::string> Command;
};

// Looks for "--InputFile", "--TypCC", "--Format", "--SourceRoot", "--FailOn",
// "--Summary" and "--Output" anywhere inside every argument, argument 0
// included; the first argument holding a key supplies it. The value is cut
// at a fixed index counted from the start of the argument, so the separator
// character is never looked at. Returns true only if the input file and the
// compiler type were found with a non-empty value.
bool ExtractOptions(CmdLineOptions& options, const std::vector<std::string>& arguments);
