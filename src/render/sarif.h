// SARIF 2.1.0, the log format of code scanning and of IDE result viewers.
//
// Each diagnostic becomes one result object, which the converter writes as
// its output text. `SarifLog` writes them out as they come, in order, so
// memory stays bounded however many there are: the results first, then the
// tool with one rule per rule id that occurred (ruleIndex counts them in the
// order they first occur), then the invocation. Text that is not valid UTF-8
// is written with U+FFFD replacement characters, so the JSON always parses;
// file names become URIs with every byte outside a URI's plain characters
// percent-encoded, so there they survive byte for byte.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "log/log_reader.h"
#include "rules/diagnostic.h"

// One result object on one line, without its ruleIndex, e.g.
//   {"ruleId":"ctcW505","level":"warning","message":{"text":"..."},"locations":[...]}
// Every result has a location: its file's, or, without a file and line that
// SARIF can carry, the log's own line.
void FormatSarifResult(const Diagnostic& diagnostic, const LineOrigin& origin, std::string& output);

bool ConvertLineSarif(LogLine line, const LineMarkers& markers, const LineOrigin& origin,
                      std::string& output);

// The file as a URI reference: a relative path stays relative, with '/'
// between its parts; an absolute one becomes a "file:" URI.
std::string FileUri(std::string_view file);
void AppendFileUri(std::string_view file, std::string& uri);

// The whole log, written piece by piece to `write`, which adds a line end,
// need not flush (nobody can read the log before it is whole) and returns
// false once nobody takes the text any more.
class SarifLog {
 public:
  using Writer = std::function<bool(std::string_view text)>;
  explicit SarifLog(Writer write) : write_(std::move(write)) {}

  // One result as FormatSarifResult wrote it; false once nobody takes the
  // log any more.
  bool AddResult(std::string_view result);

  // Closes the log. A run that could not read its input to the end says so
  // in its invocation, which keeps the log valid.
  void Finish(bool inputComplete);

 private:
  bool Begin();

  Writer write_;
  bool begun_ = false;
  std::size_t results_ = 0;
  std::unordered_map<std::string, std::size_t> ruleIndex_;
  std::vector<const std::string*> rules_;  // the ids, by index
  std::string id_;                         // the id looked up, reused
  std::string line_;                       // reused for every result
};
