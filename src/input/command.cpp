#include "input/command.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include "input/command_process.h"

namespace {

// The last lines of the command's output, in a ring of fixed size: each line
// keeps at most kTailLineBytes + 1 bytes (the one more tells a cut line), so
// a line of 100 MB costs no more than one of 100 bytes.
class TailRing {
 public:
  void Add(const char* bytes, std::size_t size);
  std::vector<std::string> Lines() const;

 private:
  void Append(const char* bytes, std::size_t size);
  std::array<std::string, kTailLines + 1> lines_;  // kTailLines whole ones and the current
  std::size_t current_ = 0;                        // the slot of the line being read
  std::size_t whole_ = 0;                          // whole lines kept, up to kTailLines
};

void TailRing::Append(const char* bytes, std::size_t size) {
  std::string& line = lines_[current_];
  if (line.size() <= kTailLineBytes) {
    line.append(bytes, std::min(size, kTailLineBytes + 1 - line.size()));
  }
}

void TailRing::Add(const char* bytes, std::size_t size) {
  // A read that holds more than kTailLines line ends pushes out every line
  // before its last kTailLines + 1 line ends: start after that one. The look
  // goes backwards over those last lines only.
  std::size_t from = 0;
  int found = 0;
  for (std::size_t at = size; at > 0; --at) {
    if (bytes[at - 1] != '\n' || ++found <= kTailLines) continue;
    from = at;
    for (std::string& line : lines_) line.clear();
    whole_ = 0;
    break;
  }
  while (from < size) {
    const void* at = std::memchr(bytes + from, '\n', size - from);
    if (at == nullptr) {
      Append(bytes + from, size - from);
      return;
    }
    const std::size_t lineEnd = static_cast<std::size_t>(static_cast<const char*>(at) - bytes);
    Append(bytes + from, lineEnd - from);
    current_ = (current_ + 1) % lines_.size();
    lines_[current_].clear();
    whole_ = std::min<std::size_t>(whole_ + 1, kTailLines);
    from = lineEnd + 1;
  }
}

std::vector<std::string> TailRing::Lines() const {
  std::vector<std::string> lines;
  const bool open = !lines_[current_].empty();
  const std::size_t count = std::min<std::size_t>(whole_ + (open ? 1 : 0), kTailLines);
  for (std::size_t k = count; k > 0; --k) {
    std::string line = lines_[(current_ + lines_.size() + (open ? 1 : 0) - k) % lines_.size()];
    if (line.size() > kTailLineBytes) line.resize(kTailLineBytes);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace

struct RunningCommand {
  CommandProcess process;
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, FileCloser> log;
  bool logFailed = false;
  bool ended = false;  // a read found the end of the output, or failed
  TailRing tail;
};

void RunningCommandEnd::operator()(RunningCommand* command) const {
  ReleaseProcess(command->process);
  delete command;
}

CommandStart StartCommand(const std::vector<std::string>& argv, InputFile& input,
                          const CommandSettings& settings) {
  auto command = std::make_unique<RunningCommand>();
  if (!settings.log.empty()) {
    // Opened before the command starts, so that a log that cannot be written
    // fails the run before anything is built; written without a buffer, so
    // that a hung or killed build leaves everything it wrote in it.
    command->log.reset(std::fopen(settings.log.c_str(), "wb"));
    if (!command->log) {
      return {CommandStatus::kLogNotWritable, -4,
              "Quonvel error: Cannot write \"" + settings.log + "\"."};
    }
    std::setvbuf(command->log.get(), nullptr, _IONBF, 0);
  }
  CommandStart start = StartProcess(argv, command->process);
  if (start.status == CommandStatus::kStarted) {
    input.handle.reset();
    input.command.reset(command.release());
  }
  return start;
}

long long ReadCommand(RunningCommand& command, char* to, std::size_t size) {
  const long long got = ReadProcess(command.process, to, size);
  if (got <= 0) {
    command.ended = true;
    return got;
  }
  const std::size_t bytes = static_cast<std::size_t>(got);
  command.tail.Add(to, bytes);
  // One write per read: the log costs no more than the read did.
  if (command.log && !command.logFailed && std::fwrite(to, 1, bytes, command.log.get()) != bytes) {
    command.logFailed = true;
  }
  return got;
}

void CloseCommand(RunningCommand& command) {
  // A log that the default layout's reading ends early (at a 0x1A): the rest
  // still goes to --Log and the last lines, and the command is not failed by
  // a pipe closed under it.
  char rest[1 << 16];
  while (!command.ended && ReadCommand(command, rest, sizeof rest) > 0) {
  }
  ClosePipe(command.process);
}

int WaitForCommand(InputFile& input) {
  return input.command ? WaitProcess(input.command->process) : 0;
}

void EndCommand(InputFile& input) {
  if (input.command) EndProcess(input.command->process);
}

std::vector<std::string> CommandTail(const InputFile& input) {
  return input.command ? input.command->tail.Lines() : std::vector<std::string>{};
}

bool CommandLogFailed(const InputFile& input) { return input.command && input.command->logFailed; }

int QuietWaitMs(const CommandProcess& process) {
  const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - process.endedAt)
                         .count();
  return static_cast<int>(std::min<long long>(kQuietEndMs, kLongestEndMs - since));
}
