#include "layouts/utf8_text.h"

std::size_t Utf8SequenceLength(std::string_view text, std::size_t at, std::size_t& bad) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    bad = 1;
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    const bool fits = at + i < text.size() && (i == 1 ? byte(i) >= low && byte(i) <= high
                                                      : byte(i) >= 0x80 && byte(i) <= 0xBF);
    if (!fits) {
      bad = i;
      return 0;
    }
  }
  return length;
}

void AppendEscapedUtf8(std::string_view text, std::span<const ByteEscape> escapes,
                       std::string& output) {
  std::size_t plain = 0;  // start of the run not yet copied
  for (std::size_t at = 0; at < text.size();) {
    const char c = text[at];
    if (static_cast<unsigned char>(c) >= 0x80) {
      std::size_t bad = 0;
      const std::size_t length = Utf8SequenceLength(text, at, bad);
      if (length != 0) {
        at += length;
        continue;
      }
      output.append(text, plain, at - plain).append(kReplacementCharacter);
      plain = at += bad;
      continue;
    }
    const ByteEscape* escape = nullptr;
    for (const ByteEscape& e : escapes) {
      if (e.byte == c) escape = &e;
    }
    if (escape == nullptr) {
      ++at;
      continue;
    }
    output.append(text, plain, at - plain).append(escape->escape);
    plain = ++at;
  }
  output.append(text, plain, text.size() - plain);
}
