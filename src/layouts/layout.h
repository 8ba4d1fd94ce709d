// The output layouts: one small interface that each implements, and the
// table of them that --Format chooses from. A layout turns diagnostics into
// text; the run writes that text (output/console.h).
//
// Adding a layout is one file pair in this folder and one row in kLayouts
// (layout.cpp).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "rules/diagnostic.h"
#include "rules/rule_table.h"

// Where a diagnostic stands: the log as named on the command line, and the
// number of its first physical line, counted from 1 as an editor counts.
struct LineOrigin {
  std::string_view log;
  std::uint64_t line = 0;
};

// What a layout knows of the run from the start.
struct LayoutSettings {
  std::string_view log;  // the log as named on the command line
  // --SourceRoot, made absolute (AbsoluteSourceRoot); empty: none. The
  // default layout ignores it.
  std::string_view sourceRoot = {};
};

// How the run ended, for a layout that says so in its output.
struct RunEnd {
  bool inputComplete = true;  // the log was read to its end
  bool inputOpened = true;    // false: the log could not be opened, nothing was read
};

class Layout {
 public:
  virtual ~Layout() = default;
  // The text before the first diagnostic; nothing for a layout of lines.
  virtual void Begin(std::string& out) { out.clear(); }
  // One diagnostic's text, written over `out`; it may hold line feeds.
  virtual void Write(const Diagnostic& diagnostic, const LineOrigin& origin, std::string& out) = 0;
  // The text after the last diagnostic; nothing for a layout of lines.
  virtual void End(const RunEnd& end, std::string& out) {
    static_cast<void>(end);
    out.clear();
  }
  // Whether End tells a failed run within the output itself, so that no
  // message needs to follow.
  virtual bool TellsFailure() const { return false; }
};

// What the run does around a layout's text: where its messages go, whether
// a failed write of the output fails the run, and whether a log that cannot
// be opened does. The default layout keeps what it always did for a command
// line of --InputFile and --TypCC alone; any further option written asks for
// the strict policy in every layout.
struct RunPolicy {
  bool messagesOnStandardError = true;  // false: among the output on standard output
  bool failedWritesCount = true;        // false: a failed write is ignored
  bool unopenedLogFails = true;         // false: a log that cannot be opened reads as empty
};
inline constexpr RunPolicy kStrictPolicy{};

struct LayoutEntry {
  std::string_view name;  // as --Format names it
  // How the layout wants the log read and recognised.
  Recognition recognition;
  // The output is one document, which no reader can use before it is whole:
  // written in large blocks, not line by line.
  bool document;
  std::unique_ptr<Layout> (*make)(const LayoutSettings& settings);
  // What --help says of it, at most 60 characters (its line is then 80).
  std::string_view help;
  RunPolicy policy = kStrictPolicy;
};

// A layout of lines that `format` writes, one per diagnostic, knowing nothing
// of --SourceRoot: it is given the diagnostic's file and the log's name as
// the root has them written.
using LineFormat = void (*)(const Diagnostic& diagnostic, const LineOrigin& origin,
                            std::string& output);
std::unique_ptr<Layout> MakeRootedLineLayout(const LayoutSettings& settings, LineFormat format);

// Every layout, the default first.
std::span<const LayoutEntry> Layouts();
// The layout without --Format.
const LayoutEntry& DefaultLayout();
const LayoutEntry* FindLayout(std::string_view name);
