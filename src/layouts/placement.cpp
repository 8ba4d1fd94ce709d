#include "layouts/placement.h"

#include "layouts/layout_text.h"

std::uint64_t Position(std::string_view digits) {
  std::uint64_t value = 0;
  for (const char c : digits) {
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > kMaxPosition) return 0;
  }
  return value;
}

Placement Place(const Diagnostic& diagnostic, const LineOrigin& origin, const SourceRoot& root,
                PlacementBuffers& buffers) {
  Placement placement;
  const bool hasFile = HasFile(diagnostic);
  std::string_view file;
  if (hasFile) file = root.Written(diagnostic.file, buffers.file);
  const std::uint64_t line = hasFile ? Position(diagnostic.line) : 0;
  buffers.message.clear();
  if (line != 0) {
    placement = {file, line, Position(diagnostic.column), true};
  } else {
    if (hasFile) {
      buffers.message.append(file).append("(").append(diagnostic.line);
      if (!diagnostic.column.empty()) buffers.message.append(",").append(diagnostic.column);
      buffers.message.append(") - ");
    }
    // The file's buffer is free again: its name is in the text now.
    if (origin.log != "-" && !origin.log.empty()) {
      placement.file = root.Written(origin.log, buffers.file);
      placement.line = origin.line <= kMaxPosition ? origin.line : 0;
    }
  }
  AppendMessage(diagnostic, buffers.message);
  return placement;
}

void AppendLocationProperties(const Placement& at, const LocationKeys& keys,
                              std::span<const ByteEscape> escapes, std::string& out) {
  if (!at.file.empty()) {
    out.append(keys.file);
    AppendEscapedUtf8(at.file, escapes, out);
  }
  if (at.line != 0) {
    out.append(keys.line);
    AppendNumber(at.line, out);
  }
  if (at.column != 0) {
    out.append(keys.column);
    AppendNumber(at.column, out);
  }
}

void AppendAnnotationText(const Diagnostic& diagnostic, PlacementBuffers& buffers,
                          std::span<const ByteEscape> escapes, std::string& out) {
  const std::string_view excerpt = Trimmed(diagnostic.excerpt);
  if (!diagnostic.placeholder && !excerpt.empty()) buffers.message.append("\n").append(excerpt);
  AppendEscapedUtf8(buffers.message, escapes, out);
}
