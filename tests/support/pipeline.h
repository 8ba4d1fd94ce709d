// The read-recognise-write loop as the tests, fuzz targets and benchmarks
// need it, always through the program's own ConvertLog.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/run.h"

using DiagnosticVisitor = std::function<void(const Diagnostic& diagnostic, std::uint64_t line)>;

// Calls `each` with every diagnostic of `log` as `recognition` reads it (a
// C++ diagnostic with its excerpt) and the number of its line; the reader
// takes `blockSize` bytes at a time.
void ForEachDiagnostic(std::string_view log, Recognition recognition, const DiagnosticVisitor& each,
                       std::size_t blockSize = LineReader::kBlockSize);

// Every piece of text that the layout of `entry`, made with `settings`,
// writes for `log`, in order: its opening, one piece per diagnostic, its end
// (the layouts of lines have neither).
std::vector<std::string> ConvertedPieces(std::string_view log, const LayoutEntry& entry,
                                         const LayoutSettings& settings = {"build.log"},
                                         std::size_t blockSize = LineReader::kBlockSize);

// The pieces joined, each followed by a line feed, as standard output shows
// them.
std::string ConvertedText(std::string_view log, const LayoutEntry& entry,
                          std::size_t blockSize = LineReader::kBlockSize);
