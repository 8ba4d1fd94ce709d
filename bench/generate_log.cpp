// Writes a synthetic TriCore build log for the benchmarks. The same arguments
// always give the same bytes (our own generator, no std:: distributions,
// whose results differ between standard libraries).
//
// Usage: quonvel_generate_log <kind> <megabytes> <output file> [seed]
//   typical    about <megabytes> MB of tool invocations and progress lines,
//              one line in eight a diagnostic of the C compiler, the C++
//              compiler (two lines), the linker or the licence check;
//   dense      about <megabytes> MB of nothing but such diagnostics;
//   long-line  a short build whose C and C++ diagnostics each carry a
//              message text of <megabytes> MB.
// Lines end in CR LF, as a log captured on Windows does.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "rules/rule_table.h"

namespace {

constexpr std::string_view kEol = "\r\n";

// splitmix64: small, fast, and the same everywhere.
struct Random {
  std::uint64_t state;
  std::uint64_t Next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  std::size_t Below(std::size_t bound) { return static_cast<std::size_t>(Next() % bound); }
  template <std::size_t N>
  std::string_view Pick(const std::string_view (&items)[N]) {
    return items[Below(N)];
  }
  std::string Number(std::size_t low, std::size_t high) {
    return std::to_string(low + Below(high - low + 1));
  }
};

constexpr std::string_view kDirs[] = {"src/drivers", "src/os",    "src/app",   "src/comm",
                                      "lib/can_bus", "lib/flash", "src/safety"};
constexpr std::string_view kStems[] = {"can_drv", "adc",      "scheduler", "motor",  "speed_ctrl",
                                       "uart",    "eeprom",   "watchdog",  "pwm",    "lin_if",
                                       "crc",     "diag_mgr", "nvm",       "spi_io", "timer"};
constexpr std::string_view kCMessages[] = {
    "conversion of constant to narrower type",
    "implicit declaration of function \"can_send\"",
    "variable \"tmp\" set but not used",
    "possible loss of precision in assignment",
    "unreachable code",
    "function \"adc_read\" has no prototype",
    "undefined identifier \"PWM_CHANNELS\"",
    "pointer to incompatible type in argument 2",
};
constexpr std::string_view kCppMessages[] = {
    "identifier \"speedLimit\" is undefined",
    "variable \"retries\" was declared but never referenced",
    "no instance of overloaded function \"send\" matches the argument list",
    "expression must have a constant value",
    "class \"Motor\" has no member \"reset\"",
    "a value of type \"int\" cannot be used to initialize an entity of type \"Mode\"",
};
constexpr std::string_view kSourceLines[] = {
    "return speedLimit;",        "int retries = 0;", "bus.send(frame, timeout);",
    "static_assert(kSize > 0);", "motor.reset();",   "Mode mode = next;",
};
constexpr std::string_view kLinkerMessages[] = {
    "unresolved external: can_init",
    "unresolved external: Scheduler::tick()",
    "section .bss.nvm does not fit in memory dsram0",
    "duplicate definition of symbol adc_buffer",
    "cannot open library file libfp.a",
};
constexpr std::string_view kFillerWords[] = {
    "in",
    "instantiation",
    "of",
    "template",
    "class",
    "Motor<int,",
    "Limits<short>>",
    "required",
    "from",
    "here;",
    "candidate",
    "function",
    "not",
    "viable:",
    "no",
    "known",
    "conversion",
    "for",
    "argument",
    "std::array<Frame,",
    "N>&",
    "to",
    "const",
    "Frame&",
};

struct Generator {
  Random random;
  std::string out;

  void Line(std::string_view text) {
    out.append(text);
    out.append(kEol);
  }

  std::string File(std::string_view ext) {
    std::string name(random.Pick(kDirs));
    name.append("/").append(random.Pick(kStems)).append(ext);
    return name;
  }

  void Progress() {
    const std::size_t kind = random.Below(4);
    const std::string file = File(random.Below(2) ? ".c" : ".cpp");
    if (kind == 0) {
      Line("make[2]: Entering directory '/home/build/fw/" + std::string(random.Pick(kDirs)) + "'");
    } else if (kind == 1) {
      Line("Compiling " + file);
    } else {
      Line("[" + random.Number(1, 99) + "%] Building object " + file + ".o");
    }
  }

  // Tool invocations: they hold the tools' names, so the dispatch must try a
  // rule on them and reject them.
  void Invocation() {
    const std::size_t kind = random.Below(8);
    const std::span<const Program> programs = Programs();
    const Program& program = programs[kind % programs.size()];
    const std::string file = File(program.showsExcerpt ? ".cpp" : ".c");
    if (kind == 6) {
      // A program of another toolchain whose name holds a name of ours.
      Line("c" + std::string(program.name) + " --create=object -t tc39x " + file);
      return;
    }
    Line(std::string(program.name) + " -c --core=tc1.6.2 -O2 --iso=99 -Isrc/include " +
         "-DCAN_CHANNELS=" + random.Number(1, 8) + " -o build/obj/" +
         file.substr(file.rfind('/') + 1) + ".o " + file);
    // The classic reading joins such a line with the next one: give it a
    // plain one.
    if (program.showsExcerpt) Progress();
  }

  // A diagnostic of each program of the rule table in turn, in the layout
  // the toolchain writes; now and then the licence notice.
  void Diagnostic() {
    const std::size_t kind = random.Below(20);
    static constexpr std::string_view kLetters[] = {"E", "F", "W", "E", "F", "W", "I"};
    const std::span<const Program> programs = Programs();
    if (kind == 19) {
      for (const MessageRule& rule : Rules()) {
        if (rule.msvc == MsvcForm::kLicense) {
          Line(std::string(rule.program) + " F104: setup: " + std::string(rule.marker));
        }
      }
      return;
    }
    const Program& program = programs[kind % programs.size()];
    const std::string code = std::string(program.name) + " " + std::string(random.Pick(kLetters)) +
                             random.Number(100, 999);
    if (program.showsExcerpt) {
      const std::string line = random.Number(1, 2000);
      Line(code + ": [\"" + File(".cpp") + "\" " + line + "] " +
           std::string(random.Pick(kCppMessages)));
      Line(line + " " + std::string(random.Pick(kSourceLines)));
    } else if (random.Below(2) == 0) {
      Line(code + ": [\"" + File(".c") + "\" " + random.Number(1, 2000) + "/" +
           random.Number(1, 80) + "] " + std::string(random.Pick(kCMessages)));
    } else {
      Line(code + ": " + std::string(random.Pick(kLinkerMessages)));
    }
  }

  std::string Filler(std::size_t size) {
    std::string text;
    text.reserve(size + 32);
    while (text.size() < size) {
      text.append(random.Pick(kFillerWords));
      text.push_back(' ');
    }
    text.resize(size);
    if (text.back() == ' ') text.back() = ';';
    return text;
  }
};

int Usage() {
  std::fputs("usage: quonvel_generate_log typical|dense|long-line <megabytes> <output> [seed]\n",
             stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || argc > 5) return Usage();
  const std::string_view kind = argv[1];
  const std::size_t megabytes = std::strtoull(argv[2], nullptr, 10);
  const std::uint64_t seed = argc == 5 ? std::strtoull(argv[4], nullptr, 10) : 1;
  if (megabytes == 0) return Usage();
  const std::size_t size = megabytes << 20;

  std::FILE* file = std::fopen(argv[3], "wb");
  if (file == nullptr) {
    std::perror(argv[3]);
    return 1;
  }
  Generator gen{Random{seed}, {}};
  // Written in pieces of a few MB so that memory stays small.
  constexpr std::size_t kPiece = std::size_t{4} << 20;
  std::size_t written = 0;
  const auto flush = [&] {
    std::fwrite(gen.out.data(), 1, gen.out.size(), file);
    written += gen.out.size();
    gen.out.clear();
  };

  if (kind == "typical" || kind == "dense") {
    const bool dense = kind == "dense";
    while (written + gen.out.size() < size) {
      if (dense || gen.random.Below(8) == 0) {
        gen.Diagnostic();
      } else if (gen.random.Below(2) == 0) {
        gen.Invocation();
      } else {
        gen.Progress();
      }
      if (gen.out.size() >= kPiece) flush();
    }
  } else if (kind == "long-line") {
    gen.Line("[ 10%] Building object src/drivers/can_drv.c.o");
    // A long diagnostic of each program of the rule table.
    for (const Program& program : Programs()) {
      const std::string name(program.name);
      gen.Line(name + " -c --core=tc1.6.2 -O2 -Isrc/include -o build/obj/can_drv.o src/can_drv.c");
      if (program.showsExcerpt) {
        gen.Line("[ 50%] Building object src/app/motor.cpp.o");
        gen.Line(name + " E1234: [\"src/app/motor.cpp\" 57] " + gen.Filler(size));
        gen.Line("57 return speedLimit;");
      } else {
        gen.Line(name + " E200: [\"src/drivers/can_drv.c\" 118/23] " + gen.Filler(size));
      }
      flush();
    }
    gen.Line("[100%] Built target fw");
  } else {
    std::fclose(file);
    return Usage();
  }
  flush();
  const bool failed = std::fclose(file) != 0;
  if (failed) std::perror(argv[3]);
  return failed ? 1 : 0;
}
