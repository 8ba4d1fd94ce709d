// Reading the captured toolchain output as a stream of logical lines, in one
// buffer, whatever the size of the log.
//
// Two layers: a ByteBuffer (byte_buffer.h) holds the bytes, filled at its
// end and consumed from its front; the LineReader finds the lines in it,
// joins, takes excerpts and passes over the lines that cannot matter. Every
// place the reader keeps is a position of the ByteBuffer, which a roll does
// not change. What must stay held is the line handed out last (a caller may
// still take its excerpt) and what follows it: the reader consumes up to it
// at the start of each Next. A line that cannot matter (its first bytes
// cannot begin a diagnostic) is never held: its bytes are passed over as they
// stream, so a log of one endless line runs in constant memory.
//
// Text-mode rules are ours on every platform, so that a log reads the same
// everywhere. The classic reading keeps those of the C runtime's text mode: a
// CR directly before an LF belongs to the line end, any other CR stays in the
// line; a byte 0x1A ends the input, and nothing after the read that delivered
// it is read. The sound reading takes the lines as a terminal shows them: a
// run of CRs ends a line, together with the LF after it if there is one (a
// progress meter's lone CR separates lines; CR LF and CR CR LF are one line
// end); a byte 0x1A ends the log only when nothing but line ends and 0x1A
// follow it, else it is an ordinary byte; a byte order mark (EF BB BF) that
// opens any line is skipped, so that logs written one after another read as
// one. A log that starts with a UTF-8 byte order mark is read without it in
// both; one that starts with a UTF-16 mark (what Windows PowerShell 5.1's ">"
// writes) is read as the UTF-8 text it holds.
//
// Reads take what the input has now: a pipe's complete lines are handed out
// before the next read waits for more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "input/byte_buffer.h"
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
  // The sound reading of line ends, 0x1A and byte order marks (above)
  // instead of the classic one.
  bool soundReading = false;
  // Every logical line is handed out, with its raw bytes; none is passed
  // over, whatever mayMatter and openingBytes say.
  bool everyLine = false;
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
// as an editor counts. The views stay valid until the next call of Next.
struct ReadLine {
  std::string_view text;
  std::uint64_t number = 0;
  // With ReadingRules::everyLine: the bytes of the physical lines the line
  // took, line ends included (both lines of a joined line; a line that a
  // lone CR ended, up to and with that CR). Of a UTF-16 log, its UTF-8 text.
  std::string_view raw;
  // How many bytes at the start of `raw` end the line before: the LF of a
  // CR LF that a read split, which goes out only after that line's own CR.
  std::size_t rawLead = 0;
};

// Where the reader's text comes from: the input or bytes in memory, read in
// blocks, turned into UTF-8 when the log is UTF-16, and cut where a byte 0x1A
// ends the log.
class TextSource {
 public:
  TextSource(InputFile* input, std::string_view bytes, std::size_t blockSize, bool sound);
  // Puts the next text at the buffer's end; false when no more will come.
  bool ReadInto(ByteBuffer& buffer);
  bool AtEnd() const { return atEnd_; }
  bool Failed() const { return failed_; }
  // The room a read needs at the buffer's end.
  std::size_t RoomWanted() const;

 private:
  enum class Encoding : std::uint8_t { kUndecided, kBytes, kUtf16Le, kUtf16Be };
  std::size_t ReadRaw(char* to, std::size_t size);
  void Decide(ByteBuffer& buffer);
  void Decode(ByteBuffer& buffer);
  void Added(ByteBuffer& buffer, ByteBuffer::Pos from);

  InputFile* input_;
  std::string_view bytes_;  // what is left of the bytes read from memory
  std::size_t blockSize_;
  Encoding encoding_ = Encoding::kUndecided;
  bool sound_;
  bool atEnd_ = false;     // no more bytes will come
  bool failed_ = false;    // a read failed
  std::string raw_;        // a block as read, before it is decoded
  std::string undecoded_;  // UTF-16 bytes not yet turned into text
  // Sound reading: the text's last bytes when they are a 0x1A and nothing
  // but line ends and 0x1A; held back until what follows tells whether they
  // end the log.
  std::string held_;
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
  bool ReadFailed() const { return source_.Failed(); }

 private:
  using Pos = ByteBuffer::Pos;
  enum class Held : std::uint8_t { kWhole, kLast, kNotNeeded, kNone, kNotYet };
  enum class Purpose : std::uint8_t { kFirst, kContinuation, kExcerpt };
  // One physical line: where its bytes start, where it begins after what is
  // left of the line end before it, where its text starts (after a byte
  // order mark) and ends, and where the next line starts; crOpen: the CRs
  // that end it reach the end of the text read so far.
  struct Span {
    Pos start = 0;
    Pos begin = 0;
    Pos text = 0;
    Pos textEnd = 0;
    Pos next = 0;
    bool crOpen = false;
  };
  // The join marker begins nowhere in [from, next): next is the next place
  // it begins (found), or where the search ended.
  struct MarkerPlace {
    bool known = false;
    bool found = false;
    Pos from = 0;
    Pos next = 0;
  };
  struct Excerpt {
    bool ready = false;
    bool taken = false;
    bool last = false;  // the log ends with it
    Pos text = 0;
    Span span;
  };

  bool Settle(Pos& from);
  Held FindEnd(Pos from, Pos searched, Span& span) const;
  void Advance(const Span& span);
  Pos TextStart(Pos from, Pos textEnd) const;
  Held HoldLine(Purpose purpose, Span& span);
  bool Needed(Purpose purpose, Pos from) const;
  void PassOverQuickly();
  void PassOverClassic(const bool* opening);
  void PassOver();
  void EveryLine();
  bool SkipLine(std::string_view watch, bool& held);
  bool HandOut(Held first, const Span& span, ReadLine& line);
  bool Join(const Span& first, std::uint64_t number, bool matters, ReadLine& line);
  void PrepareExcerpt();
  // Whether [start, end) holds the join marker; most lines are told by the
  // place of the marker found last, without a search.
  bool HoldsJoinMarker(Pos start, Pos end) {
    if (marker_.known && start >= marker_.from && end < marker_.next + rules_.joinMarker.size()) {
      return false;
    }
    return SearchJoinMarker(start, end);
  }
  bool SearchJoinMarker(Pos start, Pos end);
  bool ReadMore() { return source_.ReadInto(buffer_); }

  ReadingRules rules_;
  ByteBuffer buffer_;
  TextSource source_;
  Pos scan_ = 0;              // where the next physical line starts
  bool afterCr_ = false;      // CRs that end the line before may go on at scan_
  std::uint64_t number_ = 1;  // the number of the physical line at scan_
  Excerpt excerpt_;           // the excerpt after the line handed out last
  MarkerPlace marker_;
  bool done_ = false;   // the log's last line was taken
  std::string joined_;  // a joined line not joined in place
};
