#include "input/utf16.h"

#include <cstdint>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

char* PutUtf8(char32_t c, char* to) {
  if (c < 0x80) {
    *to++ = static_cast<char>(c);
  } else if (c < 0x800) {
    *to++ = static_cast<char>(0xC0 | (c >> 6));
    *to++ = static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *to++ = static_cast<char>(0xE0 | (c >> 12));
    *to++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *to++ = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *to++ = static_cast<char>(0xF0 | (c >> 18));
    *to++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *to++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *to++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return to;
}

bool IsHigh(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::size_t Utf16ToUtf8(std::string_view units, bool bigEndian, bool atEnd, char* to,
                        std::size_t& written) {
  const auto unitAt = [&](std::size_t at) {
    const auto first = static_cast<unsigned char>(units[at]);
    const auto second = static_cast<unsigned char>(units[at + 1]);
    return static_cast<char32_t>(bigEndian ? first << 8 | second : second << 8 | first);
  };
  char* const start = to;
  std::size_t at = 0;
  for (; at + 2 <= units.size(); at += 2) {
    const char32_t unit = unitAt(at);
    if (IsHigh(unit)) {
      if (at + 4 > units.size() && !atEnd) break;  // its partner may come next
      if (at + 4 <= units.size() && IsLow(unitAt(at + 2))) {
        to = PutUtf8(0x10000 + ((unit - 0xD800) << 10) + (unitAt(at + 2) - 0xDC00), to);
        at += 2;
        continue;
      }
    }
    to = PutUtf8(IsHigh(unit) || IsLow(unit) ? kReplacement : unit, to);
  }
  if (atEnd && at < units.size()) {
    to = PutUtf8(kReplacement, to);  // an odd byte at the end
    at = units.size();
  }
  written = static_cast<std::size_t>(to - start);
  return at;
}
