#include "log/standard_input.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

std::FILE* BinaryStandardInput() {
#ifdef _WIN32
  // The C runtime opens it in text mode, which would fold CR LF and stop at
  // 0x1A by its own rules.
  static_cast<void>(_setmode(_fileno(stdin), _O_BINARY));
#endif
  return stdin;
}
