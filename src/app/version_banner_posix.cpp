// Other platforms have no version resources: the banner's values travel in a
// version record (app/version_record.h) compiled into the executable, and are
// found again by searching the file that argument 0 names.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "app/version_banner_platform.h"
#include "app/version_record.h"
#include "version_values.h"

namespace {

constexpr char kRecord[] = "<QuonvelVersion>" QUONVEL_ORIGINAL_FILENAME "\0" QUONVEL_RECORD_VERSION
                           "\0" QUONVEL_LEGAL_COPYRIGHT "</QuonvelVersion>";
constexpr std::size_t kBeginSize = sizeof "<QuonvelVersion>" - 1;
constexpr std::size_t kEndSize = sizeof "</QuonvelVersion>" - 1;
// The markers are read through this pointer, which the compiler cannot see
// through: it cannot fold them into a copy of their own, and the record stays
// in the executable.
const char* volatile recordBytes = kRecord;

// The file a shell would start for `name`: the name itself when it has a
// directory part, else the first executable file of that name along PATH,
// where an empty entry means the current directory.
std::string ProgramFile(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return name;
  std::string searchPath;
  if (const char* path = std::getenv("PATH")) {
    searchPath = path;
  } else {
    searchPath.resize(confstr(_CS_PATH, nullptr, 0));
    if (!searchPath.empty())
      searchPath.resize(confstr(_CS_PATH, searchPath.data(), searchPath.size()) - 1);
  }
  std::string_view rest = searchPath;
  for (;;) {
    const std::size_t colon = rest.find(':');
    const std::string_view dir = rest.substr(0, colon);
    const std::string candidate = (dir.empty() ? std::string(".") : std::string(dir)) + "/" + name;
    struct stat info {};
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
    if (colon == std::string_view::npos) return {};
    rest.remove_prefix(colon + 1);
  }
}

}  // namespace

std::optional<VersionInfo> ReadVersionInfo(const char* programPath) {
  const std::string file = ProgramFile(programPath);
  const int fd = file.empty() ? -1 : open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<VersionInfo> found;
  // Mapped, not read: argument 0 may name a file of any size. Only a regular
  // file, as a FIFO or a device could block or never end.
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    const auto size = static_cast<std::size_t>(info.st_size);
    void* bytes = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (bytes != MAP_FAILED) {
      const char* record = recordBytes;
      found = FindVersionRecord(std::string_view(static_cast<const char*>(bytes), size),
                                std::string_view(record, kBeginSize),
                                std::string_view(record + sizeof kRecord - 1 - kEndSize, kEndSize));
      munmap(bytes, size);
    }
  }
  close(fd);
  return found;
}
