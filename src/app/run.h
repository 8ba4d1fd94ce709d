// The one pass over the log: each line the reader hands out is recognised
// and, when it is a diagnostic, written by the layout, in file order.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "input/input_file.h"
#include "input/line_reader.h"
#include "layouts/layout.h"
#include "output/console.h"

// How the reader must read for a recognition: its joining, its line ends,
// and which lines it may pass over unseen.
// With `everyLine` no line is passed over, for --Echo.
ReadingRules ReadingRulesFor(Recognition recognition, bool everyLine = false);

// Takes each piece of text the layout makes, without a line end; false when
// nobody takes text any more, which ends the run.
using TextWriter = std::function<bool(std::string_view text)>;

struct RunOutcome {
  bool readerGone = false;    // `write` refused text
  bool inputComplete = true;  // the log was read to its end
  // The diagnostics handed to `write` (and those counted after it refused
  // text), by severity: errors (fatal ones included), warnings, information
  // messages.
  std::uint64_t errors = 0;
  std::uint64_t warnings = 0;
  std::uint64_t notes = 0;
};

// Whether the log failed its first read: nothing of it was read at all.
bool UnreadFromItsStart(const InputFile& input, const RunOutcome& outcome);

// Asked once `write` has refused text: true to read the rest of the log all
// the same, counting its diagnostics without writing them (a reader of the
// output that went away while the exit code or the summary speaks of the
// whole log); false, or none given, ends the run there.
using CountsOn = std::function<bool()>;

// With `counting` (--FailOn, --Summary), counts on when the reader of
// `output` went away; a failed write ends the run at once, since its exit
// code says so whatever the rest holds.
CountsOn CountAfterReaderGone(const LineOutput& output, bool counting);

// Converts the log that `reader` reads with the layout `layout`, which the
// entry `entry` made, and hands its text to `write`: the layout's opening,
// one piece per diagnostic, its end. `inputOpened` false: the log could not
// be opened, which the layout's end tells. `echo` (--Echo; the reader reads
// every line) takes the raw bytes of every line that is no diagnostic, in
// order with the diagnostics.
RunOutcome ConvertLog(LineReader& reader, const LayoutEntry& entry, Layout& layout,
                      std::string_view log, const TextWriter& write, bool inputOpened = true,
                      const CountsOn& countsOn = nullptr, const TextWriter& echo = nullptr);
