#include "log/read_some.h"

#include <algorithm>
#include <cerrno>
#include <climits>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

long long ReadSome(std::FILE* file, char* to, std::size_t size) {
#ifdef _WIN32
  // The file is in binary mode; _read takes an unsigned count and returns 0
  // for a pipe whose writer has gone.
  const unsigned count = static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX));
  return _read(_fileno(file), to, count);
#else
  const int descriptor = fileno(file);
  if (descriptor < 0) {
    // A stream of the C library's own making (fopencookie) has none.
    const std::size_t got = std::fread(to, 1, size, file);
    return got > 0 ? static_cast<long long>(got) : std::ferror(file) ? -1 : 0;
  }
  for (;;) {
    const ssize_t got = read(descriptor, to, std::min<std::size_t>(size, SSIZE_MAX));
    if (got >= 0 || errno != EINTR) return got;
  }
#endif
}
