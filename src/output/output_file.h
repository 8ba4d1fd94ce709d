// The --Output file. A regular file (or a name that is not there yet) is
// written as a new file in the same folder, which is renamed into place once
// it is whole: a reader finds the previous file or the whole new one, never
// a part, and a run that fails or is stopped leaves the previous file. A
// symbolic link is followed: its target is replaced, the link kept. Anything
// else (a device, a FIFO, a socket, /dev/stdout) is written directly, as a
// shell redirection would, and never replaced.
#pragma once

#include <optional>
#include <string>

#include "output/console.h"

// Whether `output` names the same file as the log `inputFile` ("-" for
// standard input), however each is named: the files are compared (device and
// inode, the volume and file id on Windows), not the names. Only regular
// files count; nothing is opened for reading or writing.
bool NamesTheInput(const std::string& output, const std::string& inputFile);

// Where the platform or the file system has no file without a name, the new
// file has one from the start: short, so that it fits wherever the target's
// name fits, hidden where a leading dot hides, and telling which process on
// which machine made it (".quonvel-4711-1a2b3c4d.tmp", the last part made
// from the host name). For `process` of this machine, or this process.
std::string TemporaryName(const std::string& folder, unsigned long process);
std::string TemporaryName(const std::string& folder);
// Removes the new files in `folder` (ending in a separator, or empty for the
// current folder) that runs on this machine left when they were killed:
// those whose process has ended. Files of other machines (a shared folder)
// and of running processes stay.
void RemoveStaleTemporaries(const std::string& folder);

class OutputFile {
 public:
  // Prepares the target `path`: opens a device or FIFO, or creates the new
  // file beside a regular one; IsOpen() tells whether it could. A stop
  // request removes the new file from then on.
  explicit OutputFile(std::string path);
  // Discards the new file unless Commit put it into place.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool IsOpen() const { return lines_.has_value(); }
  // Takes the text; any failed write counts.
  LineOutput& Lines() { return *lines_; }
  // Writes what is kept, makes the new file durable, gives it the previous
  // file's permission bits and renames it into place. False when a step
  // failed; the new file is gone then.
  bool Commit();
  // Leaves the target as it was (a device or FIFO keeps what it was sent).
  void Discard();

 private:
  bool CreateBeside();

  static constexpr unsigned kNoMode = ~0u;  // a new target's: the default ones

  std::string path_;       // the target, links followed
  std::string temporary_;  // the new file's name while it has one
  int descriptor_ = -1;
  bool direct_ = false;      // written in place: not a regular file
  bool unnamed_ = false;     // a file without a name until Commit links it
  unsigned mode_ = kNoMode;  // the permission bits to keep
  std::optional<LineOutput> lines_;
};
