// The building blocks and their compilation into the tables both engines read.
//
// Guarantee: a pattern is compiled once, on the first call of its rule's
// accessor, never per line. Compiling is a few passes over the 256 byte
// values per block; it cannot fail for the rules' fixed patterns, and
// asserts the limits of the compiled form (32 blocks, 63 class tests, 7
// groups). Nothing throws except std::bad_alloc.
#include <algorithm>
#include <cassert>
#include <utility>

#include "rules/matcher.h"
#include "rules/matcher_internal.h"

namespace {

CharSet Range(unsigned char first, unsigned char last) {
  CharSet set;
  for (unsigned c = first; c <= last; ++c) set.Add(static_cast<unsigned char>(c));
  return set;
}

CharSet SpaceChars() {
  CharSet set;
  for (unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'}) set.Add(c);
  return set;
}

CharSet PunctChars() {
  CharSet set;
  for (unsigned c = 0x21; c <= 0x7E; ++c) {
    const bool alnum = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (!alnum) set.Add(static_cast<unsigned char>(c));
  }
  return set;
}

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

}  // namespace

std::vector<PatternBlock> Literal(std::string_view chars) {
  std::vector<PatternBlock> blocks;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    CharSet set;
    set.Add(static_cast<unsigned char>(chars[i]));
    blocks.push_back(Make(set, Repeat::kOnce, false, chars.substr(i, 1)));
  }
  return blocks;
}

PatternBlock EscapedLiteral(char c, std::string_view text) {
  CharSet set;
  set.Add(static_cast<unsigned char>(c));
  return Make(set, Repeat::kOnce, false, text);
}

PatternBlock SpaceRun() { return Make(SpaceChars(), Repeat::kOneOrMore, false, "[[:space:]]+"); }

PatternBlock OnePunct() { return Make(PunctChars(), Repeat::kOnce, false, "[[:punct:]]{1}"); }

PatternBlock Number() { return Make(Range('0', '9'), Repeat::kOneOrMore, false, "[0-9]+"); }

PatternBlock CapturedNumber() {
  return Make(Range('0', '9'), Repeat::kOneOrMore, true, "([0-9]+)");
}

PatternBlock LetterChoice(std::string_view text) {
  // "(E|F|W)": the letters are every character but the parentheses and bars.
  CharSet set;
  for (char c : text) {
    if (c != '(' && c != ')' && c != '|') set.Add(static_cast<unsigned char>(c));
  }
  return Make(set, Repeat::kOnce, true, text);
}

PatternBlock AnyText() { return Make(DotChars(), Repeat::kZeroOrMore, true, "(.*)"); }

PatternBlock LowerLetter() { return Make(Range('a', 'z'), Repeat::kOnce, false, "[a-z]"); }

PatternBlock LowerLettersOrDigits() {
  CharSet set = Range('a', 'z');
  for (unsigned char c = '0'; c <= '9'; ++c) set.Add(c);
  return Make(set, Repeat::kZeroOrMore, false, "[a-z0-9]*");
}

MessagePattern ParsePattern(std::string_view text) {
  // The building blocks by their texts; the longest one that the text starts
  // with is taken.
  static const std::pair<std::string_view, PatternBlock (*)()> kBlocks[] = {
      {"[[:space:]]+", SpaceRun},
      {"[[:punct:]]{1}", OnePunct},
      {"([0-9]+)", CapturedNumber},
      {"[0-9]+", Number},
      {"(.*)", AnyText},
      {"[a-z0-9]*", LowerLettersOrDigits},
      {"[a-z]", LowerLetter},
  };
  std::vector<PatternBlock> blocks;
  while (!text.empty()) {
    bool found = false;
    for (const auto& [blockText, make] : kBlocks) {
      if (!text.starts_with(blockText)) continue;
      blocks.push_back(make());
      text.remove_prefix(blockText.size());
      found = true;
      break;
    }
    if (found) continue;
    if (text.front() == '\\' && text.size() >= 2) {
      blocks.push_back(EscapedLiteral(text[1], text.substr(0, 2)));
      text.remove_prefix(2);
    } else if (text.front() == '(') {
      // A choice of letters, "(E|F|W)".
      const std::size_t close = text.find(')');
      assert(close != std::string_view::npos);
      blocks.push_back(LetterChoice(text.substr(0, close + 1)));
      text.remove_prefix(close + 1);
    } else {
      std::vector<PatternBlock> literal = Literal(text.substr(0, 1));
      blocks.push_back(literal.front());
      text.remove_prefix(1);
    }
  }
  return CompilePattern(std::move(blocks));
}

MessagePattern CompilePattern(std::vector<PatternBlock> blocks) {
  assert(blocks.size() <= kMaxBlocks);
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
    compiled->anyText[b] =
        block.repeat == Repeat::kZeroOrMore && block.chars.bits == DotChars().bits;
    if (block.captured) {
      assert(compiled->groupCount + 1 < kMaxGroups);
      compiled->blockOfGroup[++compiled->groupCount] = static_cast<std::uint8_t>(b);
    }
    assert(compiled->stateCount + 2 < 64);
    AddStates(*compiled, block, b, chain);

    bool fixed = block.repeat == Repeat::kOnce;
    if (block.repeat == Repeat::kOneOrMore && b + 1 < pattern.blocks.size()) {
      const PatternBlock& next = pattern.blocks[b + 1];
      fixed = Disjoint(block.chars, next.chars) && next.repeat != Repeat::kZeroOrMore;
    }
    compiled->fixedExtent[b] = fixed;
    if (fixed && compiled->fixedPrefix == b) compiled->fixedPrefix = b + 1;
  }
  pattern.compiled = std::move(compiled);
  return pattern;
}
