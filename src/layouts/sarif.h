// SARIF 2.1.0, the log format of code scanning and of IDE result viewers.
//
// One document: the results as the diagnostics come, one per line of text,
// so that memory stays bounded however many there are; then the tool with
// one rule per rule id, for the first 10,000 ids (ruleIndex counts them in
// the order they first occur), then the invocation. Text that is not valid
// UTF-8 is written with U+FFFD replacement characters, so the JSON always
// parses; file names become URIs with every byte outside a URI's plain
// characters percent-encoded, so there they survive byte for byte. With
// --SourceRoot the root is the run's SRCROOT, and the files under it URIs
// relative to it.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "layouts/layout.h"
#include "layouts/source_root.h"

// One result object: ruleId (the code, e.g. ctcW505), ruleIndex when given,
// level, message and locations.
// Every result has a location: its file's, or, without a file and line that
// SARIF can carry, the log's own line, or the log alone past the last line
// number SARIF can carry. A file under `root` is named relative to it,
// against the run's SRCROOT.
void FormatSarifResult(const Diagnostic& diagnostic, const LineOrigin& origin,
                       std::optional<std::size_t> ruleIndex, std::string& output,
                       const SourceRoot* root = nullptr);

// The file as a URI reference: a relative path stays relative, with '/'
// between its parts; an absolute one becomes a "file:" URI, whose host is
// the server of a UNC path (\\server\share) and empty otherwise.
std::string FileUri(std::string_view file);
void AppendFileUri(std::string_view file, std::string& uri);

std::unique_ptr<Layout> MakeSarifLayout(const LayoutSettings& settings);
