#include "log/byte_masks.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define QUONVEL_HAVE_SSE2 1
#endif

namespace {

#ifdef QUONVEL_HAVE_SSE2

// One bit a byte of four 16-byte blocks equal to `byte`.
std::uint64_t Mask64Of(const __m128i (&blocks)[4], char byte) {
  const __m128i wanted = _mm_set1_epi8(byte);
  const auto bits = [&](int part) {
    return static_cast<std::uint64_t>(
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(blocks[part], wanted))));
  };
  return bits(0) | bits(1) << 16 | bits(2) << 32 | bits(3) << 48;
}

ByteMasks Mask64(const char* bytes) {
  const __m128i blocks[4] = {
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16)),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 32)),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 48)),
  };
  ByteMasks masks;
  masks.lf = Mask64Of(blocks, '\n');
  for (std::size_t i = 0; i < masks.letters.size(); ++i) {
    masks.letters[i] = Mask64Of(blocks, kMarkerLetters[i]);
  }
  return masks;
}

#else

ByteMasks Mask64(const char* bytes) {
  ByteMasks masks;
  for (unsigned i = 0; i < 64; ++i) {
    const std::uint64_t bit = std::uint64_t{1} << i;
    if (bytes[i] == '\n') masks.lf |= bit;
    for (std::size_t letter = 0; letter < masks.letters.size(); ++letter) {
      if (bytes[i] == kMarkerLetters[letter]) masks.letters[letter] |= bit;
    }
  }
  return masks;
}

#endif

}  // namespace

std::size_t CountBeforeLineEnd(const char* bytes, std::size_t count) {
  std::size_t run = 0;
#ifdef QUONVEL_HAVE_SSE2
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; run + 16 <= count; run += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + run));
    const int ends =
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)));
    if (ends != 0)
      return run + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(ends)));
  }
#endif
  while (run < count && bytes[run] != '\r' && bytes[run] != '\n') ++run;
  return run;
}

std::size_t CountLineFeeds(const char* bytes, std::size_t count) {
  std::size_t lines = 0;
  std::size_t at = 0;
#ifdef QUONVEL_HAVE_SSE2
  const __m128i lf = _mm_set1_epi8('\n');
  for (; at + 16 <= count; at += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
    lines += static_cast<std::size_t>(
        std::popcount(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, lf)))));
  }
#endif
  for (; at < count; ++at) lines += bytes[at] == '\n' ? 1 : 0;
  return lines;
}

ByteMasks MaskBytes(const char* bytes, std::size_t count) {
  if (count >= 64) return Mask64(bytes);
  // A short tail: NUL padding matches none of the bytes we look for.
  char padded[64] = {};
  if (count > 0) std::memcpy(padded, bytes, count);
  return Mask64(padded);
}
