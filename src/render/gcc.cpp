#include "render/gcc.h"

#include <cstddef>
#include <string_view>

#include "render/render_text.h"
#include "rules/dispatch.h"

namespace {

// Readers of this layout take the file to end at the first colon that a
// number follows, so such a file name cannot lead the line.
bool CanLead(std::string_view file) {
  for (std::size_t colon = file.find(':'); colon != std::string_view::npos;
       colon = file.find(':', colon + 1)) {
    if (colon + 1 < file.size() && IsDigit(file[colon + 1])) return false;
  }
  return !file.empty();
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

void FormatGccLine(const Diagnostic& diagnostic, std::string& output) {
  const bool hasFile = diagnostic.placeholder.empty() && !diagnostic.file.empty();
  const bool located = hasFile && CanLead(diagnostic.file);
  output.clear();
  if (located) {
    AppendLocation(diagnostic, output);
  } else {
    output.append(diagnostic.tool).append(": ");
  }
  output.append(IsError(diagnostic) ? "error: " : "warning: ");
  if (!diagnostic.placeholder.empty()) {
    output.append(diagnostic.placeholder);
  } else {
    if (hasFile && !located) AppendLocationInText(diagnostic, output);
    output.append(Trimmed(diagnostic.text));
  }
  output.append(" [").append(diagnostic.tool).append(" ");
  output.append(diagnostic.severity).append(diagnostic.number).append("]");
  if (diagnostic.placeholder.empty() && !diagnostic.excerpt.empty()) {
    output.append("\n ").append(Trimmed(diagnostic.excerpt));
  }
}

bool ConvertLineGcc(LogLine line, const LineMarkers& markers, std::string& output) {
  return DispatchLineWith(line, markers, output, FullMatch, FormatGccLine);
}
