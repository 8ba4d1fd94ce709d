#include "app/options.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <system_error>

#include "layouts/layout.h"
#include "output/console.h"

namespace {

constexpr int kBadOptions = -2;
constexpr int kUnknownCompiler = -3;

// How an option is found: the first two anywhere inside an argument, with
// the value cut at a fixed index; the others as a whole argument,
// "--Name=<value>", or "--Name" for a flag.
enum class Kind { kInside, kValue, kFlag };

struct OptionSpec {
  std::string_view name;
  Kind kind;
  bool CmdLineOptions::*found;
  std::string CmdLineOptions::*value;  // nullptr for a flag
};

constexpr OptionSpec kOptions[] = {
    {"--InputFile", Kind::kInside, &CmdLineOptions::InputFileFound, &CmdLineOptions::InputFile},
    {"--TypCC", Kind::kInside, &CmdLineOptions::TypCCFound, &CmdLineOptions::TypCC},
    {"--Format", Kind::kValue, &CmdLineOptions::FormatFound, &CmdLineOptions::Format},
    {"--Output", Kind::kValue, &CmdLineOptions::OutputFound, &CmdLineOptions::Output},
    {"--SourceRoot", Kind::kValue, &CmdLineOptions::SourceRootFound, &CmdLineOptions::SourceRoot},
    {"--FailOn", Kind::kValue, &CmdLineOptions::FailOnFound, &CmdLineOptions::FailOn},
    {"--Summary", Kind::kFlag, &CmdLineOptions::Summary, nullptr},
    {"--Log", Kind::kValue, &CmdLineOptions::LogFound, &CmdLineOptions::Log},
    {"--Echo", Kind::kFlag, &CmdLineOptions::Echo, nullptr},
};

constexpr std::string_view kCommandSeparator = "--";
constexpr std::string_view kFailOnValues[] = {"error", "warning", "never"};

// An argument's option name: its text up to the first "=".
std::string_view NameOf(std::string_view argument) {
  return argument.substr(0, std::min(argument.find('='), argument.size()));
}

const OptionSpec* FindOption(std::string_view name) {
  for (const OptionSpec& option : kOptions) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

// A whole argument of one of the further options.
bool IsFurtherOption(std::string_view argument) {
  const OptionSpec* option = FindOption(NameOf(argument));
  return option != nullptr && option->kind != Kind::kInside;
}

// Where the options end: the first "--" after argument 0, or the end.
std::size_t OptionsEnd(const std::vector<std::string>& arguments) {
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == kCommandSeparator) return i;
  }
  return arguments.size();
}

void ExtractInside(CmdLineOptions& options, const OptionSpec& option,
                   const std::vector<std::string>& arguments, std::size_t end) {
  const std::size_t cut = option.name.size() + 1;  // the value starts after "<key>="
  for (std::size_t i = 0; i < end; ++i) {
    const std::string& argument = arguments[i];
    if (std::string_view(argument).find(option.name) == std::string_view::npos) continue;
    // A whole argument of a further option supplies nothing else: a
    // --Output file named "my--TypCC.txt" is no compiler type. No command
    // line of the first version holds one.
    if (i > 0 && IsFurtherOption(argument)) continue;
    options.*option.found = true;
    if (argument.size() > cut) options.*option.value = argument.substr(cut);
    return;
  }
}

void ExtractWhole(CmdLineOptions& options, const OptionSpec& option,
                  const std::vector<std::string>& arguments, std::size_t end) {
  for (std::size_t i = 1; i < end; ++i) {
    const std::string_view argument = arguments[i];
    if (NameOf(argument) != option.name) continue;
    options.*option.found = true;
    options.Strict = true;
    if (option.value != nullptr && argument.size() > option.name.size()) {
      options.*option.value = argument.substr(option.name.size() + 1);
    }
    return;
  }
}

// Levenshtein distance, ASCII case ignored: "--inputfile" is one slip away
// from nothing but "--InputFile".
std::size_t Distance(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      const std::size_t change = diagonal + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1);
      row[j] = std::min({above + 1, row[j - 1] + 1, change});
      diagonal = above;
    }
  }
  return row[b.size()];
}

template <typename Names>
std::string_view Nearest(std::string_view text, const Names& names) {
  std::string_view best;
  std::size_t bestDistance = static_cast<std::size_t>(-1);
  for (const std::string_view name : names) {
    const std::size_t distance = Distance(text, name);
    if (distance < bestDistance) {
      best = name;
      bestDistance = distance;
    }
  }
  return best;
}

UsageError Refused(std::string text) { return {kBadOptions, "Quonvel error: " + std::move(text)}; }

std::string Q(std::string_view text) { return QuotedForMessage(text); }

// One argument that starts with "--": a known option, written as its kind
// wants, and not given before with another value.
std::optional<UsageError> CheckArgument(const std::vector<std::string>& arguments, std::size_t at) {
  const std::string_view argument = arguments[at];
  const std::string_view name = NameOf(argument);
  const OptionSpec* option = FindOption(name);
  if (option == nullptr) {
    return Refused("Unknown option " + Q(argument) + "; did you mean " +
                   std::string(NearestOption(name)) + "?");
  }
  const std::string spelled(name);
  if (option->kind == Kind::kFlag && argument.size() != name.size()) {
    return Refused(spelled + " takes no value: " + Q(argument) + "; write " + spelled + ".");
  }
  if (option->kind == Kind::kValue && argument.size() == name.size()) {
    return Refused(spelled + " needs a value: write " + spelled + "=<value>.");
  }
  for (std::size_t i = 1; i < at; ++i) {
    if (NameOf(arguments[i]) == name && arguments[i] != argument) {
      return Refused(spelled + " given twice with different values: " + Q(arguments[i]) + " and " +
                     Q(argument) + ".");
    }
  }
  return std::nullopt;
}

// "--InputFile build.log": the value went into an argument of its own.
std::string BlankSlip(const std::vector<std::string>& arguments, std::size_t end,
                      std::string_view name) {
  for (std::size_t i = 1; i + 1 < end; ++i) {
    if (arguments[i] == name && !arguments[i + 1].starts_with("--")) {
      return " (a blank instead of \"=\" before " + Q(arguments[i + 1]) + "?)";
    }
  }
  return "";
}

std::optional<UsageError> CheckValues(const CmdLineOptions& options) {
  if (options.FormatFound && FindLayout(options.Format) == nullptr) {
    std::string names;
    std::vector<std::string_view> known;
    for (const LayoutEntry& layout : Layouts()) {
      names.append(names.empty() ? "" : ", ").append(layout.name);
      known.push_back(layout.name);
    }
    return Refused("Unknown output format " + Q(options.Format) + " (" + names +
                   "); did you mean --Format=" + std::string(Nearest(options.Format, known)) + "?");
  }
  if (options.FailOnFound && std::find(std::begin(kFailOnValues), std::end(kFailOnValues),
                                       options.FailOn) == std::end(kFailOnValues)) {
    return Refused("Unknown --FailOn value " + Q(options.FailOn) +
                   " (error, warning, never); did you mean --FailOn=" +
                   std::string(Nearest(options.FailOn, kFailOnValues)) + "?");
  }
  if (options.OutputFound && options.Output.empty()) return Refused("--Output names no file.");
  if (options.LogFound && options.Log.empty()) return Refused("--Log names no file.");
  return std::nullopt;
}

bool SameFileName(const std::string& a, const std::string& b) {
  std::error_code error;
  const std::filesystem::path first = std::filesystem::weakly_canonical(a, error);
  if (error) return a == b;
  const std::filesystem::path second = std::filesystem::weakly_canonical(b, error);
  return error ? a == b : first == second;
}

// What the run reads and how the options go together.
std::optional<UsageError> CheckSources(const CmdLineOptions& options,
                                       const std::vector<std::string>& arguments, std::size_t end) {
  if (options.CommandFound && options.Command.empty()) {
    return Refused("No command after \"--\": write the program and its arguments after it.");
  }
  if (options.CommandFound && options.InputFileFound) {
    return Refused("--InputFile and a command after \"--\" do not go together: give one.");
  }
  if (!options.CommandFound && !options.InputFileFound) {
    return Refused(
        "No log to read: give --InputFile=<path> (- for standard input) or a "
        "command after \"--\".");
  }
  if (options.InputFileFound && options.InputFile.empty()) {
    return Refused("--InputFile names no file" + BlankSlip(arguments, end, "--InputFile") + ".");
  }
  if (options.LogFound && !options.CommandFound) {
    return Refused("--Log keeps a command's output: give the command after \"--\".");
  }
  if (options.LogFound && options.OutputFound && SameFileName(options.Log, options.Output)) {
    return Refused("--Log and --Output name the same file " + Q(options.Log) + ".");
  }
  if (!options.TypCCFound) return Refused("No compiler type: give --TypCC=TriCore.");
  if (options.TypCC.empty()) {
    return Refused("--TypCC names no compiler type" + BlankSlip(arguments, end, "--TypCC") +
                   "; give --TypCC=TriCore.");
  }
  return std::nullopt;
}

}  // namespace

bool ExtractOptions(CmdLineOptions& options, const std::vector<std::string>& arguments) {
  const std::size_t end = OptionsEnd(arguments);
  for (const OptionSpec& option : kOptions) {
    if (option.kind == Kind::kInside) {
      ExtractInside(options, option, arguments, end);
    } else {
      ExtractWhole(options, option, arguments, end);
    }
  }
  if (end < arguments.size()) {
    options.CommandFound = true;
    options.Strict = true;
    options.Command.assign(arguments.begin() + static_cast<std::ptrdiff_t>(end) + 1,
                           arguments.end());
  }
  return options.InputFileFound && !options.InputFile.empty() && options.TypCCFound &&
         !options.TypCC.empty();
}

std::optional<UsageError> CheckOptions(const CmdLineOptions& options,
                                       const std::vector<std::string>& arguments) {
  const std::size_t end = OptionsEnd(arguments);
  for (std::size_t i = 1; i < end; ++i) {
    if (!arguments[i].starts_with("--")) continue;
    if (std::optional<UsageError> error = CheckArgument(arguments, i)) return error;
  }
  if (std::optional<UsageError> error = CheckValues(options)) return error;
  if (std::optional<UsageError> error = CheckSources(options, arguments, end)) return error;
  if (options.TypCC != "TriCore") {
    return UsageError{kUnknownCompiler, "Quonvel error: Unknown compiler type " + Q(options.TypCC) +
                                            "; only TriCore is accepted (the case matters)."};
  }
  const LayoutEntry* layout = options.FormatFound ? FindLayout(options.Format) : &DefaultLayout();
  if (options.Echo && layout->document && !options.OutputFound) {
    return Refused("--Echo with --Format=" + std::string(layout->name) +
                   " needs --Output=<file>: the build's lines and one document cannot share "
                   "standard output.");
  }
  return std::nullopt;
}

std::string_view NearestOption(std::string_view name) {
  std::vector<std::string_view> names;
  for (const OptionSpec& option : kOptions) names.push_back(option.name);
  return Nearest(name, names);
}
