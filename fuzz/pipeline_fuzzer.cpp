// The whole way from file bytes to diagnostics, in both recognitions, read
// in blocks of a few bytes so that block edges fall everywhere, compared with
// the references of tests/support/pipeline_reference.cpp, written from the
// rules as they are stated, not from the program's code. Every printed line
// and every diagnostic's fields must agree; then each layout converts the
// log without fault. A difference aborts, and libFuzzer keeps the input. A
// UTF-16 log, or one with lines longer than std::regex survives, is only
// converted, for the sanitizers; the unit tests check its text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline.h"
#include "pipeline_reference.h"

namespace {

[[noreturn]] void Fail(const char* what, std::string_view line) {
  std::fprintf(stderr, "%s; line of %zu bytes: \"%.*s\"\n", what, line.size(),
               static_cast<int>(line.size() < 300 ? line.size() : 300), line.data());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t blockSize = 1 + size % 97;
  for (const LayoutEntry& entry : Layouts())
    ConvertedPieces(bytes, entry, {"build.log"}, blockSize);
  if (!ReferenceReads(bytes)) return 0;
  if (ConvertedText(bytes, *FindLayout("msvc"), blockSize) != ReferenceClassicText(bytes)) {
    Fail("the output window's text differs from the reference", bytes);
  }
  const std::vector<std::string> ours = SoundDiagnostics(bytes, blockSize);
  const std::vector<std::string> reference = ReferenceSoundDiagnostics(bytes);
  if (ours != reference) {
    for (const std::string& fields : ours) std::fprintf(stderr, "ours:      %s\n", fields.c_str());
    for (const std::string& fields : reference) {
      std::fprintf(stderr, "reference: %s\n", fields.c_str());
    }
    Fail("the sound recognition differs from the reference", bytes);
  }
  return 0;
}
