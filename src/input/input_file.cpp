#include "input/input_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <poll.h>
#include <unistd.h>
#endif

InputFile OpenInputFile(const std::string& path) {
  InputFile input;
  if (path == "-") {
#ifdef _WIN32
    // The C runtime opens it in text mode, which would fold CR LF and stop at
    // 0x1A by its own rules.
    static_cast<void>(_setmode(_fileno(stdin), _O_BINARY));
#endif
    input.handle.reset(stdin);
    return input;
  }
  std::error_code error;
  // A directory cannot be opened as a file on Windows; treat it alike here.
  if (std::filesystem::is_directory(path, error)) return input;
  input.handle.reset(std::fopen(path.c_str(), "rb"));
  return input;
}

bool IsOpen(const InputFile& input) { return input.handle != nullptr || input.command; }

void Close(InputFile& input) {
  if (input.command) CloseCommand(*input.command);
  input.handle.reset();
}

namespace {

long long ReadFrom(std::FILE* file, char* to, std::size_t size) {
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
    if (got >= 0) return got;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
    // Whoever made the descriptor non-blocking did not make the log end: wait
    // for the writer.
    pollfd wanted = {descriptor, POLLIN, 0};
    if (poll(&wanted, 1, -1) < 0 && errno != EINTR) return -1;
  }
#endif
}

}  // namespace

long long ReadSome(InputFile& input, char* to, std::size_t size) {
  const long long got = input.command ? ReadCommand(*input.command, to, size)
                                      : ReadFrom(input.handle.get(), to, size);
  if (got > 0) input.delivered = true;
  return got;
}
