// The marker texts that decide which message rules a line is tried with:
// "ctc", "ltc", "cptc" and "No valid license found", each anywhere in the
// line, exact and case-sensitive. Everything that knows these texts lives
// here, so that a new rule's marker is added in this unit alone: the field
// below, its letters for the 64-byte scanner, and its test in AddMarkers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

struct LineMarkers {
  bool ctc = false;
  bool ltc = false;
  bool cptc = false;
  bool license = false;

  bool Any() const { return ctc || ltc || cptc || license; }
};

LineMarkers FindMarkers(std::string_view line);

// Whether a physical line takes the next one as its continuation.
bool HoldsCptc(std::string_view line);

// The letters whose places the 64-byte scanner masks for the marker search:
// 't' and 'c' (every tool marker holds "tc") and 'N' (the licence notice).
inline constexpr char kMarkerLetters[] = {'t', 'c', 'N'};
using LetterMasks = std::array<std::uint64_t, std::size(kMarkerLetters)>;

// The bits of a 64-byte chunk where a marker may stand, given the masks of
// its letters and the byte that follows the chunk (0 at the end).
std::uint64_t MarkerCandidates(const LetterMasks& letters, char next);

// Tests the candidates `bits` of the chunk at `chunk` in `text`, for the line
// that starts at `lineStart`, and adds the markers found.
void AddMarkers(std::string_view text, std::size_t lineStart, std::size_t chunk, std::uint64_t bits,
                LineMarkers& markers);

// Adds the markers of a joined line that stand across its joining blank, at
// `blank`, and so in neither of its physical lines.
void AddMarkersAcrossJoin(std::string_view joined, std::size_t blank, LineMarkers& markers);
