#include "output/output_file.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

#include "output/stop_signals.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

namespace {

// What identifies a file whatever its name.
struct FileId {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  bool operator==(const FileId&) const = default;
};

enum class InPlace { kReplace, kOpened, kFailed };

#ifdef _WIN32

constexpr const char* kSeparators = "/\\:";  // a drive-relative name has only a colon
unsigned long ProcessNumber() { return GetCurrentProcessId(); }

bool IdentityOf(HANDLE handle, FileId& id) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return false;
  }
  id = {info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
  return true;
}

// Opening a pipe's name would connect to it: names in the device namespace
// are no regular files anyway.
bool IdentityOf(const std::string& path, FileId& id) {
  if (path.starts_with("\\\\.\\") || path.starts_with("//./")) return false;
  const HANDLE handle =
      CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool known = IdentityOf(handle, id);
  CloseHandle(handle);
  return known;
}

bool StandardInputIdentity(FileId& id) { return IdentityOf(GetStdHandle(STD_INPUT_HANDLE), id); }

// Text mode, so that the file holds the bytes standard output would have
// sent.
int Descriptor(HANDLE handle) {
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_TEXT);
  if (descriptor < 0) CloseHandle(handle);
  return descriptor;
}

// Opening an existing regular file for writing changes nothing in it; a
// device (NUL, CON) or a pipe is kept open and written. Windows has no
// permission bits to keep: the new file takes its folder's access rules.
InPlace OpenInPlace(const std::string& path, int& descriptor, unsigned&) {
  const HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return InPlace::kReplace;
  if (GetFileType(handle) == FILE_TYPE_DISK) {
    CloseHandle(handle);
    return InPlace::kReplace;
  }
  descriptor = Descriptor(handle);
  return descriptor >= 0 ? InPlace::kOpened : InPlace::kFailed;
}

// Windows has no file without a name.
int CreateUnnamed(const std::string&) { return -1; }
bool LinkUnnamed(int, const std::string&) { return false; }

// Deleting the file stays allowed while it is open, so that a stop can
// remove it before the process ends.
int CreateNew(const std::string& path) {
  const HANDLE handle =
      CreateFileA(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  return handle == INVALID_HANDLE_VALUE ? -1 : Descriptor(handle);
}

bool KeepMode(int, unsigned) { return true; }
bool MakeDurable(int descriptor) { return _commit(descriptor) == 0; }
bool Close(int descriptor) { return _close(descriptor) == 0; }
bool Replace(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}
void Remove(const std::string& path) { DeleteFileA(path.c_str()); }

// A process we may not look at exists all the same.
bool ProcessExists(unsigned long number) {
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, number);
  if (process == nullptr) return GetLastError() != ERROR_INVALID_PARAMETER;
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

std::string HostName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

#else

constexpr const char* kSeparators = "/";
unsigned long ProcessNumber() { return static_cast<unsigned long>(getpid()); }

bool IdentityOf(const struct stat& status, FileId& id) {
  if (!S_ISREG(status.st_mode)) return false;
  id = {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
  return true;
}

bool IdentityOf(const std::string& path, FileId& id) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && IdentityOf(status, id);
}

bool StandardInputIdentity(FileId& id) {
  struct stat status {};
  return fstat(STDIN_FILENO, &status) == 0 && IdentityOf(status, id);
}

// The descriptor that `path` names through its links (/dev/stdout,
// /dev/fd/1, /proc/self/fd/1), or -1. Opening such a name anew would start
// at offset 0 of a file that the descriptor writes at its own offset.
int NamedDescriptor(const std::string& path) {
  std::filesystem::path at(path);
  std::error_code error;
  for (int hop = 0; hop < 40; ++hop) {
    const std::string name = at.string();
    for (const std::string_view folder : {"/dev/fd/", "/proc/self/fd/"}) {
      const std::string_view number =
          std::string_view(name).substr(name.starts_with(folder) ? folder.size() : name.size());
      if (!number.empty() && number.size() < 9 &&
          number.find_first_not_of("0123456789") == std::string_view::npos) {
        return std::stoi(std::string(number));
      }
    }
    if (!std::filesystem::is_symlink(at, error)) break;
    const std::filesystem::path target = std::filesystem::read_symlink(at, error);
    if (error) break;
    at = target.is_absolute() ? target : at.parent_path() / target;
  }
  return -1;
}

// A regular file (or a folder, or nothing) is replaced; anything else is
// opened for writing as a shell redirection opens it, waiting for a FIFO's
// reader, and one of our own descriptors is written as it is. A regular file
// that took its place meanwhile is replaced after all.
InPlace OpenInPlace(const std::string& path, int& descriptor, unsigned& mode) {
  if (const int own = NamedDescriptor(path); own >= 0) {
    descriptor = fcntl(own, F_DUPFD_CLOEXEC, 0);
    return descriptor >= 0 ? InPlace::kOpened : InPlace::kFailed;
  }
  struct stat status {};
  if (stat(path.c_str(), &status) != 0 || S_ISDIR(status.st_mode)) return InPlace::kReplace;
  if (!S_ISREG(status.st_mode)) {
    descriptor = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) return InPlace::kFailed;
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) return InPlace::kOpened;
    close(descriptor);
    descriptor = -1;
  }
  mode = static_cast<unsigned>(status.st_mode) & 07777u;
  return InPlace::kReplace;
}

// Linux: a file without a name, which a killed run cannot leave behind. A
// file system that has none refuses it, and the named way is taken.
int CreateUnnamed([[maybe_unused]] const std::string& folder) {
#ifdef O_TMPFILE
  return open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#else
  return -1;
#endif
}

// Through /proc, which needs no privilege; AT_EMPTY_PATH needs one.
bool LinkUnnamed([[maybe_unused]] int descriptor, [[maybe_unused]] const std::string& path) {
#ifdef O_TMPFILE
  const std::string self = "/proc/self/fd/" + std::to_string(descriptor);
  if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
  // Without /proc only; otherwise its answer (EEXIST) stands.
  return errno == ENOENT && linkat(descriptor, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0;
#else
  return false;
#endif
}

int CreateNew(const std::string& path) {
  return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

bool KeepMode(int descriptor, unsigned mode) {
  return fchmod(descriptor, static_cast<mode_t>(mode)) == 0;
}
// Some file systems cannot sync, and say so with EINVAL: nothing to do there.
bool MakeDurable(int descriptor) { return fsync(descriptor) == 0 || errno == EINVAL; }
// After EINTR the descriptor is closed all the same.
bool Close(int descriptor) { return close(descriptor) == 0 || errno == EINTR; }
bool Replace(const std::string& from, const std::string& to) {
  return rename(from.c_str(), to.c_str()) == 0;
}
void Remove(const std::string& path) { unlink(path.c_str()); }

// A process we may not signal exists all the same. A number past pid_t's
// range names none (and must not become a process group's).
bool ProcessExists(unsigned long number) {
  if (number == 0 || number > static_cast<unsigned long>(INT_MAX)) return false;
  return kill(static_cast<pid_t>(number), 0) == 0 || errno == EPERM;
}

std::string HostName() {
  char name[256] = {};
  return gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
}

#endif

// The target a chain of symbolic links leads to; a loop or a link that
// cannot be read ends the chain, and the replacing then fails or takes the
// link's place as the system decides.
std::string FollowLinks(const std::string& path) {
  std::filesystem::path at(path);
  std::error_code error;
  for (int hop = 0; hop < 40 && std::filesystem::is_symlink(at, error); ++hop) {
    const std::filesystem::path target = std::filesystem::read_symlink(at, error);
    if (error) break;
    at = target.is_absolute() ? target : at.parent_path() / target;
  }
  return at.string();
}

std::string FolderOf(const std::string& path) {
  const std::size_t cut = path.find_last_of(kSeparators);
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

constexpr std::string_view kTemporaryStart = ".quonvel-";
constexpr std::string_view kTemporaryEnd = ".tmp";

const std::string& HostTag() {
  static const std::string tag = [] {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (const char c : HostName()) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex(8, '0');
    for (int i = 7; i >= 0; --i, hash >>= 4) hex[static_cast<std::size_t>(i)] = kHex[hash & 15];
    return hex;
  }();
  return tag;
}

}  // namespace

std::string TemporaryName(const std::string& folder, unsigned long process) {
  return folder + std::string(kTemporaryStart) + std::to_string(process) + "-" + HostTag() +
         std::string(kTemporaryEnd);
}

std::string TemporaryName(const std::string& folder) {
  return TemporaryName(folder, ProcessNumber());
}

void RemoveStaleTemporaries(const std::string& folder) {
  namespace fs = std::filesystem;
  const std::string end = "-" + HostTag() + std::string(kTemporaryEnd);
  std::error_code error;
  for (fs::directory_iterator entry(folder.empty() ? "." : folder, error);
       !error && entry != fs::directory_iterator(); entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    if (!name.starts_with(kTemporaryStart) || !name.ends_with(end)) continue;
    const std::string_view number = std::string_view(name).substr(
        kTemporaryStart.size(), name.size() - kTemporaryStart.size() - end.size());
    if (number.empty() || number.size() > 10 ||
        number.find_first_not_of("0123456789") != std::string_view::npos) {
      continue;
    }
    if (!ProcessExists(std::stoul(std::string(number)))) {
      std::error_code ignored;
      fs::remove(entry->path(), ignored);
    }
  }
}

bool NamesTheInput(const std::string& output, const std::string& inputFile) {
  FileId target;
  FileId input;
  return IdentityOf(output, target) &&
         (inputFile == "-" ? StandardInputIdentity(input) : IdentityOf(inputFile, input)) &&
         target == input;
}

// The links are followed only for a file to replace: the system follows
// them itself when it opens a device, also those that name no file in a
// folder (/dev/stdout to a pipe: /proc/self/fd/1 -> "pipe:[4711]").
OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
  const InPlace inPlace = OpenInPlace(path_, descriptor_, mode_);
  if (inPlace == InPlace::kFailed) return;
  direct_ = inPlace == InPlace::kOpened;
  if (!direct_) path_ = FollowLinks(path_);
  if (!direct_ && !CreateBeside()) return;
  lines_.emplace(descriptor_);
  lines_->StopOnFailure();
}

bool OutputFile::CreateBeside() {
  const std::string folder = FolderOf(path_);
  descriptor_ = CreateUnnamed(folder);
  unnamed_ = descriptor_ >= 0;
  if (unnamed_) return true;
  RemoveStaleTemporaries(folder);
  temporary_ = TemporaryName(folder);
  RemoveOnStop(temporary_.c_str());
  descriptor_ = CreateNew(temporary_);
  if (descriptor_ < 0) {
    Remove(temporary_);  // ours by its name: left by an earlier process of our number
    descriptor_ = CreateNew(temporary_);
  }
  if (descriptor_ >= 0) return true;
  RemoveOnStop(nullptr);
  temporary_.clear();
  return false;
}

OutputFile::~OutputFile() {
  if (descriptor_ >= 0 || !temporary_.empty()) Discard();
}

void OutputFile::Discard() {
  if (descriptor_ >= 0) Close(descriptor_);
  descriptor_ = -1;
  if (!temporary_.empty()) Remove(temporary_);
  temporary_.clear();
  RemoveOnStop(nullptr);
}

bool OutputFile::Commit() {
  if (!lines_->Flush()) {
    Discard();
    return false;
  }
  if (direct_) {
    const bool closed = Close(descriptor_);
    descriptor_ = -1;
    return closed;
  }
  if ((mode_ != kNoMode && !KeepMode(descriptor_, mode_)) || !MakeDurable(descriptor_)) {
    Discard();
    return false;
  }
  if (unnamed_) {
    // Linked under the new file's name and renamed from there: a link
    // cannot replace a file. A stop in between removes the name.
    temporary_ = TemporaryName(FolderOf(path_));
    RemoveOnStop(temporary_.c_str());
    bool linked = LinkUnnamed(descriptor_, temporary_);
    if (!linked && errno == EEXIST) {
      Remove(temporary_);  // ours by its name: left by an earlier process of our number
      linked = LinkUnnamed(descriptor_, temporary_);
    }
    if (!linked) temporary_.clear();
  }
  const bool closed = Close(descriptor_);
  descriptor_ = -1;
  if (!closed || temporary_.empty() || !Replace(temporary_, path_)) {
    Discard();
    return false;
  }
  temporary_.clear();
  RemoveOnStop(nullptr);
  return true;
}
