// The version record: the banner's three values inside the executable, on
// platforms without Windows version resources.
//
// The banner reads them back from the file that argument 0 names, not from
// the program's own memory, because that is what the Windows banner does
// with the version resource: a renamed or replaced program reports itself,
// and a program started under a name that leads to no such file shows no
// banner, on every platform alike.
//
// Layout: begin marker, file name, NUL, version text ("1.2.0"), NUL, legal
// notice, end marker. The reader takes both markers out of the record itself,
// so the program holds no second copy of them to mistake for a record; a
// begin marker not followed by three values and the end marker is passed over.
#pragma once

#include <optional>
#include <string_view>

#include "app/version_banner_platform.h"

// The first complete record in `bytes`; nothing when there is none.
std::optional<VersionInfo> FindVersionRecord(std::string_view bytes, std::string_view begin,
                                             std::string_view end);
