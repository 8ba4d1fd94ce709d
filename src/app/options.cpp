#include "app/options.h"

#include <cstddef>
#include <string_view>

namespace {

// Each option is written "<key>=<value>". Its value starts right after the
// "=", counted from the start of the argument wherever the key was found.
constexpr std::string_view kInputFileOption = "--InputFile=";
constexpr std::string_view kTypCCOption = "--TypCC=";
constexpr std::string_view kFormatOption = "--Format=";
constexpr std::string_view kSourceRootOption = "--SourceRoot=";
constexpr std::string_view kFailOnOption = "--FailOn=";
constexpr std::string_view kSummaryOption = "--Summary=";  // its value is never used
constexpr std::string_view kOutputOption = "--Output=";

// Finds the first argument holding the key of `option` (its text without
// the "=") and, when the argument is longer than `option`, copies its tail
// from that index into `value`. A found key with nothing after the cut
// leaves `value` as it was.
bool ExtractOne(const std::vector<std::string>& arguments, std::string_view option,
                std::string& value) {
  const std::string_view key = option.substr(0, option.size() - 1);
  for (const std::string& argument : arguments) {
    if (std::string_view(argument).find(key) == std::string_view::npos) continue;
    if (argument.size() > option.size()) value = argument.substr(option.size());
    return true;
  }
  return false;
}

}  // namespace

bool ExtractOptions(CmdLineOptions& options, const std::vector<std::string>& all) {
  std::vector<std::string> arguments = all;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (arguments[i] != "--") continue;
    options.CommandFound = true;
    options.Command.assign(arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1, arguments.end());
    arguments.resize(i);
    break;
  }
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (arguments[i].starts_with("--Log=")) {
      options.LogFound = true;
      options.Log = arguments[i].substr(6);
    }
  }
  options.InputFileFound = ExtractOne(arguments, kInputFileOption, options.InputFile);
  options.TypCCFound = ExtractOne(arguments, kTypCCOption, options.TypCC);
  options.FormatFound = ExtractOne(arguments, kFormatOption, options.Format);
  options.OutputFound = ExtractOne(arguments, kOutputOption, options.Output);
  options.SourceRootFound = ExtractOne(arguments, kSourceRootOption, options.SourceRoot);
  options.FailOnFound = ExtractOne(arguments, kFailOnOption, options.FailOn);
  std::string ignored;
  options.Summary = ExtractOne(arguments, kSummaryOption, ignored);
  return (options.CommandFound || (options.InputFileFound && !options.InputFile.empty())) &&
         options.TypCCFound && !options.TypCC.empty();
}
