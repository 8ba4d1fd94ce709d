#include "rules/dispatch.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "rules/cptc_rule.h"
#include "rules/ctc_rule.h"
#include "rules/ltc_licence_rules.h"

namespace {

struct Markers {
  bool ctc = false;
  bool ltc = false;
  bool cptc = false;
};

// The three tool markers all end in "tc", so one pass that looks at every
// "tc" and the byte or two before it finds them all. The pass tests eight
// bytes at a time for a 't'; most build log lines hold only a few.
Markers FindToolMarkers(LogLine line) {
  Markers found;
  const auto* const bytes = reinterpret_cast<const unsigned char*>(line.data());
  const std::size_t size = line.size();
  const auto check = [&](std::size_t i) {  // bytes[i] == 't'
    if (i + 1 >= size || bytes[i + 1] != 'c' || i == 0) return;
    const unsigned char before = bytes[i - 1];
    if (before == 'c') found.ctc = true;
    if (before == 'l') found.ltc = true;
    if (before == 'p' && i >= 2 && bytes[i - 2] == 'c') found.cptc = true;
  };
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  constexpr std::uint64_t kTs = 0x0101010101010101ULL * 't';
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes + i, 8);
    const std::uint64_t x = word ^ kTs;
    // Exactly the high bit of every byte of `x` that is zero, i.e. a 't'.
    std::uint64_t ts = ~(((x & kLow7) + kLow7) | x | kLow7);
    while (ts != 0) {
      // Byte order of the load: the lowest byte of `word` is bytes[i] on a
      // little-endian machine; on a big-endian one we look bytewise below.
      if constexpr (std::endian::native == std::endian::little) {
        check(i + static_cast<std::size_t>(std::countr_zero(ts)) / 8);
        ts &= ts - 1;
      } else {
        for (std::size_t k = 0; k < 8; ++k) {
          if (bytes[i + k] == 't') check(i + k);
        }
        ts = 0;
      }
    }
  }
  for (; i < size; ++i) {
    if (bytes[i] == 't') check(i);
  }
  return found;
}

}  // namespace

bool DispatchLine(LogLine line, std::string& output) {
  const Markers markers = FindToolMarkers(line);
  const bool hasCtc = markers.ctc;
  const bool hasLtc = markers.ltc;
  const bool hasCptc = markers.cptc;
  const bool hasLicence = line.find("No valid license found") != std::string_view::npos;

  MatchResult match;
  bool result = false;
  if (hasCtc) {
    result = FullMatch(CtcPattern(), line, match);
    if (result) FormatCtcMessage(match, output);
  }
  if (hasLtc) {
    result = FullMatch(LtcPattern(), line, match);
    if (result) output.assign(line);
  }
  if (hasCptc) {
    result = FullMatch(CptcPattern(), line, match);
    if (result) FormatCptcMessage(match, output);
  }
  if (hasLicence) {
    result = FullMatch(LicensePattern(), line, match);
    if (result) FormatLicenseMessage(match, output);
  }
  return result;
}
