// Reading the captured toolchain output as a stream of logical lines, in one
// buffer, whatever the size of the log.
//
// The buffer holds the bytes read and not yet passed over; three indices
// into it, with these invariants:
//   keep_ <= scan_ <= end_ <= capacity_;
//   [keep_, end_) is text that must stay: the line handed out last (a
//     caller may still take its excerpt) and what follows it;
//   scan_ is where the next physical line starts;
//   end_ is the end of the text read so far.
// Before a read, [keep_, end_) is rolled to the front of the buffer; the
// buffer grows only when what must stay and a block do not fit, that is for
// a line about as long as the buffer. A line that cannot matter (its first
// bytes cannot begin a diagnostic) is never held: its bytes are passed over
// as they stream, so a log of one endless line runs in constant memory.
//
// Text-mode rules are ours on every platform, so that a log reads the same
// everywhere: a CR directly before an LF belongs to the line end (every such
// CR when the rules say so), any other CR stays in the line; a byte 0x1A ends
// the input, and nothing after the read that delivered it is read. A log that
// starts with a UTF-8 byte order mark is read without it; one that starts
// with a UTF-16 mark (what Windows PowerShell 5.1's ">" writes) is read as
// the UTF-8 text it holds.
//
// Reads take what the input has now: a pipe's complete lines are handed out
// before the next read waits for more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "input/input_file.h"

// A test of a line's opening that keeps state of its own, what it learnt of
// earlier lines: a function and that state, which the copies of one
// ReadingRules share. nullptr: no test.
struct LineTest {
  bool (*test)(void* state, std::string_view prefix) = nullptr;
  std::shared_ptr<void> state;

  LineTest() = default;
  LineTest(std::nullptr_t) {}  // "= nullptr": no test
  bool operator()(std::string_view prefix) const { return test(state.get(), prefix); }
  bool operator==(std::nullptr_t) const { return test == nullptr; }
};

// What the reader needs to know of the rules.
struct ReadingRules {
  // A physical line that holds this text anywhere takes the next one as its
  // continuation, joined by one blank; the continuation is not itself
  // tested. Empty: no line does.
  std::string_view joinMarker;
  // Every CR directly before a line's LF belongs to the line end, so that a
  // CR LF log converted twice (CR CR LF) reads like a CR LF one.
  bool allCarriageReturns = false;
  // Whether a logical line that starts with `prefix` can still matter. A line
  // that cannot is passed over; nullptr: every line matters.
  LineTest mayMatter;
  // The 256 bytes, true for those that can open a line that matters; a line
  // that opens with another byte is passed over at once. nullptr: any byte.
  const bool* openingBytes = nullptr;
  // A line that opens with this word and white space may be followed by its
  // source excerpt, which the reader then has at hand (TakeExcerpt).
  std::string_view excerptLead;
  // Where the excerpt's text starts in a physical line; see ExcerptTextStart
  // in rules/recognize.h for the two special values.
  std::size_t (*excerptTextStart)(std::string_view line, bool whole) = nullptr;
};

// One logical line and the number of its first physical line, counted from 1
// as an editor counts. The text stays valid until the next call of Next.
struct ReadLine {
  std::string_view text;
  std::uint64_t number = 0;
};

class LineReader {
 public:
  static constexpr std::size_t kBlockSize = std::size_t{1} << 20;

  // Reads `input` (which may be not open: then the log has no lines) and
  // closes it once it is read to its end.
  LineReader(InputFile& input, const ReadingRules& rules, std::size_t blockSize = kBlockSize);
  // Reads `bytes` as if they were a file's, in blocks of `blockSize`.
  LineReader(std::string_view bytes, const ReadingRules& rules, std::size_t blockSize = kBlockSize);
  // The reader keeps a view of the bytes: a temporary would be gone.
  LineReader(std::string&& bytes, const ReadingRules& rules,
             std::size_t blockSize = kBlockSize) = delete;
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Takes the next logical line that may matter; false at the end of the log.
  // An open log always has a last line, empty when it ends in a line end. The
  // unfinished last line of a log cut by a read error is not handed out.
  // Throws std::bad_alloc when the buffer cannot grow.
  bool Next(ReadLine& line);

  // When the physical line after the one Next handed out is a source excerpt
  // and that line opened with rules.excerptLead, takes it: the excerpt's text
  // stays valid until the next call of Next.
  bool TakeExcerpt(std::string_view& excerpt);

  // Whether a read failed for another reason than the end of the input.
  bool ReadFailed() const { return failed_; }

 private:
  enum class Held : std::uint8_t { kWhole, kLast, kNotNeeded, kNone };
  enum class Purpose : std::uint8_t { kFirst, kContinuation, kExcerpt };
  enum class Encoding : std::uint8_t { kUndecided, kBytes, kUtf16Le, kUtf16Be };

  Held HoldLine(Purpose purpose);
  bool Needed(Purpose purpose) const;
  bool SkipLine(std::string_view watch, bool& held);
  void PrepareExcerpt();
  // Whether [start, end) holds the join marker; most lines are told by the
  // place of the marker found last, without a search.
  bool HoldsJoinMarker(std::size_t start, std::size_t end) {
    if (markerKnown_ && start >= markerFrom_ && end < markerNext_ + rules_.joinMarker.size()) {
      return false;
    }
    return SearchJoinMarker(start, end);
  }
  bool SearchJoinMarker(std::size_t start, std::size_t end);
  std::size_t NextLineFeed(std::size_t from);
  std::size_t ContentEnd(std::size_t start, std::size_t lf) const;
  std::string_view Text(std::size_t from, std::size_t to) const;

  bool ReadMore();
  std::size_t ReadRaw(char* to, std::size_t size);
  void Decide();
  void Decode();
  void StopAtCtrlZ(std::size_t from);
  std::size_t RoomWanted() const;
  bool WouldGrow() const;
  void MakeRoom(std::size_t wanted);

  InputFile* input_ = nullptr;
  std::string_view bytes_;  // what is left of the bytes read from memory
  ReadingRules rules_;
  std::size_t blockSize_;

  char* buffer_ = nullptr;
  std::size_t capacity_ = 0;
  std::size_t keep_ = 0;
  std::size_t scan_ = 0;
  std::size_t end_ = 0;
  std::uint64_t number_ = 1;  // the number of the physical line at scan_

  // HoldLine's result: where the line's text ends and the next line starts.
  std::size_t lineEnd_ = 0;
  std::size_t next_ = 0;
  // The line handed out last.
  std::size_t outStart_ = 0;
  std::size_t outEnd_ = 0;
  // The excerpt after it, when there is one.
  bool excerptReady_ = false;
  bool excerptLast_ = false;
  std::size_t excerptText_ = 0;
  std::size_t excerptEnd_ = 0;
  std::size_t excerptNext_ = 0;

  // The join marker begins nowhere in [markerFrom_, markerNext_): markerNext_
  // is the next place it begins (markerFound_), or where the search ended.
  bool markerKnown_ = false;
  bool markerFound_ = false;
  std::size_t markerFrom_ = 0;
  std::size_t markerNext_ = 0;

  bool atEnd_ = false;   // no more bytes will come
  bool failed_ = false;  // a read failed
  bool done_ = false;    // the log's last line was taken
  std::string joined_;   // a joined line that the log's end cut short
  Encoding encoding_ = Encoding::kUndecided;
  std::string raw_;        // a block as read, before it is decoded
  std::string undecoded_;  // UTF-16 bytes not yet turned into text
};
