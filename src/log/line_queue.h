// Cutting a run of log bytes into logical lines. Text-mode rules are applied
// by us on every platform, so that a log reads the same everywhere: a CR
// directly before an LF belongs to the line end, any other CR stays in the
// line. A physical line that contains "cptc" is joined with the line after
// it by one blank; in the sound reading only one that begins a C++ compiler
// diagnostic is. (A byte 0x1A ends the input; the reader stops there.)
//
// Lines are views into the bytes, not copies; only a joined line is copied,
// into one reused buffer, so that the bytes stay as read and a part can be
// converted again. Logs run to hundreds of megabytes of short lines, so the
// bytes are scanned 64 bytes at a time for line ends and marker letters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "log/byte_masks.h"
#include "log/markers.h"

// How lines are read and recognised. The output window's layout keeps the
// classic reading, quirks and all; the other layouts read soundly, so that no
// diagnostic is lost to an echoed command line or a file name.
enum class Recognition : std::uint8_t {
  kClassic,  // a line holding "cptc" anywhere takes the next; the last rule tried decides
  kSound,    // only a C++ diagnostic's first line takes the next; any rule that matched decides
};

// Whether the physical line `line` takes the next one as its continuation.
bool TakesContinuation(std::string_view line, Recognition recognition);

// Where a logical line stands: the log as named on the command line, and the
// number of its first physical line, counted from 1 as an editor counts.
struct LineOrigin {
  std::string_view log;
  std::uint64_t line = 0;
};

// One logical line, without its line end. It points into the `LineQueue`
// that produced it, or its bytes, and stays valid until the next line is
// taken from that queue.
using LogLine = std::string_view;

// The logical lines of a run of whole logical lines, taken front to back.
class LineQueue {
 public:
  LineQueue() = default;
  // `text` stays owned by the caller. When it ends the log, a last line
  // follows its last LF (empty if the text ends in one, as a file does);
  // otherwise the text ends with the LF of its last line.
  // `firstLine` is the number of the text's first physical line.
  explicit LineQueue(std::string_view text, bool endsLog = true,
                     Recognition recognition = Recognition::kClassic, std::uint64_t firstLine = 1);

  // True while lines remain to be taken.
  bool HasLines() const;

  // Takes the front line with its markers; false when the queue is drained.
  bool Pop(LogLine& line, LineMarkers& markers);

  // Takes the next line that holds a marker, passing over those that hold
  // none: no message rule can apply to them.
  bool PopMarked(LogLine& line, LineMarkers& markers);

  // The number of the first physical line of the line taken last.
  std::uint64_t LineNumber() const { return taken_; }

 private:
  static constexpr std::size_t kDrained = static_cast<std::size_t>(-1);
  struct PhysicalLine {
    std::size_t start = 0;
    std::size_t end = 0;          // content ends here, before CR LF or LF
    std::size_t next = kDrained;  // start of the following line
    LineMarkers markers;
  };

  void MaskChunk(std::size_t chunk);
  PhysicalLine ScanLine(std::size_t start);
  void SkipUnmarkedLines();

  std::string_view text_;
  std::size_t front_ = kDrained;  // start of the next physical line
  std::size_t end_ = 0;           // lines remain while front_ < end_
  std::string joined_;            // the last joined line
  Recognition recognition_ = Recognition::kClassic;
  std::uint64_t frontLine_ = 1;  // the number of the physical line at front_
  std::uint64_t taken_ = 0;      // the number of the line taken last
  // The masks of the last 64-byte chunk looked at; lines are taken front to
  // back, so a chunk shared by two lines is masked once.
  std::size_t maskedChunk_ = kDrained;
  std::uint64_t lf_ = 0;
  std::uint64_t candidates_ = 0;  // where a marker may stand in that chunk
};
