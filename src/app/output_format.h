// The output layouts that --Format chooses, and the writing of their output.
#pragma once

#include <memory>
#include <string_view>

#include "app/convert.h"
#include "render/sarif.h"

// Converts the lines for one layout and writes what it makes to standard
// output: the line-based layouts line by line, each flushed; SARIF as one
// document, its results as they come, flushed once at the end.
class LayoutOutput {
 public:
  // The layout named `name` ("msvc", "msbuild", "gcc" or "sarif", exactly);
  // Known() is false for any other name, the empty one included.
  explicit LayoutOutput(std::string_view name = "msvc");
  LayoutOutput(const LayoutOutput&) = delete;  // the SARIF sink points at this object
  LayoutOutput& operator=(const LayoutOutput&) = delete;

  bool Known() const { return convert_ != nullptr; }
  LineConverter Converter() const { return convert_; }
  // How the layout wants the log read: the output window's classically,
  // quirks included; the others soundly.
  Recognition Reading() const { return reading_; }
  const LineSink& Sink() const { return sink_; }

  // Called once the log is done. Returns whether the layout has told of an
  // incomplete input itself; the caller then writes no message, which would
  // spoil a document.
  bool Finish(bool inputComplete);

 private:
  LineConverter convert_ = nullptr;
  Recognition reading_ = Recognition::kSound;
  std::unique_ptr<SarifLog> document_;
  LineSink sink_;
};
