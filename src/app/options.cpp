#include "app/options.h"

#include <cstddef>
#include <string_view>

namespace {

// Finds the first argument holding `key` and, when it is longer than
// `valueStart`, copies its tail from that index into `value`. A found key
// with nothing after the cut leaves `value` as it was.
bool ExtractOne(const std::vector<std::string>& arguments, std::string_view key,
                std::size_t valueStart, std::string& value) {
  for (const std::string& argument : arguments) {
    if (std::string_view(argument).find(key) == std::string_view::npos) continue;
    if (argument.size() > valueStart) value = argument.substr(valueStart);
    return true;
  }
  return false;
}

}  // namespace

bool ExtractOptions(CmdLineOptions& options, const std::vector<std::string>& arguments) {
  options.InputFileFound = ExtractOne(arguments, "--InputFile", 12, options.InputFile);
  options.TypCCFound = ExtractOne(arguments, "--TypCC", 8, options.TypCC);
  return options.InputFileFound && !options.InputFile.empty() && options.TypCCFound &&
         !options.TypCC.empty();
}
