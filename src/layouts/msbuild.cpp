#include "layouts/msbuild.h"

#include <cstddef>
#include <string_view>

#include "layouts/layout_text.h"
#include "layouts/placement.h"

namespace {

// MSBuild looks for the origin, category and code in the first 400
// characters of a line only.
constexpr std::size_t kScannedPrefix = 400;

// Whether `file` survives as the origin. MSBuild ends the origin at its first
// colon unless that follows a drive letter, and trims it; $msCompile wants a
// file that starts with a non-blank and reads a leading "<digits>>" as the
// number of a parallel build's project; Jenkins takes text up to a "]" for
// the name of an Ant task. A line break or a carriage return would end the
// line for its readers.
bool CanBeOrigin(std::string_view file) {
  if (file.empty() || IsSpace(file.front()) || IsSpace(file.back())) return false;
  if (file.find_first_of("]\r\n") != std::string_view::npos) return false;
  const std::size_t colon = file.find(':');
  if (colon != std::string_view::npos &&
      (colon != 1 || !IsLetter(file[0]) || file.find(':', 2) != std::string_view::npos)) {
    return false;
  }
  std::size_t digits = 0;
  while (digits < file.size() && IsDigit(file[digits])) ++digits;
  return digits == 0 || digits == file.size() || file[digits] != '>';
}

std::string& AppendLocation(const Diagnostic& diagnostic, std::string& output) {
  output.append(diagnostic.file).append("(").append(diagnostic.line);
  if (!diagnostic.column.empty()) output.append(",").append(diagnostic.column);
  return output.append(")");
}

// Writes "<origin>: <category> <code>: " and returns whether the code stays
// within the part of the line that MSBuild scans.
bool AppendHead(std::string& output, std::string_view category, const Diagnostic& diagnostic) {
  output.append(": ").append(category).append(" ");
  AppendCode(diagnostic, output);
  output.append(": ");
  return output.size() - 1 <= kScannedPrefix;
}

}  // namespace

void FormatMsbuildLine(const Diagnostic& diagnostic, const LineOrigin& origin,
                       std::string& output) {
  // An information message is "info", which VS Code's $msCompile reads and
  // MSBuild shows as a message.
  const std::string_view category = IsError(diagnostic)         ? "error"
                                    : IsInformation(diagnostic) ? "info"
                                                                : "warning";
  const bool hasFile = HasFile(diagnostic);
  output.clear();
  bool located = false;
  // MSBuild reads a line or column past 32 bits as 0: such a location goes
  // to the text, as in the other layouts.
  if (hasFile && CanBeOrigin(diagnostic.file) && FitsPosition(diagnostic.line) &&
      FitsPosition(diagnostic.column)) {
    AppendLocation(diagnostic, output);
    located = AppendHead(output, category, diagnostic);
  }
  if (!located && CanBeOrigin(origin.log)) {
    output.assign(origin.log).append("(");
    AppendNumber(origin.line, output);
    output.append(")");
    located = AppendHead(output, category, diagnostic);
    // Its own location, which the origin could not carry, leads the text,
    // without a colon after it: "(5,6): warning X1:" in the text would be
    // read as the location by $msCompile.
    if (located && hasFile) AppendLocation(diagnostic, output).append(" - ");
  }
  if (!located) {
    output.assign(diagnostic.tool).append(" : ").append(category).append(" ");
    AppendCode(diagnostic, output);
    output.append(": ");
    if (hasFile) AppendLocation(diagnostic, output).append(" - ");
  }
  AppendMessage(diagnostic, output);
  if (diagnostic.placeholder) return;
  const std::string_view excerpt = Trimmed(diagnostic.excerpt);
  if (!excerpt.empty()) output.append(" | ").append(excerpt);
}

std::unique_ptr<Layout> MakeMsbuildLayout(const LayoutSettings& settings) {
  return MakeRootedLineLayout(settings, FormatMsbuildLine);
}
