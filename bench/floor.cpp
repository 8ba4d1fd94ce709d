// The floor of bench/run: the least work that Quonvel's output contract
// allows. It reads the whole log in blocks of 1 MB, as Quonvel does, and
// writes the already known output, one write call and one flush per output
// line, exactly as Quonvel writes it. Nothing is parsed or matched.
//
// Usage: quonvel_floor <log> <output lines>   (output on standard output)
//
// A C++ compiler diagnostic comes out as two lines (the layout line and the
// continuation) from one write; a line in that layout, "file(57) : Error: ..."
// or "... : Warning: ...", is therefore written together with the line after
// it, so that the floor makes as many write calls as Quonvel.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

bool ReadWhole(const char* path, std::string& bytes) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  std::fseek(file, 0, SEEK_END);
  const long size = std::ftell(file);
  std::fseek(file, 0, SEEK_SET);
  bytes.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
  const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
  bytes.resize(got);
  std::fclose(file);
  return true;
}

bool IsCptcLayout(std::string_view line) {
  return line.find(") : Error: ") != std::string_view::npos ||
         line.find(") : Warning: ") != std::string_view::npos;
}

// Reads the log through, block by block, into one reused buffer.
bool ReadThrough(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  static char block[1 << 20];
  while (std::fread(block, 1, sizeof block, file) == sizeof block) {
  }
  std::fclose(file);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: quonvel_floor <log> <output lines>\n", stderr);
    return 2;
  }
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);

  std::string lines;
  if (!ReadWhole(argv[2], lines) || !ReadThrough(argv[1])) {
    std::fputs("quonvel_floor: cannot read the input\n", stderr);
    return 1;
  }

  const std::string_view text = lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size() - 1;
    if (IsCptcLayout(text.substr(start, end - start)) && end + 1 < text.size()) {
      end = text.find('\n', end + 1);
      if (end == std::string_view::npos) end = text.size() - 1;
    }
    std::fwrite(text.data() + start, 1, end + 1 - start, stdout);
    std::fflush(stdout);
    start = end + 1;
  }
  return 0;
}
