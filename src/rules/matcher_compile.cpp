// The building blocks, the reading of a pattern text and its compilation
// into the tables both engines read.
//
// Guarantee: a pattern is compiled once, when the rule table is first used,
// never per line. Compiling is a few passes over the 256 byte values per
// block. A text with a construct the matcher lacks, or past the limits of
// the compiled form (32 blocks, 63 class tests, 7 groups), is refused with
// the byte where it goes wrong, in every build. Nothing throws except
// std::bad_alloc.
#include <algorithm>
#include <utility>

#include "rules/matcher.h"
#include "rules/matcher_internal.h"
#include "text/chars.h"

namespace {

CharSet Range(unsigned char first, unsigned char last) {
  CharSet set;
  for (unsigned c = first; c <= last; ++c) set.Add(static_cast<unsigned char>(c));
  return set;
}

// The bytes of a class of text/chars.h.
CharSet CharsOf(bool (*isIn)(char)) {
  CharSet set;
  for (unsigned c = 0; c < 256; ++c) {
    if (isIn(static_cast<char>(c))) set.Add(static_cast<unsigned char>(c));
  }
  return set;
}

CharSet SpaceChars() { return CharsOf(IsSpace); }

CharSet PunctChars() { return CharsOf(IsPunct); }

// "." of ECMAScript: anything but the two line terminators of a narrow string.
CharSet DotChars() {
  CharSet set = Range(0x00, 0xFF);
  set.bits[0] &= ~((std::uint64_t{1} << '\n') | (std::uint64_t{1} << '\r'));
  return set;
}

PatternBlock Make(CharSet chars, Repeat repeat, bool captured, std::string_view text) {
  PatternBlock block;
  block.chars = chars;
  block.repeat = repeat;
  block.captured = captured;
  block.text = text;
  return block;
}

bool Disjoint(const CharSet& a, const CharSet& b) {
  for (std::size_t w = 0; w < a.bits.size(); ++w) {
    if ((a.bits[w] & b.bits[w]) != 0) return false;
  }
  return true;
}

// The class tests of block `b`: a single test unless it may be skipped, then
// a "zero or more" loop unless it is taken exactly once.
void AddStates(CompiledPattern& compiled, const PatternBlock& block, std::size_t b,
               std::size_t& chain) {
  const bool once = block.repeat != Repeat::kZeroOrMore;
  const bool loop = block.repeat != Repeat::kOnce;
  bool first = true;
  for (const bool isLoop : {false, true}) {
    if (isLoop ? !loop : !once) continue;
    const std::size_t state = compiled.stateCount++;
    const StateSet bit = StateSet{1} << state;
    (isLoop ? compiled.loopStates : compiled.onceStates) |= bit;
    if (isLoop && block.lazy) compiled.lazyStates |= bit;
    if (first) compiled.firstOfBlock |= bit;
    first = false;
    chain = isLoop ? chain + 1 : 0;
    compiled.longestLoopChain = std::max(compiled.longestLoopChain, chain);
    for (unsigned c = 0; c < 256; ++c) {
      if (block.chars.Has(static_cast<unsigned char>(c))) compiled.statesTaking[c] |= bit;
    }
    compiled.blockOfState[state] = static_cast<std::uint8_t>(b);
  }
}

PatternBlock Literal(char c, std::string_view text) {
  CharSet set;
  set.Add(static_cast<unsigned char>(c));
  return Make(set, Repeat::kOnce, false, text);
}

CharSet Digits() { return CharsOf(IsDigit); }

CharSet LowerLetters() { return Range('a', 'z'); }

CharSet LowerOrDigit() {
  CharSet set = Range('a', 'z');
  for (unsigned char c = '0'; c <= '9'; ++c) set.Add(c);
  return set;
}

// The building blocks by their texts. None is a prefix of another.
struct NamedBlock {
  std::string_view text;
  CharSet (*chars)();
  Repeat repeat;
  bool captured;
  bool lazy;
};
constexpr NamedBlock kNamedBlocks[] = {
    {"[[:space:]]+", SpaceChars, Repeat::kOneOrMore, false, false},
    {"[[:punct:]]{1}", PunctChars, Repeat::kOnce, false, false},
    {"([0-9]+)", Digits, Repeat::kOneOrMore, true, false},
    {"[0-9]+", Digits, Repeat::kOneOrMore, false, false},
    {"(.*?)", DotChars, Repeat::kZeroOrMore, true, true},
    {"(.*)", DotChars, Repeat::kZeroOrMore, true, false},
    {"[a-z0-9]*", LowerOrDigit, Repeat::kZeroOrMore, false, false},
    {"[a-z]", LowerLetters, Repeat::kOnce, false, false},
};

// The characters with a meaning of their own in an ECMAScript pattern.
bool IsSpecial(char c) {
  return std::string_view(".[]{}()*+?|^$\\").find(c) != std::string_view::npos;
}

bool IsCapital(char c) { return c >= 'A' && c <= 'Z'; }

// A choice of capital letters, "(E|F|W)": its length, or 0 when `text` does
// not open with one.
std::size_t LetterChoiceLength(std::string_view text) {
  std::size_t at = 1;
  while (at + 1 < text.size() && IsCapital(text[at])) {
    if (text[at + 1] == ')') return at + 2;
    if (text[at + 1] != '|') return 0;
    at += 2;
  }
  return 0;
}

PatternBlock LetterChoice(std::string_view text) {
  CharSet set;
  for (const char c : text) {
    if (IsCapital(c)) set.Add(static_cast<unsigned char>(c));
  }
  return Make(set, Repeat::kOnce, true, text);
}

// The block that `text` opens with and the bytes it takes, or an error.
bool NextBlock(std::string_view text, PatternBlock& block, std::size_t& length,
               std::string_view& error) {
  for (const NamedBlock& named : kNamedBlocks) {
    if (!text.starts_with(named.text)) continue;
    block = Make(named.chars(), named.repeat, named.captured, named.text);
    block.lazy = named.lazy;
    length = named.text.size();
    return true;
  }
  if (text.front() == '\\') {
    const bool punct = text.size() >= 2 && IsPunct(text[1]);
    if (!punct) return error = "an escape of anything but a punctuation character", false;
    length = 2;
  } else if (text.front() == '(') {
    length = LetterChoiceLength(text);
    if (length == 0) return error = "a group that is none of the building blocks", false;
    block = LetterChoice(text.substr(0, length));
    return true;
  } else if (IsSpecial(text.front())) {
    return error = "a construct the matcher does not implement", false;
  } else {
    length = 1;
  }
  block = Literal(text[length - 1], text.substr(0, length));
  return true;
}

// The tables of blocks that are within the limits.
MessagePattern Compile(std::vector<PatternBlock> blocks) {
  MessagePattern pattern;
  pattern.blocks = std::move(blocks);
  auto compiled = std::make_shared<CompiledPattern>();
  compiled->blockCount = pattern.blocks.size();
  std::size_t chain = 0;
  for (std::size_t b = 0; b < pattern.blocks.size(); ++b) {
    const PatternBlock& block = pattern.blocks[b];
    pattern.text += block.text;

    int sole = -1;
    int count = 0;
    for (unsigned c = 0; c < 256; ++c) {
      if (!block.chars.Has(static_cast<unsigned char>(c))) continue;
      ++count;
      sole = static_cast<int>(c);
      compiled->blocksTaking[c] |= std::uint32_t{1} << b;
    }
    compiled->soleByte[b] = count == 1 ? sole : -1;
    compiled->repeat[b] = block.repeat;
    compiled->lazy[b] = block.lazy;
    compiled->anyText[b] =
        block.repeat == Repeat::kZeroOrMore && block.chars.bits == DotChars().bits;
    if (block.captured) {
      compiled->blockOfGroup[++compiled->groupCount] = static_cast<std::uint8_t>(b);
    }
    AddStates(*compiled, block, b, chain);

    bool fixed = block.repeat == Repeat::kOnce;
    if (block.repeat == Repeat::kOneOrMore && b + 1 < pattern.blocks.size()) {
      const PatternBlock& next = pattern.blocks[b + 1];
      fixed = Disjoint(block.chars, next.chars) && next.repeat != Repeat::kZeroOrMore;
    }
    compiled->fixedExtent[b] = fixed;
    if (fixed && compiled->fixedPrefix == b) compiled->fixedPrefix = b + 1;
  }
  pattern.groupCount = compiled->groupCount;
  pattern.compiled = std::move(compiled);
  return pattern;
}

}  // namespace

bool ParsePattern(std::string_view text, MessagePattern& pattern, PatternError& error) {
  std::vector<PatternBlock> blocks;
  std::size_t groups = 0;
  std::size_t states = 0;
  for (std::size_t at = 0; at < text.size();) {
    error.position = at;
    PatternBlock block;
    std::size_t length = 0;
    if (!NextBlock(text.substr(at), block, length, error.what)) return false;
    groups += block.captured ? 1 : 0;
    states +=
        (block.repeat != Repeat::kZeroOrMore ? 1 : 0) + (block.repeat != Repeat::kOnce ? 1 : 0);
    // The accepting state needs a bit of its own among 64.
    if (groups >= kMaxGroups)
      return error.what = "more capture groups than the matcher holds", false;
    if (blocks.size() == kMaxBlocks || states >= 64) {
      return error.what = "more blocks than the matcher holds", false;
    }
    blocks.push_back(block);
    at += length;
  }
  error = {};
  pattern = Compile(std::move(blocks));
  return true;
}
