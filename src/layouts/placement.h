// Where the layouts for CI services (github, azure, codequality) put a
// diagnostic. They carry any file name, escaped, so a diagnostic stands at
// its own file and line whenever it has both; one without (linker lines,
// the licence notice, placeholders, a line number of 0 or past 32 bits)
// stands at the log's own line, its own location leading the text, as SARIF
// places it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "layouts/layout.h"
#include "layouts/source_root.h"
#include "layouts/utf8_text.h"

// The largest line or column the services take: a 32-bit signed integer.
inline constexpr std::uint64_t kMaxPosition = 2147483647;

// Digits as a line or column counted from 1; 0 when they name no position.
std::uint64_t Position(std::string_view digits);

// Whether the digits hold at most kMaxPosition (no digits hold 0).
inline bool FitsPosition(std::string_view digits) {
  return Position(digits) != 0 || digits.find_first_not_of('0') == std::string_view::npos;
}

struct Placement {
  std::string_view file;     // under --SourceRoot relative to it; empty: none
  std::uint64_t line = 0;    // 0: none
  std::uint64_t column = 0;  // 0: none
  bool own = false;          // the diagnostic's own file, not the log
};

// Reusable buffers, so that placing a diagnostic allocates nothing once they
// have grown.
struct PlacementBuffers {
  std::string file;
  std::string message;
};

// Places `diagnostic` and writes its message into `buffers.message`: the
// text, or its placeholder, after "file(line,column) - " when it stands at
// the log. Standard input ("-") is no file: such a diagnostic has none.
Placement Place(const Diagnostic& diagnostic, const LineOrigin& origin, const SourceRoot& root,
                PlacementBuffers& buffers);

// The keys of an annotation's location, each with the separator before it:
// ",file=" for GitHub, ";sourcepath=" for Azure Pipelines.
struct LocationKeys {
  std::string_view file, line, column;
};

// Each part of `at` there is, after its key; the file escaped.
void AppendLocationProperties(const Placement& at, const LocationKeys& keys,
                              std::span<const ByteEscape> escapes, std::string& out);

// The placed message with a C++ diagnostic's excerpt on a line of its own,
// escaped; `buffers.message` is taken for the whole.
void AppendAnnotationText(const Diagnostic& diagnostic, PlacementBuffers& buffers,
                          std::span<const ByteEscape> escapes, std::string& out);
