// Run mode (`Quonvel [options] -- <program> [arguments]`): the command is
// started as the run's input, and its exit code and its failures are
// reported once the log is converted.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/run.h"
#include "input/input_file.h"

// Starts `command` (the program first) with its output read through
// `input`, and with `log` (empty: none) taking that output byte for byte.
// When it cannot start: the message on standard error, and the exit code
// (127 not found, 126 not startable, -4 a log that cannot be written).
std::optional<int> StartRunMode(const std::vector<std::string>& command, const std::string& log,
                                InputFile& input);

// After the conversion: the run's exit code. `own` is what Quonvel would
// return for the log alone (0, 1 by --FailOn, -4 for its own failure). A
// run that stopped writing (its reader gone, a failed write) ends the
// command and keeps `own`; otherwise the command is waited for, and its
// exit code is the run's when it failed. A failed command that left no
// diagnostic is named on standard error with its last lines.
int FinishRunMode(const std::vector<std::string>& command, const std::string& log, InputFile& input,
                  const RunOutcome& outcome, int own);
