// Which rules a line reaches, what the call returns and what it leaves in the
// shared output line.
#include "rules/dispatch.h"

#include <gtest/gtest.h>

#include <string>

#include "render/msvc.h"

namespace {

constexpr const char* kPrevious = "previous output";

struct Case {
  const char* what;
  std::string line;
  bool result;
  std::string output;  // the output line after the call, starting from kPrevious
  bool sound;          // the result when any rule that matched decides
};

TEST(DispatchLine, DecidesByTheLastTriedRuleOrInTheSoundWayByAnyMatch) {
  const Case cases[] = {
      {"empty line", "", false, kPrevious, false},
      {"no marker", "Compiling module can_drv", false, kPrevious, false},
      {"C diagnostic", R"(ctc W505: ["src/can_drv.c" 118/23] narrowing)", true,
       "src/can_drv.c(118,23) :Warning:  narrowing", true},
      {"linker error passes through", "ltc E106: unresolved external: foo", true,
       "ltc E106: unresolved external: foo", true},
      {"linker warning dropped", "ltc W106: unresolved external", false, kPrevious, false},
      {"ltc in a C file name: the linker rule is tried last and fails",
       R"(ctc W1: ["saltcalc.c" 1/2] x)", false, "saltcalc.c(1,2) :Warning:  x", true},
      {"cptc in a C file name: the C++ rule is tried last and fails",
       R"(ctc W1: ["cptc_io.c" 1/1] x next)", false, "cptc_io.c(1,1) :Warning:  x next", true},
      {"licence notice decided by the licence rule", "ctc F104: setup: No valid license found",
       true, "Error: No valid license found! ", true},
      {"linker line with the licence text: licence rule fails last",
       "ltc F100: No valid license found", false, "ltc F100: No valid license found", true},
      {"ctc inside a linker error", "ltc E106: unresolved external: ctc_init", true,
       "ltc E106: unresolved external: ctc_init", true},
      {"ctc in the middle of a line", "make: ctc E1: [\"a.c\" 1/1] x", false, kPrevious, false},
      {"C++ diagnostic", R"(cptc E1: ["a.cpp" 3] x 3 more)", true, "a.cpp(3) : Error:  x\nmore",
       true},
      {"placeholder is an output like any other", R"(ctc E12: ["" 3/4] no file)", true,
       "empty ctc msg", true},
  };
  for (const Case& c : cases) {
    std::string output = kPrevious;
    EXPECT_EQ(DispatchLine(c.line, FindMarkers(c.line), output), c.result) << c.what;
    EXPECT_EQ(output, c.output) << c.what;
    output = kPrevious;
    EXPECT_EQ(DispatchLineWith(c.line, FindMarkers(c.line), Recognition::kSound, output, FullMatch,
                               FormatMsvcLine),
              c.sound)
        << c.what;
    EXPECT_EQ(output, c.output) << c.what;
  }
}

}  // namespace
