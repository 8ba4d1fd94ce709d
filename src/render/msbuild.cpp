#include "render/msbuild.h"

#include <cstddef>
#include <string_view>

#include "render/render_text.h"
#include "rules/dispatch.h"

namespace {

// MSBuild looks for the origin, category and code in the first 400
// characters of a line only.
constexpr std::size_t kScannedPrefix = 400;

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Whether `file` survives as the origin. MSBuild ends the origin at its first
// colon unless that follows a drive letter, and trims it; $msCompile wants a
// file that starts with a non-blank and reads a leading "<digits>>" as the
// number of a parallel build's project.
bool CanBeOrigin(std::string_view file) {
  if (file.empty() || IsBlank(file.front()) || IsBlank(file.back())) return false;
  const std::size_t colon = file.find(':');
  if (colon != std::string_view::npos &&
      (colon != 1 || !IsAsciiLetter(file[0]) || file.find(':', 2) != std::string_view::npos)) {
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

}  // namespace

void FormatMsbuildLine(const Diagnostic& diagnostic, std::string& output) {
  const std::string_view category = IsError(diagnostic) ? "error" : "warning";
  const bool hasFile = diagnostic.placeholder.empty() && !diagnostic.file.empty();
  output.clear();
  if (hasFile && CanBeOrigin(diagnostic.file)) {
    AppendLocation(diagnostic, output);
    output.append(": ");
    const std::size_t codeEnd = output.size() + category.size() + 1 + diagnostic.tool.size() +
                                diagnostic.severity.size() + diagnostic.number.size() + 1;
    if (codeEnd > kScannedPrefix) output.clear();
  }
  const bool located = !output.empty();
  if (!located) output.append(diagnostic.tool).append(" : ");
  output.append(category).append(" ");
  AppendCode(diagnostic, output);
  output.append(": ");
  if (!diagnostic.placeholder.empty()) {
    output.append(diagnostic.placeholder);
    return;
  }
  // A file that cannot be the origin keeps its location at the text's start,
  // without a colon after it: "(5,6): warning X1:" in the text would be read
  // as the location by $msCompile.
  if (hasFile && !located) AppendLocation(diagnostic, output).append(" - ");
  output.append(Trimmed(diagnostic.text));
  if (!diagnostic.excerpt.empty()) output.append(" | ").append(Trimmed(diagnostic.excerpt));
}

bool ConvertLineMsbuild(LogLine line, const LineMarkers& markers, std::string& output) {
  return DispatchLineWith(line, markers, output, FullMatch, FormatMsbuildLine);
}
