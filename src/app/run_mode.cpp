#include "app/run_mode.h"

#include "input/command.h"
#include "output/console.h"

namespace {

constexpr int kFailure = -4;

}  // namespace

std::optional<int> StartRunMode(const std::vector<std::string>& command, const std::string& log,
                                InputFile& input) {
  const CommandStart start = StartCommand(command, input, {log});
  if (start.status == CommandStatus::kStarted) return std::nullopt;
  WriteErrorLine(start.message);
  return start.exitCode;
}

int FinishRunMode(const std::vector<std::string>& command, const std::string& log, InputFile& input,
                  const RunOutcome& outcome, int own) {
  if (outcome.readerGone) {
    EndCommand(input);
    return own;
  }
  const int code = WaitForCommand(input);
  if (CommandLogFailed(input)) {
    WriteErrorLine("Quonvel error: Cannot write " + QuotedForMessage(log) + ".");
    if (own == 0) own = kFailure;
  }
  if (code == 0) return own;
  // A build that failed without a diagnostic (a missing make rule, a crash)
  // would otherwise fail in silence: what it said last tells why.
  if (outcome.errors + outcome.warnings + outcome.notes == 0) {
    const std::vector<std::string> tail = CommandTail(input);
    WriteErrorLine("Quonvel: " + QuotedForMessage(command.front()) + " exited with code " +
                   std::to_string(code) +
                   (tail.empty() ? " and wrote nothing." : "; its last lines:"));
    for (const std::string& line : tail) WriteErrorLine(line);
  }
  return code;
}
