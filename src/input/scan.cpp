#include "input/scan.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define QUONVEL_HAVE_SSE2 1
#endif

const char* FindByte(const char* from, const char* to, char byte) {
  if (from >= to) return to;
  const void* found = std::memchr(from, byte, static_cast<std::size_t>(to - from));
  return found == nullptr ? to : static_cast<const char*>(found);
}

const char* FindLineEnd(const char* from, const char* to) {
  const char* at = from;
#ifdef QUONVEL_HAVE_SSE2
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  for (; to - at >= 16; at += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const auto ends = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, lf), _mm_cmpeq_epi8(block, cr))));
    if (ends != 0) return at + std::countr_zero(ends);
  }
#endif
  while (at < to && *at != '\n' && *at != '\r') ++at;
  return at;
}

const char* FindText(const char* from, const char* to, std::string_view text) {
  const std::size_t size = text.size();
  if (to - from < static_cast<std::ptrdiff_t>(size)) return to;
  // The last place the text can start.
  const char* const last = to - size;
  const char* at = from;
#ifdef QUONVEL_HAVE_SSE2
  // Sixteen starts at a time, by the text's first two bytes and its last
  // one, while every byte they need is in range.
  const __m128i first = _mm_set1_epi8(text[0]);
  const __m128i second = _mm_set1_epi8(text[1]);
  const __m128i final = _mm_set1_epi8(text[size - 1]);
  for (; at + 15 <= last; at += 16) {
    const auto load = [at](std::size_t offset) {
      return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + offset));
    };
    const __m128i hits = _mm_and_si128(
        _mm_and_si128(_mm_cmpeq_epi8(load(0), first), _mm_cmpeq_epi8(load(1), second)),
        _mm_cmpeq_epi8(load(size - 1), final));
    for (auto starts = static_cast<unsigned>(_mm_movemask_epi8(hits)); starts != 0;
         starts &= starts - 1) {
      const char* const start = at + std::countr_zero(starts);
      // Its first two bytes and its last are known to match.
      std::size_t same = 2;
      while (same + 1 < size && start[same] == text[same]) ++same;
      if (same + 1 >= size) return start;
    }
  }
#endif
  for (; at <= last; ++at) {
    if (*at == text[0] && std::memcmp(at, text.data(), size) == 0) return at;
  }
  return to;
}
