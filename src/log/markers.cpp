#include "log/markers.h"

#include <bit>

#include "log/byte_masks.h"

namespace {

constexpr std::string_view kCptc = "cptc";
constexpr std::string_view kLicense = "No valid license found";

std::size_t BitIndex(std::uint64_t bits) {
  return static_cast<std::size_t>(std::countr_zero(bits));
}

}  // namespace

std::uint64_t MarkerCandidates(const LetterMasks& letters, char next) {
  const std::uint64_t t = letters[0];
  const std::uint64_t c = letters[1];
  const std::uint64_t n = letters[2];
  // A 't' that a 'c' follows; the 'c' after the last byte is `next`.
  const std::uint64_t pairs = t & ((c >> 1) | (next == 'c' ? std::uint64_t{1} << 63 : 0));
  return pairs | n;
}

void AddMarkers(std::string_view text, std::size_t lineStart, std::size_t chunk, std::uint64_t bits,
                LineMarkers& markers) {
  const char* const base = text.data();
  for (; bits != 0; bits &= bits - 1) {
    const std::size_t at = chunk + BitIndex(bits);
    if (base[at] == 'N') {
      if (text.substr(at, kLicense.size()) == kLicense) markers.license = true;
      continue;
    }
    // The "tc" of a tool marker: what stands before it tells which.
    if (at == lineStart) continue;
    const char before = base[at - 1];
    if (before == 'c') markers.ctc = true;
    if (before == 'l') markers.ltc = true;
    if (before == 'p' && at - 1 > lineStart && base[at - 2] == 'c') markers.cptc = true;
  }
}

void AddMarkersAcrossJoin(std::string_view joined, std::size_t blank, LineMarkers& markers) {
  // The licence notice holds blanks; the tool markers do not.
  if (markers.license) return;
  const std::size_t from = blank >= kLicense.size() ? blank - kLicense.size() + 1 : 0;
  markers.license =
      joined.substr(from, 2 * kLicense.size()).find(kLicense) != std::string_view::npos;
}

bool HoldsCptc(std::string_view line) { return line.find(kCptc) != std::string_view::npos; }

LineMarkers FindMarkers(std::string_view line) {
  LineMarkers markers;
  for (std::size_t chunk = 0; chunk < line.size(); chunk += 64) {
    const ByteMasks masks = MaskBytes(line.data() + chunk, line.size() - chunk);
    const char next = chunk + 64 < line.size() ? line[chunk + 64] : '\0';
    AddMarkers(line, 0, chunk, MarkerCandidates(masks.letters, next), markers);
  }
  return markers;
}
