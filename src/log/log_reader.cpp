#include "log/log_reader.h"

#include "log/byte_masks.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>

namespace {

constexpr char kCtrlZ = '\x1A';
constexpr std::size_t kReadChunk = std::size_t{1} << 20;
constexpr std::string_view kLicence = "No valid license found";

std::uint64_t LowestBit(std::uint64_t bits) { return bits & (~bits + 1); }

std::size_t BitIndex(std::uint64_t bits) { return static_cast<std::size_t>(std::countr_zero(bits)); }

// Records the markers behind the 't'-then-'c' pairs in `pairs` and the
// licence notices starting at the 'N's in `capitals`, for the chunk at
// `chunk`. Marker letters before `lineStart` belong to another line.
void AddMarkers(std::string_view text, std::size_t lineStart, std::size_t chunk, std::uint64_t pairs,
                std::uint64_t capitals, LineMarkers& markers) {
  const char* const base = text.data();
  for (; pairs != 0; pairs &= pairs - 1) {
    const std::size_t t = chunk + BitIndex(pairs);
    if (t == lineStart) continue;
    const char before = base[t - 1];
    if (before == 'c') markers.ctc = true;
    if (before == 'l') markers.ltc = true;
    if (before == 'p' && t - 1 > lineStart && base[t - 2] == 'c') markers.cptc = true;
  }
  for (; capitals != 0; capitals &= capitals - 1) {
    const std::size_t at = chunk + BitIndex(capitals);
    if (text.substr(at, kLicence.size()) == kLicence) markers.licence = true;
  }
}

// The 't's of a chunk that a 'c' follows; the 'c' after the last byte stands
// in the next chunk.
std::uint64_t TcPairs(std::string_view text, std::size_t chunk, const ByteMasks& masks) {
  const bool nextIsC = chunk + 64 < text.size() && text[chunk + 64] == 'c';
  return masks.t & ((masks.c >> 1) | (nextIsC ? std::uint64_t{1} << 63 : 0));
}

// Masks of the chunk at `chunk`, a multiple of 64, computed once.
void MaskChunk(LineQueue& queue, std::size_t chunk) {
  if (queue.maskedChunk == chunk) return;
  queue.masks = MaskBytes(queue.text.data() + chunk, queue.text.size() - chunk);
  queue.pairs = TcPairs(queue.text, chunk, queue.masks);
  queue.maskedChunk = chunk;
}

constexpr std::size_t ChunkOf(std::size_t position) { return position & ~std::size_t{63}; }

// The bits of a chunk from `position` on.
constexpr std::uint64_t From(std::size_t position, std::size_t chunk) {
  return position > chunk ? ~std::uint64_t{0} << (position - chunk) : ~std::uint64_t{0};
}

struct PhysicalLine {
  std::size_t start = 0;
  std::size_t end = 0;                     // content ends here, before CR LF or LF
  std::size_t next = LineQueue::kDrained;  // start of the following line
  LineMarkers markers;
};

PhysicalLine ScanLine(LineQueue& queue, std::size_t start) {
  const std::string_view text = queue.text;
  PhysicalLine line;
  line.start = start;
  line.end = text.size();
  for (std::size_t chunk = ChunkOf(start); chunk < text.size(); chunk += 64) {
    MaskChunk(queue, chunk);
    const std::uint64_t from = From(start, chunk);
    const std::uint64_t lf = queue.masks.lf & from;
    // Only what stands before the line's LF counts.
    const std::uint64_t mine = from & (lf != 0 ? LowestBit(lf) - 1 : ~std::uint64_t{0});
    AddMarkers(text, start, chunk, queue.pairs & mine, queue.masks.n & mine, line.markers);
    if (lf != 0) {
      const std::size_t at = chunk + BitIndex(lf);
      line.next = at + 1;
      line.end = at > start && text[at - 1] == '\r' ? at - 1 : at;
      break;
    }
  }
  return line;
}

// Moves the front past every line that holds neither a 't' followed by 'c'
// nor an 'N': no marker can stand in them. Those lines hold no "cptc" either,
// so none of them takes a continuation and each starts a logical line.
void SkipUnmarkedLines(LineQueue& queue) {
  const std::size_t size = queue.text.size();
  std::size_t lineStart = queue.front;
  for (std::size_t chunk = ChunkOf(queue.front); chunk < size; chunk += 64) {
    MaskChunk(queue, chunk);
    const std::uint64_t from = From(queue.front, chunk);
    const std::uint64_t candidates = (queue.pairs | queue.masks.n) & from;
    std::uint64_t lf = queue.masks.lf & from;
    if (candidates != 0) lf &= LowestBit(candidates) - 1;
    if (lf != 0) lineStart = chunk + 64 - static_cast<std::size_t>(std::countl_zero(lf));
    if (candidates != 0) {
      queue.front = lineStart;
      return;
    }
  }
  // No marker in the rest of the text. The last line is taken, so the
  // queue is drained.
  queue.front = LineQueue::kDrained;
}

}  // namespace

LineMarkers FindMarkers(std::string_view line) {
  LineMarkers markers;
  for (std::size_t chunk = 0; chunk < line.size(); chunk += 64) {
    const ByteMasks masks = MaskBytes(line.data() + chunk, line.size() - chunk);
    AddMarkers(line, 0, chunk, TcPairs(line, chunk, masks), masks.n, markers);
  }
  return markers;
}

InputFile OpenInputFile(const std::string& path) {
  InputFile input;
  std::error_code error;
  // A directory cannot be opened as a file on Windows; treat it alike here.
  if (std::filesystem::is_directory(path, error)) return input;
  input.handle.reset(std::fopen(path.c_str(), "rb"));
  if (input.handle) {
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error) input.sizeHint = size;
  }
  return input;
}

bool IsOpen(const InputFile& input) { return input.handle != nullptr; }

namespace {

// Hands `size` bytes of `storage` to the queue; a 0x1A ends the input.
void TakeText(std::unique_ptr<char[]> storage, std::size_t size, LineQueue& queue) {
  queue.storage = std::move(storage);
  queue.bytes = queue.storage.get();
  queue.text = std::string_view(queue.bytes, size);
  if (const std::size_t stop = queue.text.find(kCtrlZ); stop != std::string_view::npos) {
    queue.text = queue.text.substr(0, stop);
  }
  queue.joined.clear();
  queue.maskedChunk = LineQueue::kDrained;
  queue.front = 0;
}

}  // namespace

bool ReadLogFile(InputFile& input, LineQueue& queue) {
  queue.storage.reset();
  queue.text = {};
  queue.front = LineQueue::kDrained;
  if (!IsOpen(input)) return false;

  // Sized from the file's size, so that a regular file is read in one call
  // into memory that is not cleared first; a file that grows meanwhile, or
  // one of unknown size, makes the buffer double.
  std::size_t capacity = kReadChunk;
  if (input.sizeHint > 0 && input.sizeHint < std::numeric_limits<std::size_t>::max() / 2) {
    capacity = static_cast<std::size_t>(input.sizeHint) + 1;
  }
  auto buffer = std::make_unique_for_overwrite<char[]>(capacity);
  std::size_t used = 0;
  std::FILE* file = input.handle.get();
  for (;;) {
    if (used == capacity) {
      auto bigger = std::make_unique_for_overwrite<char[]>(capacity * 2);
      std::memcpy(bigger.get(), buffer.get(), used);
      buffer = std::move(bigger);
      capacity *= 2;
    }
    const std::size_t wanted = capacity - used;
    const std::size_t got = std::fread(buffer.get() + used, 1, wanted, file);
    used += got;
    if (got == wanted) continue;
    if (std::ferror(file)) input.readFailed = true;
    break;
  }
  input.handle.reset();
  TakeText(std::move(buffer), used, queue);
  return HasLines(queue);
}

void BuildLineQueue(std::string bytes, LineQueue& queue) {
  auto storage = std::make_unique_for_overwrite<char[]>(bytes.size() + 1);
  std::memcpy(storage.get(), bytes.data(), bytes.size());
  TakeText(std::move(storage), bytes.size(), queue);
}

bool HasLines(const LineQueue& queue) { return queue.front <= queue.text.size(); }

bool PopLine(LineQueue& queue, LogLine& line, LineMarkers& markers) {
  if (!HasLines(queue)) return false;
  const std::string_view text = queue.text;
  const PhysicalLine first = ScanLine(queue, queue.front);
  if (!first.markers.cptc) {
    line = LogLine(text.data() + first.start, first.end - first.start);
    markers = first.markers;
    queue.front = first.next;
    return true;
  }

  // A "cptc" line takes the next physical line as its continuation, which is
  // not tested for "cptc" itself; at the end of the text it is empty.
  PhysicalLine second;
  if (first.next != LineQueue::kDrained) second = ScanLine(queue, first.next);
  queue.front = second.next;
  if (first.next == first.end + 1) {
    // A plain LF: the blank takes its place and the line stays where it is.
    queue.bytes[first.end] = ' ';
    line = LogLine(text.data() + first.start, second.end - first.start);
  } else {
    queue.joined.assign(text.substr(first.start, first.end - first.start));
    queue.joined += ' ';
    queue.joined.append(text.substr(second.start, second.end - second.start));
    line = queue.joined;
  }
  markers = first.markers;
  markers.ctc |= second.markers.ctc;
  markers.ltc |= second.markers.ltc;
  markers.cptc |= second.markers.cptc;
  markers.licence |= second.markers.licence;
  if (!markers.licence) {
    // The licence notice holds blanks, so it may stand across the joining one.
    const std::size_t join = first.end - first.start;
    const std::size_t from = join >= kLicence.size() ? join - kLicence.size() + 1 : 0;
    markers.licence = line.substr(from, 2 * kLicence.size()).find(kLicence) != std::string_view::npos;
  }
  return true;
}

bool PopLine(LineQueue& queue, LogLine& line) {
  LineMarkers markers;
  return PopLine(queue, line, markers);
}

bool PopMarkedLine(LineQueue& queue, LogLine& line, LineMarkers& markers) {
  for (;;) {
    if (HasLines(queue)) SkipUnmarkedLines(queue);
    if (!PopLine(queue, line, markers)) return false;
    if (markers.Any()) return true;
  }
}

std::vector<std::size_t> LogicalLineCuts(const LineQueue& queue, std::size_t partSize) {
  const std::string_view text = queue.text;
  std::vector<std::size_t> cuts{0};
  partSize = std::max<std::size_t>(partSize, 1);
  while (text.size() - cuts.back() > partSize) {
    // From the physical line in which the part reaches its size on, the
    // first line without "cptc" ends it: a line with it takes the next as its
    // continuation, and a continuation is never joined further.
    std::size_t start = text.rfind('\n', cuts.back() + partSize - 1);
    start = start == std::string_view::npos || start < cuts.back() ? cuts.back() : start + 1;
    std::size_t cut = std::string_view::npos;
    while (start < text.size()) {
      const std::size_t lf = text.find('\n', start);
      if (lf == std::string_view::npos) break;
      if (text.substr(start, lf - start).find("cptc") == std::string_view::npos) {
        cut = lf + 1;
        break;
      }
      start = lf + 1;
    }
    if (cut == std::string_view::npos || cut >= text.size()) break;
    cuts.push_back(cut);
  }
  cuts.push_back(text.size());
  return cuts;
}

LineQueue PartOf(const LineQueue& whole, std::size_t begin, std::size_t end) {
  LineQueue part;
  part.bytes = whole.bytes + begin;
  part.text = std::string_view(part.bytes, end - begin);
  part.front = 0;
  return part;
}
