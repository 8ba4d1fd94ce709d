// The compiled form of a message pattern: tables made once by ParsePattern
// and read by the two engines. Only the matcher's own files include this.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "rules/matcher.h"

// Bits of the automaton built from the blocks: one state per class test,
// "one or more" being a single test followed by a "zero or more" loop. The
// accepting state needs a bit of its own, so at most 63 tests.
using StateSet = std::uint64_t;

struct CompiledPattern {
  std::size_t blockCount = 0;
  std::size_t groupCount = 0;
  std::array<std::uint8_t, kMaxGroups> blockOfGroup{};  // index 1..groupCount

  // For backtracking, per block.
  std::array<Repeat, kMaxBlocks> repeat{};
  std::array<int, kMaxBlocks> soleByte{};  // its one byte, or -1 for a wider class
  std::array<bool, kMaxBlocks> anyText{};  // "(.*)" or "(.*?)"
  std::array<bool, kMaxBlocks> lazy{};     // takes its fewest bytes first
  // Blocks whose extent no match can change: single tests, and runs that a
  // block of a disjoint class must follow. Giving back bytes from such a run
  // leaves a byte the next block cannot take.
  std::array<bool, kMaxBlocks> fixedExtent{};
  std::size_t fixedPrefix = 0;                    // leading blocks that all have a fixed extent
  std::array<std::uint32_t, 256> blocksTaking{};  // per byte: blocks whose class holds it

  // For the linear passes, per automaton state.
  std::size_t stateCount = 0;  // the accepting state has this number
  StateSet onceStates = 0;
  StateSet loopStates = 0;
  StateSet lazyStates = 0;    // the loops of lazy blocks
  StateSet firstOfBlock = 0;  // the state that begins each block
  std::size_t longestLoopChain = 0;
  std::array<std::uint8_t, 64> blockOfState{};
  std::array<StateSet, 256> statesTaking{};  // per byte: states whose class holds it
};

// Where each block of a split begins; the entry after the last block is the
// line's end, so block b spans [start[b], start[b + 1]).
using BlockStarts = std::array<std::size_t, kMaxBlocks + 1>;

// The groups of a successful match whose split is `start`.
inline void FillGroups(const CompiledPattern& pattern, std::string_view line,
                       const BlockStarts& start, MatchResult& match) {
  match.size = pattern.groupCount + 1;
  match.groups[0] = line;
  for (std::size_t g = 1; g <= pattern.groupCount; ++g) {
    const std::size_t b = pattern.blockOfGroup[g];
    match.groups[g] = line.substr(start[b], start[b + 1] - start[b]);
  }
}
