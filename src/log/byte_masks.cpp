#include "log/byte_masks.h"

#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define QUONVEL_HAVE_SSE2 1
#endif

namespace {

#ifdef QUONVEL_HAVE_SSE2

std::uint64_t Mask16(__m128i block, char byte, unsigned shift) {
  const int bits = _mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8(byte)));
  return static_cast<std::uint64_t>(static_cast<unsigned>(bits) & 0xFFFFu) << shift;
}

ByteMasks Mask64(const char* bytes) {
  ByteMasks masks;
  for (unsigned part = 0; part < 4; ++part) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * part));
    masks.lf |= Mask16(block, '\n', 16 * part);
    masks.t |= Mask16(block, 't', 16 * part);
    masks.c |= Mask16(block, 'c', 16 * part);
    masks.n |= Mask16(block, 'N', 16 * part);
  }
  return masks;
}

#else

ByteMasks Mask64(const char* bytes) {
  ByteMasks masks;
  for (unsigned i = 0; i < 64; ++i) {
    const std::uint64_t bit = std::uint64_t{1} << i;
    switch (bytes[i]) {
      case '\n': masks.lf |= bit; break;
      case 't': masks.t |= bit; break;
      case 'c': masks.c |= bit; break;
      case 'N': masks.n |= bit; break;
      default: break;
    }
  }
  return masks;
}

#endif

}  // namespace

ByteMasks MaskBytes(const char* bytes, std::size_t count) {
  if (count >= 64) return Mask64(bytes);
  // A short tail: NUL padding matches none of the bytes we look for.
  char padded[64] = {};
  if (count > 0) std::memcpy(padded, bytes, count);
  return Mask64(padded);
}
