// Azure Pipelines logging commands, which the agent turns into the issues of
// a run's timeline and summary:
//   ##vso[task.logissue
//   type=warning;code=ctcW505;sourcepath=src/can_drv.c;linenumber=118;columnnumber=23;]conversion
//   of constant
//   ##vso[task.logissue type=error;code=ltcE106;sourcepath=build.log;linenumber=23;]unresolved
//   external: foo
// Escaped as Azure's task library (azure-pipelines-task-lib) escapes them.
// Azure knows errors and warnings only: an information message is a
// warning there. A C++ excerpt follows its text after a line break; invalid
// UTF-8 is written as U+FFFD.
#pragma once

#include <memory>
#include <string>

#include "layouts/layout.h"

std::unique_ptr<Layout> MakeAzureLayout(const LayoutSettings& settings);
