// The first location is the location: in every opt-in layout a diagnostic
// stands at the first ["file" line/column] or ["file" line] after its code,
// and a location quoted later in its text stays text. A file name may hold
// quotes, brackets and digits, but never '" <digits>]' or '" <digits>/'.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "pipeline.h"
#include "pipeline_reference.h"

namespace {

struct Case {
  const char* what;
  std::string line;
  // The record the line must give; no file: no location.
  std::string tool, severity, number, file, line_, column, text;
};

const Case kCases[] = {
    {"a location quoted in the text",
     R"(cptc E0124: ["..\bsw\io.cpp" 7582] see ["other.c" 5/6] for the first one)", "cptc", "E",
     "0124", R"(..\bsw\io.cpp)", "7582", "", R"(see ["other.c" 5/6] for the first one)"},
    {"a column, then locations of both forms",
     R"(ctc W1: ["a.c" 1/2] see ["b.c" 3] and ["c.c" 4/5])", "ctc", "W", "1", "a.c", "1", "2",
     R"(see ["b.c" 3] and ["c.c" 4/5])"},
    {"quotes in the name", R"(ctc E2: ["say "hi".c" 3/4] x)", "ctc", "E", "2", R"(say "hi".c)", "3",
     "4", "x"},
    {"brackets, a slash and digits in the name", R"(ctc E2: ["v2] 7/8 [x].c" 9/1] y)", "ctc", "E",
     "2", "v2] 7/8 [x].c", "9", "1", "y"},
    {"a quote and digits in the name that end no location", R"(xtc I5: ["a" 12 b.c" 3] z)", "xtc",
     "I", "5", R"(a" 12 b.c)", "3", "", "z"},
    {"a name of digits", R"(ltc E3: ["123" 45] text ["6" 7/8])", "ltc", "E", "3", "123", "45", "",
     R"(text ["6" 7/8])"},
    {"a first bracket that is no location: none at all", R"(ctc W1: ["a" 5/x] t ["b" 3] y)", "ctc",
     "W", "1", "", "", "", R"(["a" 5/x] t ["b" 3] y)"},
};

// The text as matched: after a location, with the blank before it.
std::string Matched(const Case& c) { return (c.file.empty() ? "" : " ") + c.text; }

// The record of a case as the recognition should make it.
Diagnostic Expected(const Case& c, const std::string& text) {
  Diagnostic d;
  d.tool = c.tool;
  d.severity = c.severity;
  d.number = c.number;
  d.file = c.file;
  d.line = c.line_;
  d.column = c.column;
  d.text = text;
  return d;
}

TEST(Locations, TheFirstLocationIsTheLocationInEveryOptInLayout) {
  int layouts = 0;
  for (const LayoutEntry& entry : Layouts()) {
    if (entry.recognition != Recognition::kSound) continue;
    ++layouts;
    for (const Case& c : kCases) {
      const std::string text = Matched(c);
      std::vector<std::string> pieces = ConvertedPieces(c.line + "\n", entry);
      if (entry.document) pieces = {pieces.begin() + 1, pieces.end() - 1};
      std::string expected;
      entry.make({"build.log"})->Write(Expected(c, text), {"build.log", 1}, expected);
      EXPECT_EQ(pieces, std::vector<std::string>{expected}) << entry.name << ": " << c.what;
    }
  }
  EXPECT_GE(layouts, 2);
  for (const Case& c : kCases) {
    std::vector<std::string> fields;
    ForEachDiagnostic(c.line, Recognition::kSound, [&](const Diagnostic& d, std::uint64_t) {
      fields = {std::string(d.file), std::string(d.line), std::string(d.column),
                std::string(d.text)};
    });
    EXPECT_EQ(fields, (std::vector<std::string>{c.file, c.line_, c.column, Matched(c)})) << c.what;
    EXPECT_EQ(SoundDiagnostics(c.line, 5), ReferenceSoundDiagnostics(c.line)) << c.what;
  }
}

}  // namespace
