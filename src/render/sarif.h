// SARIF 2.1.0, the log format of code scanning and of IDE result viewers.
//
// Each diagnostic becomes one result object; the converter writes the
// result's JSON as its output text, and the caller gathers them and writes
// the whole log once the input is done. Text that is not valid UTF-8 is
// written with U+FFFD replacement characters, so the JSON always parses;
// file names become URIs with every byte outside a URI's plain characters
// percent-encoded, so there they survive byte for byte.
#pragma once

#include <string>
#include <string_view>

#include "log/log_reader.h"
#include "rules/diagnostic.h"

// One result object on one line, e.g.
//   {"level":"warning","locations":[...],"message":{"text":"..."},"ruleId":"ctcW505"}
void FormatSarifResult(const Diagnostic& diagnostic, std::string& output);

bool ConvertLineSarif(LogLine line, const LineMarkers& markers, std::string& output);

// The file as a URI reference: a relative path stays relative, with '/'
// between its parts; an absolute one becomes a "file:" URI.
std::string FileUri(std::string_view file);

// Adds one result written by the converter to `results`.
void AddSarifResult(std::string& results, std::string_view result);

// The whole log around the gathered results. A run that could not read its
// input to the end says so in its invocation, which keeps the log valid.
std::string SarifDocument(std::string_view results, bool inputComplete);
