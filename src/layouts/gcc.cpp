#include "layouts/gcc.h"

#include <cstddef>
#include <string_view>

#include "layouts/layout_text.h"

namespace {

// Whether GNU-style readers take `file` back exactly from the line's start.
// They end the file at the first colon that a number follows; Vim's gcc
// formats read a double quote as the start of a quoted file name, a leading
// "[" as a directory change, and drop blanks at either end. A line break or
// a carriage return would end the line for its readers.
bool CanLead(std::string_view file) {
  if (file.empty() || IsSpace(file.front()) || IsSpace(file.back()) || file.front() == '[') {
    return false;
  }
  if (file.find_first_of("\"\r\n") != std::string_view::npos) return false;
  for (std::size_t colon = file.find(':'); colon != std::string_view::npos;
       colon = file.find(':', colon + 1)) {
    if (colon + 1 < file.size() && IsDigit(file[colon + 1])) return false;
  }
  return true;
}

void AppendLocation(const Diagnostic& diagnostic, std::string& output) {
  output.append(diagnostic.file).append(":").append(diagnostic.line);
  if (!diagnostic.column.empty()) output.append(":").append(diagnostic.column);
  output.append(": ");
}

// A file that cannot lead keeps its location in the text, in a form that
// "<line>:<column>: error:" in the text cannot extend into a location.
void AppendLocationInText(const Diagnostic& diagnostic, std::string& output) {
  output.append(diagnostic.file).append("(").append(diagnostic.line);
  if (!diagnostic.column.empty()) output.append(",").append(diagnostic.column);
  output.append(") - ");
}

}  // namespace

void FormatGccLine(const Diagnostic& diagnostic, const LineOrigin& origin, std::string& output) {
  const bool hasFile = HasFile(diagnostic);
  const bool located = hasFile && CanLead(diagnostic.file);
  output.clear();
  if (located) {
    AppendLocation(diagnostic, output);
  } else if (CanLead(origin.log)) {
    output.append(origin.log).append(":");
    AppendNumber(origin.line, output);
    output.append(": ");
  } else {
    output.append(diagnostic.tool).append(": ");
  }
  output.append(IsError(diagnostic)         ? "error: "
                : IsInformation(diagnostic) ? "note: "
                                            : "warning: ");
  if (hasFile && !located) AppendLocationInText(diagnostic, output);
  AppendMessage(diagnostic, output);
  output.append(" [").append(diagnostic.tool).append(" ");
  output.append(diagnostic.severity).append(diagnostic.number).append("]");
  const std::string_view excerpt = Trimmed(diagnostic.excerpt);
  if (!diagnostic.placeholder && !excerpt.empty()) output.append("\n ").append(excerpt);
}

std::unique_ptr<Layout> MakeGccLayout(const LayoutSettings& settings) {
  return MakeRootedLineLayout(settings, FormatGccLine);
}
