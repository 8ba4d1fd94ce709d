#include "output/output_file.h"

#include <cerrno>
#include <cstdint>
#include <utility>

#include "output/stop_signals.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32

constexpr const char* kSeparators = "/\\:";  // a drive-relative name has only a colon
unsigned long ProcessNumber() { return GetCurrentProcessId(); }

// Text mode, so that the file holds the bytes standard output would have
// sent. Deleting the file stays allowed while it is open, so that a stop
// can remove it before the process ends.
int CreateNew(const std::string& path, bool& exists) {
  const HANDLE handle =
      CreateFileA(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    exists = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
    return -1;
  }
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_TEXT);
  if (descriptor < 0) CloseHandle(handle);
  return descriptor;
}

bool MakeDurable(int descriptor) { return _commit(descriptor) == 0; }
bool Close(int descriptor) { return _close(descriptor) == 0; }
bool Replace(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}
void Remove(const std::string& path) { DeleteFileA(path.c_str()); }

#else

constexpr const char* kSeparators = "/";
unsigned long ProcessNumber() { return static_cast<unsigned long>(getpid()); }

int CreateNew(const std::string& path, bool& exists) {
  const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  exists = descriptor < 0 && errno == EEXIST;
  return descriptor;
}

// Some file systems cannot sync, and say so with EINVAL: nothing to do there.
bool MakeDurable(int descriptor) { return fsync(descriptor) == 0 || errno == EINVAL; }
// After EINTR the descriptor is closed all the same.
bool Close(int descriptor) { return close(descriptor) == 0 || errno == EINTR; }
bool Replace(const std::string& from, const std::string& to) {
  return rename(from.c_str(), to.c_str()) == 0;
}
void Remove(const std::string& path) { unlink(path.c_str()); }

#endif

}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
  // ".out.sarif.4711.tmp" beside "out.sarif": hidden where a leading dot
  // hides, and not matched by the pattern a reader looks for.
  const std::size_t cut = path_.find_last_of(kSeparators);
  const std::size_t nameStart = cut == std::string::npos ? 0 : cut + 1;
  std::string stem = path_.substr(0, nameStart);
  stem.append(".").append(path_, nameStart).append(".").append(std::to_string(ProcessNumber()));
  // A name left by an earlier run that was killed, under the same process
  // number, is not ours to take over.
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary_.assign(stem);
    if (attempt > 0) temporary_.append("-").append(std::to_string(attempt));
    temporary_.append(".tmp");
    RemoveOnStop(temporary_.c_str());
    bool exists = false;
    descriptor_ = CreateNew(temporary_, exists);
    if (descriptor_ >= 0) {
      lines_.emplace(descriptor_);
      lines_->StopOnFailure();
      return;
    }
    RemoveOnStop(nullptr);
    if (!exists) return;
  }
}

OutputFile::~OutputFile() {
  if (descriptor_ >= 0) Discard();
}

void OutputFile::Discard() {
  Close(descriptor_);
  descriptor_ = -1;
  Remove(temporary_);
  RemoveOnStop(nullptr);
}

bool OutputFile::Commit() {
  if (!lines_->Flush() || !MakeDurable(descriptor_)) {
    Discard();
    return false;
  }
  const bool closed = Close(descriptor_);
  descriptor_ = -1;
  if (!closed || !Replace(temporary_, path_)) {
    Remove(temporary_);
    RemoveOnStop(nullptr);
    return false;
  }
  RemoveOnStop(nullptr);
  return true;
}
