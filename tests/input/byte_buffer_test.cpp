#include "input/byte_buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Pos = ByteBuffer::Pos;

struct Step {
  enum Op { kFill, kConsume, kCutAt, kRoll } op;
  std::string bytes;  // kFill
  Pos pos = 0;        // kConsume, kCutAt
};

// After each step the buffer must hold exactly the text put in from Start()
// to End(), at the same positions, however it rolled or grew.
TEST(ByteBuffer, KeepsEveryPositionThroughRollsAndGrowth) {
  const struct {
    const char* what;
    std::vector<Step> steps;
    Pos start, end;
    std::size_t capacity;
  } cases[] = {
      {"a fill that does not fit behind the held bytes rolls them to the front",
       {{Step::kFill, "abcdef", 0}, {Step::kConsume, {}, 4}, {Step::kFill, "ghijklmn", 0}},
       4,
       14,
       12},
      {"held bytes and a fill that do not fit at all grow the memory",
       {{Step::kFill, "abcdef", 0}, {Step::kConsume, {}, 1}, {Step::kFill, "ghijklmnopq", 0}},
       1,
       17,
       22},
      {"a cut drops the end; the next fill goes on at the cut",
       {{Step::kFill,
         "abc\x1A"
         "def",
         0},
        {Step::kCutAt, {}, 3},
        {Step::kFill, "xy", 0}},
       0,
       5,
       14},
      {"all consumed and rolled: the next bytes keep counting on",
       {{Step::kFill, "abc", 0},
        {Step::kConsume, {}, 3},
        {Step::kRoll, {}, 0},
        {Step::kFill, "d", 0}},
       3,
       4,
       6},
      {"a roll with nothing consumed moves nothing",
       {{Step::kFill, "abc", 0}, {Step::kRoll, {}, 0}, {Step::kConsume, {}, 1}},
       1,
       3,
       6},
  };
  for (const auto& c : cases) {
    ByteBuffer buffer;
    std::string stream;  // every byte put in, by position
    for (const Step& step : c.steps) {
      switch (step.op) {
        case Step::kFill:
          std::memcpy(buffer.Fill(step.bytes.size()), step.bytes.data(), step.bytes.size());
          buffer.Filled(step.bytes.size());
          stream += step.bytes;
          break;
        case Step::kConsume:
          buffer.Consume(step.pos);
          break;
        case Step::kCutAt:
          buffer.CutAt(step.pos);
          stream.resize(step.pos);
          break;
        case Step::kRoll:
          buffer.Roll();
          break;
      }
      ASSERT_EQ(buffer.End(), stream.size()) << c.what;
      ASSERT_EQ(buffer.Text(buffer.Start(), buffer.End()),
                stream.substr(buffer.Start(), buffer.End() - buffer.Start()))
          << c.what;
    }
    EXPECT_EQ(buffer.Start(), c.start) << c.what;
    EXPECT_EQ(buffer.End(), c.end) << c.what;
    EXPECT_EQ(buffer.Capacity(), c.capacity) << c.what;
  }
}

}  // namespace
