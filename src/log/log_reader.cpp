#include "log/log_reader.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

constexpr char kCtrlZ = '\x1A';
constexpr std::size_t kReadChunk = std::size_t{1} << 20;

// Drops every CR that directly precedes an LF, in place, in one pass.
void FoldCrLf(std::string& text) {
  const char* src = text.data();
  const char* const end = src + text.size();
  const char* cr = static_cast<const char*>(std::memchr(src, '\r', text.size()));
  if (cr == nullptr) return;
  char* dst = text.data() + (cr - src);
  src = cr;
  while (src < end) {
    // Copy the stretch up to the next CR, then decide about that CR.
    const char* next =
        static_cast<const char*>(std::memchr(src + 1, '\r', static_cast<std::size_t>(end - src - 1)));
    if (next == nullptr) next = end;
    // `src` points at a CR here.
    const bool beforeLf = src + 1 < end && src[1] == '\n';
    const char* copyFrom = beforeLf ? src + 1 : src;
    const std::size_t count = static_cast<std::size_t>(next - copyFrom);
    std::memmove(dst, copyFrom, count);
    dst += count;
    src = next;
  }
  text.resize(static_cast<std::size_t>(dst - text.data()));
}

// Position of the next "cptc" at or after `from`, or npos. The search looks
// for the rarer 'p' rather than for 'c', with which most text abounds.
std::size_t FindJoinMarker(const std::string& text, std::size_t from) {
  const char* const base = text.data();
  const std::size_t size = text.size();
  std::size_t at = from + 1;  // the 'p' stands one after the marker's start
  while (at + 2 < size) {
    const void* p = std::memchr(base + at, 'p', size - 2 - at);
    if (p == nullptr) break;
    at = static_cast<std::size_t>(static_cast<const char*>(p) - base);
    if (base[at - 1] == 'c' && base[at + 1] == 't' && base[at + 2] == 'c') return at - 1;
    ++at;
  }
  return std::string::npos;
}

}  // namespace

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

bool ReadLogFile(InputFile& input, LineQueue& queue) {
  queue.text.clear();
  queue.front = LineQueue::kDrained;
  if (!IsOpen(input)) return false;

  std::string bytes;
  // One spare byte for the blank that a final "cptc" line may need.
  if (input.sizeHint > 0 && input.sizeHint < bytes.max_size() - 1) {
    bytes.reserve(static_cast<std::size_t>(input.sizeHint) + 1);
  }
  std::FILE* file = input.handle.get();
  for (;;) {
    const std::size_t room = std::max(kReadChunk, bytes.capacity() - bytes.size());
    const std::size_t used = bytes.size();
    bytes.resize(used + room);
    const std::size_t got = std::fread(bytes.data() + used, 1, room, file);
    bytes.resize(used + got);
    if (got == room) continue;
    if (std::ferror(file)) input.readFailed = true;
    break;
  }
  input.handle.reset();
  BuildLineQueue(std::move(bytes), queue);
  return HasLines(queue);
}

void BuildLineQueue(std::string bytes, LineQueue& queue) {
  queue.text = std::move(bytes);
  std::string& text = queue.text;
  if (const std::size_t stop = text.find(kCtrlZ); stop != std::string::npos) text.resize(stop);
  FoldCrLf(text);

  // Join each line holding "cptc" with the next one. The continuation is not
  // tested itself, so the search resumes after it. The marker never spans an
  // LF, so searching the whole text finds exactly the lines that hold it.
  std::size_t start = 0;
  for (;;) {
    const std::size_t marker = FindJoinMarker(text, start);
    if (marker == std::string::npos) break;
    const std::size_t end = text.find('\n', marker);
    if (end == std::string::npos) {
      // No following line: the continuation is empty.
      text.push_back(' ');
      break;
    }
    text[end] = ' ';
    const std::size_t next = text.find('\n', end + 1);
    if (next == std::string::npos) break;
    start = next + 1;
  }
  queue.front = 0;
}

bool HasLines(const LineQueue& queue) { return queue.front <= queue.text.size(); }

bool PopLine(LineQueue& queue, LogLine& line) {
  if (!HasLines(queue)) return false;
  const std::size_t start = queue.front;
  const std::size_t left = queue.text.size() - start;
  const char* base = queue.text.data() + start;
  const char* lf = static_cast<const char*>(left ? std::memchr(base, '\n', left) : nullptr);
  if (lf == nullptr) {
    line = LogLine(base, left);
    queue.front = LineQueue::kDrained;
  } else {
    line = LogLine(base, static_cast<std::size_t>(lf - base));
    queue.front = start + line.size() + 1;
  }
  return true;
}
