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

// The file as a URI reference, appended to `uri`: a relative path stays
// relative, with '/' between its parts; an absolute one becomes a "file:"
// URI, whose host is the server of a UNC path (\\server\share) and empty
// otherwise.
void AppendFileUri(std::string_view file, std::string& uri);

std::unique_ptr<Layout> MakeSarifLayout(const LayoutSettings& settings);
