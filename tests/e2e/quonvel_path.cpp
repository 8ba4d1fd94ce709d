#include <gtest/gtest.h>

#include "run_process.h"

std::string QuonvelPath() { return QUONVEL_EXECUTABLE; }

const std::vector<std::string>& LayoutNames() {
  static const std::string message = [] {
    const ProcessResult run =
        RunProcess(QuonvelPath(), {"Quonvel", "--InputFile=" QUONVEL_EXAMPLES "/tricore-build.log",
                                   "--TypCC=TriCore", "--Format="});
    return run.out + run.err;
  }();
  static const std::vector<std::string> names = [] {
    std::vector<std::string> found;
    const std::size_t open = message.find("Unknown output format \"\" (");
    const std::size_t close = message.find(')', open);
    if (open == std::string::npos || close == std::string::npos) return found;
    for (std::size_t at = message.find('(', open) + 1; at < close;) {
      const std::size_t comma = std::min(message.find(", ", at), close);
      found.push_back(message.substr(at, comma - at));
      at = comma + 2;
    }
    return found;
  }();
  // A list the tests cannot read would pass every loop over it.
  if (names.size() < 2 || names.front() != "msvc") {
    ADD_FAILURE() << "Quonvel did not name its layouts: " << message;
  }
  return names;
}
