// The linear passes: the engine for lines on which backtracking runs out of
// its budget, and the one whose bound holds for every line.
//
// Guarantee: time linear in the line length: a backward pass finds, for every
// position, the automaton states from which the rest of the line can still be
// matched (each position computed at most twice), and a forward pass lets
// each block take the longest run that leaves a feasible rest (each position
// once); a step costs a few word operations per "zero or more" in a row.
// Memory: one state set per 256 bytes of line, in a buffer each thread reuses
// between calls, so the steady state allocates nothing. Nothing recurses;
// only std::bad_alloc can be thrown, when that buffer must grow.
#include <algorithm>
#include <array>
#include <vector>

#include "rules/matcher.h"
#include "rules/matcher_internal.h"

namespace {

constexpr StateSet Bit(std::size_t state) { return StateSet{1} << state; }

// Adds every "zero or more" state that can finish wherever the state after it
// can: a loop may take no more bytes.
StateSet SkipLoopsBackward(const CompiledPattern& pattern, StateSet states) {
  for (std::size_t i = 0; i < pattern.longestLoopChain; ++i) {
    states |= (states >> 1) & pattern.loopStates;
  }
  return states;
}

// The states from which line[p..] can be matched, given those for line[p+1..]
// and the byte at p.
StateSet StepBack(const CompiledPattern& pattern, StateSet after, unsigned char byte) {
  const StateSet taking = pattern.statesTaking[byte];
  const StateSet states =
      (taking & pattern.onceStates & (after >> 1)) | (taking & pattern.loopStates & after);
  return SkipLoopsBackward(pattern, states);
}

// Feasible state sets of every position, kept in chunks: the backward pass
// remembers only the set at each chunk's end, and a chunk is recomputed from
// there when the forward pass reaches it. Memory stays a few bytes per
// kilobyte of line; the backward work is done at most twice.
constexpr std::size_t kChunk = 256;

struct FeasibleSets {
  const CompiledPattern& pattern;
  std::string_view line;
  std::vector<StateSet>& chunkEnds;  // set at the end of chunk k
  std::array<StateSet, kChunk + 1> sets{};
  std::size_t loaded = 0;  // chunk held in `sets`
  std::size_t lastChunk = 0;

  std::size_t ChunkEnd(std::size_t k) const { return std::min((k + 1) * kChunk, line.size()); }

  void Compute(std::size_t k) {
    const std::size_t base = k * kChunk;
    std::size_t p = ChunkEnd(k);
    sets[p - base] = chunkEnds[k];
    while (p > base) {
      --p;
      sets[p - base] = StepBack(pattern, sets[p + 1 - base], static_cast<unsigned char>(line[p]));
    }
    loaded = k;
  }

  // Runs the backward pass; afterwards chunk 0 is loaded.
  void Build() {
    lastChunk = line.empty() ? 0 : (line.size() - 1) / kChunk;
    chunkEnds.resize(lastChunk + 1);
    chunkEnds[lastChunk] = SkipLoopsBackward(pattern, Bit(pattern.stateCount));
    for (std::size_t k = lastChunk + 1; k-- > 0;) {
      Compute(k);
      if (k > 0) chunkEnds[k - 1] = sets[0];
    }
  }

  StateSet At(std::size_t position) {
    const std::size_t k = std::min(position / kChunk, lastChunk);
    if (k != loaded) Compute(k);
    return sets[position - k * kChunk];
  }
};

}  // namespace

bool LinearMatch(const MessagePattern& messagePattern, std::string_view line, MatchResult& match) {
  const CompiledPattern& pattern = *messagePattern.compiled;
  match.size = 0;

  // Reused between calls, so that the steady state allocates nothing.
  thread_local std::vector<StateSet> chunkEnds;
  FeasibleSets feasible{pattern, line, chunkEnds};
  feasible.Build();
  if ((feasible.At(0) & 1) == 0) return false;

  // Forward pass: every state is feasible where we stand, so a single test
  // always takes its byte, and a greedy loop takes one more byte exactly
  // when the rest stays feasible after it.
  BlockStarts start{};
  std::size_t position = 0;
  std::size_t state = 0;
  while (state != pattern.stateCount) {
    bool advance = true;
    if (pattern.lazyStates & Bit(state)) {
      // A lazy loop leaves as soon as the rest is feasible without it.
      advance = (feasible.At(position) & Bit(state + 1)) != 0;
      if (!advance) ++position;
    } else if (pattern.loopStates & Bit(state)) {
      advance = !(position < line.size() &&
                  (pattern.statesTaking[static_cast<unsigned char>(line[position])] & Bit(state)) &&
                  (feasible.At(position + 1) & Bit(state)));
      if (!advance) ++position;
    } else {
      ++position;
    }
    if (advance) {
      ++state;
      if (pattern.firstOfBlock & Bit(state)) start[pattern.blockOfState[state]] = position;
    }
  }
  start[pattern.blockCount] = line.size();
  FillGroups(pattern, line, start, match);
  return true;
}

bool CanStartMatch(const MessagePattern& messagePattern, std::string_view prefix) {
  const CompiledPattern& pattern = *messagePattern.compiled;
  // Forward through the automaton: the states reachable after each byte, a
  // loop being free to take no byte. Empty: no line with this start matches.
  const auto skipLoops = [&pattern](StateSet states) {
    for (std::size_t i = 0; i < pattern.longestLoopChain; ++i) {
      states |= (states & pattern.loopStates) << 1;
    }
    return states;
  };
  StateSet states = skipLoops(Bit(0));
  for (const char c : prefix) {
    const StateSet taking = pattern.statesTaking[static_cast<unsigned char>(c)];
    states = skipLoops(((states & pattern.onceStates & taking) << 1) |
                       (states & pattern.loopStates & taking));
    if (states == 0) return false;
  }
  return true;
}
