// The --Output file. The layout's text goes to a file of a temporary name
// beside it, in the same folder, which is renamed into place once it is
// whole: a reader finds the previous file or the whole new one, never a
// part, and a run that fails or is stopped leaves the previous file.
#pragma once

#include <optional>
#include <string>

#include "output/console.h"

class OutputFile {
 public:
  // Creates the temporary file beside `path`; IsOpen() tells whether it
  // could. A stop request removes it from then on.
  explicit OutputFile(std::string path);
  // Removes the temporary file unless Commit put it into place.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool IsOpen() const { return lines_.has_value(); }
  // Takes the text; any failed write counts.
  LineOutput& Lines() { return *lines_; }
  // Writes what is kept, makes the file durable, closes it and renames it
  // into place, replacing any file of that name. False when a step failed;
  // the temporary file is gone then.
  bool Commit();

 private:
  void Discard();

  std::string path_;
  std::string temporary_;
  int descriptor_ = -1;
  std::optional<LineOutput> lines_;
};
