#include <sstream>

#include "run_process.h"

std::string QuonvelPath() { return QUONVEL_EXECUTABLE; }

// The program names them all when --Format names none.
std::vector<std::string> LayoutNames() {
  const ProcessResult run =
      RunProcess(QuonvelPath(), {"Quonvel", "--InputFile=-", "--TypCC=TriCore", "--Format="});
  const std::string said = run.out + run.err;
  const std::size_t open = said.find('(');
  const std::size_t close = said.find(')', open);
  std::vector<std::string> names;
  if (open == std::string::npos || close == std::string::npos) return names;
  std::istringstream list(said.substr(open + 1, close - open - 1));
  for (std::string name; std::getline(list, name, ',');) {
    names.push_back(name.substr(name.find_first_not_of(' ')));
  }
  return names;
}
