// Other platforms have no version resources: the banner's values travel in a
// version record (app/version_record.h) compiled into the executable, and are
// found again by searching the file named by argument 0.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "app/version_banner.h"
#include "app/version_banner_platform.h"
#include "app/version_record.h"
#include "version_values.h"

namespace {

constexpr std::string_view kFileName = QUONVEL_ORIGINAL_FILENAME;
constexpr std::string_view kLegalNotice = QUONVEL_LEGAL_COPYRIGHT;
constexpr std::uint32_t kFileVersionMS =
    std::uint32_t{QUONVEL_VERSION_MAJOR} << 16 | QUONVEL_VERSION_MINOR;

// The record itself. Nothing in the program reads it directly, so it is
// marked used to stop the compiler from dropping it.
[[gnu::used]] constexpr auto kVersionRecord =
    version_record::BuildRecord<version_record::RecordSize(kFileName, kLegalNotice)>(
        kFileVersionMS, kFileName, kLegalNotice);

bool IsExecutableFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The file a shell would start for `name`: the name itself when it has a
// directory part, else the first executable file of that name along PATH,
// where an empty entry means the current directory.
std::string ProgramFile(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return name;
  std::string searchPath;
  if (const char* path = std::getenv("PATH")) {
    searchPath = path;
  } else {
    const std::size_t size = confstr(_CS_PATH, nullptr, 0);
    searchPath.resize(size);
    if (size > 0) searchPath.resize(confstr(_CS_PATH, searchPath.data(), size) - 1);
  }
  std::string_view rest = searchPath;
  for (;;) {
    const std::size_t colon = rest.find(':');
    const std::string_view dir = rest.substr(0, colon);
    const std::string candidate = (dir.empty() ? std::string(".") : std::string(dir)) + "/" + name;
    if (IsExecutableFile(candidate)) return candidate;
    if (colon == std::string_view::npos) return {};
    rest.remove_prefix(colon + 1);
  }
}

// Maps the file and searches it; only regular files, so that a FIFO or a
// device named by argument 0 cannot block or flood us.
std::optional<version_record::VersionRecord> ReadRecordFrom(const std::string& file) {
  if (file.empty()) return std::nullopt;
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<version_record::VersionRecord> record;
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    const auto size = static_cast<std::size_t>(info.st_size);
    void* bytes = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (bytes != MAP_FAILED) {
      record = version_record::FindVersionRecord(
          std::string_view(static_cast<const char*>(bytes), size));
      munmap(bytes, size);
    }
  }
  close(fd);
  return record;
}

}  // namespace

std::optional<VersionInfo> ReadVersionInfo(const char* programPath) {
  // A use the linker sees too, for builds that drop unreferenced sections.
  static_cast<void>(*static_cast<const volatile char*>(kVersionRecord.data()));
  const std::optional<version_record::VersionRecord> record =
      ReadRecordFrom(ProgramFile(programPath));
  if (!record) return std::nullopt;
  return VersionInfo{record->fileName, VersionText(record->fileVersionMS), record->legalNotice};
}
