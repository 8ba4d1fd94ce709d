// The GitLab Code Quality report: a JSON array of Code Climate issues, which
// the merge request widget compares between the source and target branches:
//   [
//   {"type":"issue","check_name":<the code, e.g. ctcW505>,"description":"conversion of constant",
//    "categories":["Bug Risk"],"severity":"minor","fingerprint":"…",
//    "location":{"path":"src/can_drv.c","lines":{"begin":118,"end":118}}}
//   ]
// Severity: blocker for a fatal error, major for an error, minor for a
// warning, info for an information message. A diagnostic without a usable
// location stands at the log's line (placement.h). The description is the
// text alone, one line; the C++ excerpt is left out.
//
// The fingerprint tells GitLab which issue of one report is which of the
// other: a hash of the check name, the path, the line and the description,
// and how often that hash occurred before in the report, so it is the same
// on every run of the same log and different for each issue of a report.
// One at the log's line is hashed without the line, which moves whenever
// the build prints more before it.
#pragma once

#include <memory>

#include "layouts/layout.h"

std::unique_ptr<Layout> MakeCodeQualityLayout(const LayoutSettings& settings);
