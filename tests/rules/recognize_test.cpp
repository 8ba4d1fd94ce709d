// Which rules a line reaches in the classic recognition and what the output
// window then prints: the last rule tried decides, whatever matched before.
#include "rules/recognize.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "layouts/msvc.h"

namespace {

struct Case {
  const char* what;
  std::string line;
  std::optional<std::string> printed;  // nullopt: nothing
};

TEST(DispatchLine, TheLastRuleTriedDecides) {
  const Case cases[] = {
      {"empty line", "", std::nullopt},
      {"no marker", "Compiling module can_drv", std::nullopt},
      {"C diagnostic", R"(ctc W505: ["src/can_drv.c" 118/23] narrowing)",
       "src/can_drv.c(118,23) :Warning:  narrowing"},
      {"linker error passes through", "ltc E106: unresolved external: foo",
       "ltc E106: unresolved external: foo"},
      {"linker warning dropped", "ltc W106: unresolved external", std::nullopt},
      {"ltc in a C file name: the linker rule is tried last and fails",
       R"(ctc W1: ["saltcalc.c" 1/2] x)", std::nullopt},
      {"cptc in a C file name: the C++ rule is tried last and fails",
       R"(ctc W1: ["cptc_io.c" 1/1] x next)", std::nullopt},
      {"licence notice decided by the licence rule", "ctc F104: setup: No valid license found",
       "Error: No valid license found! "},
      {"linker line with the licence text: licence rule fails last",
       "ltc F100: No valid license found", std::nullopt},
      {"ctc inside a linker error", "ltc E106: unresolved external: ctc_init",
       "ltc E106: unresolved external: ctc_init"},
      {"ctc in the middle of a line", "make: ctc E1: [\"a.c\" 1/1] x", std::nullopt},
      {"C++ diagnostic", R"(cptc E1: ["a.cpp" 3] x 3 more)", "a.cpp(3) : Error:  x\nmore"},
      {"placeholder is an output like any other", R"(ctc E12: ["" 3/4] no file)", "empty ctc msg"},
      {"a program the classic rules do not know", R"(xtc E243: ["startup.src" 12] x)",
       std::nullopt},
  };
  for (const Case& c : cases) {
    Diagnostic diagnostic;
    std::optional<std::string> printed;
    if (DispatchLine(c.line, diagnostic)) FormatMsvcLine(diagnostic, printed.emplace());
    EXPECT_EQ(printed, c.printed) << c.what;
  }
}

}  // namespace
