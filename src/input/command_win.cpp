// Run mode on Windows: CreateProcessW with a command line that the program's
// C runtime splits back into the arguments as given, the program looked up
// as cmd.exe looks it up, one pipe for standard output and standard error,
// and a job object that ends the command and everything it started with
// Quonvel.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <string>

#include "input/command_process.h"
#include "output/stop_signals.h"

namespace {

// Narrow strings are UTF-8 throughout (the manifest makes it the process's
// code page); the system takes UTF-16.
std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX));
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
  return wide;
}

bool IsFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring Variable(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

// The entries of a list such as PATH or PATHEXT, quotes around one removed.
std::vector<std::wstring> Entries(const std::wstring& list) {
  std::vector<std::wstring> entries;
  std::size_t from = 0;
  while (from <= list.size()) {
    std::size_t end = list.find(L';', from);
    if (end == std::wstring::npos) end = list.size();
    std::wstring entry = list.substr(from, end - from);
    entry.erase(std::remove(entry.begin(), entry.end(), L'"'), entry.end());
    if (!entry.empty()) entries.push_back(entry);
    from = end + 1;
  }
  return entries;
}

// `name` as is when it has an extension, then with each of PATHEXT's.
std::wstring FindIn(const std::wstring& name, const std::vector<std::wstring>& extensions) {
  const std::size_t base = name.find_last_of(L"\\/:");
  const std::size_t dot = name.rfind(L'.');
  const bool hasExtension = dot != std::wstring::npos && (base == std::wstring::npos || dot > base);
  if (hasExtension && IsFile(name)) return name;
  for (const std::wstring& extension : extensions) {
    if (IsFile(name + extension)) return name + extension;
  }
  return {};
}

// As cmd.exe finds a program: a name with a folder in it where it says; a
// bare name in the current folder, then in each folder of PATH.
std::wstring FindProgram(const std::wstring& name) {
  std::wstring pathext = Variable(L"PATHEXT");
  if (pathext.empty()) pathext = L".COM;.EXE;.BAT;.CMD";
  const std::vector<std::wstring> extensions = Entries(pathext);
  if (name.find_first_of(L"\\/:") != std::wstring::npos) return FindIn(name, extensions);
  std::vector<std::wstring> folders = {L"."};
  for (std::wstring& folder : Entries(Variable(L"PATH"))) folders.push_back(std::move(folder));
  for (std::wstring& folder : folders) {
    if (folder.back() != L'\\' && folder.back() != L'/') folder.push_back(L'\\');
    std::wstring found = FindIn(folder + name, extensions);
    if (!found.empty()) return found;
  }
  return {};
}

// One argument as the C runtime (and CommandLineToArgvW) reads it back: in
// quotes when it is empty or holds a blank or a quote; a quote inside and the
// backslashes before it, and those before the closing quote, escaped.
void AppendArgument(std::wstring& line, const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    line += argument;
    return;
  }
  line.push_back(L'"');
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    line.push_back(c);
  }
  line.append(2 * backslashes, L'\\');
  line.push_back(L'"');
}

// One argument of a batch file, which cmd.exe reads by its own rules (the
// class of fault behind CVE-2024-24576), quoted as the Rust standard library
// quotes it since: in quotes unless it holds only letters, digits and
// #$*+-./:?@\_; a quote doubled, backslashes before it doubled; a % that cmd
// would expand broken by %%cd:~,%, which expands to nothing. A line break
// ends cmd's command line whatever the quoting: such an argument is refused.
bool AppendBatchArgument(std::wstring& line, const std::wstring& argument) {
  if (argument.find_first_of(L"\r\n") != std::wstring::npos) return false;
  bool quote = argument.empty() || argument.back() == L'\\';
  for (const wchar_t c : argument) {
    const bool plain = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
                       (c >= L'0' && c <= L'9') ||
                       std::wstring_view(L"#$*+-./:?@\\_").find(c) != std::wstring_view::npos;
    if ((c < 0x80 && !plain) || c < 0x20 || (c >= 0x7F && c < 0xA0)) quote = true;
  }
  if (quote) line.push_back(L'"');
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
    } else {
      if (c == L'"') line.append(backslashes, L'\\').push_back(L'"');
      if (c == L'%') line += L"%%cd:~,";
      backslashes = 0;
    }
    line.push_back(c);
  }
  if (quote) line.append(backslashes, L'\\').push_back(L'"');
  return true;
}

bool IsBatch(const std::wstring& path) {
  if (path.size() < 4) return false;
  const std::wstring extension = path.substr(path.size() - 4);
  return _wcsicmp(extension.c_str(), L".bat") == 0 || _wcsicmp(extension.c_str(), L".cmd") == 0;
}

}  // namespace

namespace {

// The command line for `argv` run as `program`; false for a batch file
// argument that cmd.exe cannot be given unchanged.
bool CommandLine(const std::vector<std::string>& argv, const std::wstring& program,
                 std::wstring& line, std::size_t& refused) {
  if (!IsBatch(program)) {
    const std::wstring first = Widen(argv[0]);
    // Argument 0 is read up to the next blank, or between quotes, with no
    // escapes: a name with a quote in it cannot be passed; the path can.
    line = first.find(L'"') == std::wstring::npos ? L"\"" + first + L"\"" : L"\"" + program + L"\"";
    for (std::size_t i = 1; i < argv.size(); ++i) AppendArgument(line.append(L" "), Widen(argv[i]));
    return true;
  }
  // cmd.exe /c with the whole command in one more pair of quotes, which it
  // removes; no AutoRun (/d), no delayed expansion (/v:OFF).
  refused = 0;
  if (program.find_first_of(L"\"%") != std::wstring::npos) return false;
  line = L"cmd.exe /e:ON /v:OFF /d /c \"\"" + program + L"\"";
  for (std::size_t i = 1; i < argv.size(); ++i) {
    refused = i;
    if (!AppendBatchArgument(line.append(L" "), Widen(argv[i]))) return false;
  }
  line.push_back(L'"');
  return true;
}

std::wstring CmdExe() {
  wchar_t folder[MAX_PATH];
  const UINT size = GetSystemDirectoryW(folder, MAX_PATH);
  return (size > 0 && size < MAX_PATH ? std::wstring(folder, size) : L"C:\\Windows\\System32") +
         L"\\cmd.exe";
}

// One pipe, overlapped at our end so that a read can wait for the command's
// end too; the other end inheritable, for the command's standard output and
// standard error both.
bool MakePipe(HANDLE& ours, HANDLE& theirs) {
  static long count = 0;
  const std::wstring name = L"\\\\.\\pipe\\quonvel-" + std::to_wstring(GetCurrentProcessId()) +
                            L"-" + std::to_wstring(++count);
  ours = CreateNamedPipeW(
      name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 1 << 16, 0, nullptr);
  if (ours == INVALID_HANDLE_VALUE) return false;
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  theirs = CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inherit, OPEN_EXISTING, 0, nullptr);
  if (theirs == INVALID_HANDLE_VALUE) {
    CloseHandle(ours);
    return false;
  }
  // The client is there already: this only confirms the connection.
  ConnectNamedPipe(ours, nullptr);
  return true;
}

// A job that ends every process in it when its last handle, ours, closes.
HANDLE MakeJob() {
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (job == nullptr) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  return job;
}

CommandStart NotStarted(CommandStatus status, const std::string& message) {
  return {status, status == CommandStatus::kNotFound ? 127 : 126, "Quonvel error: " + message};
}

// Starts `line` suspended, with exactly the handles it needs inherited (an
// --Output or --Log file of ours held open by the command would block its
// replacement), in the job, then lets it run.
bool Launch(const std::wstring& program, std::wstring& line, HANDLE output, HANDLE job,
            PROCESS_INFORMATION& info) {
  HANDLE input = nullptr;
  const HANDLE ownInput = GetStdHandle(STD_INPUT_HANDLE);
  if (ownInput != nullptr && ownInput != INVALID_HANDLE_VALUE) {
    DuplicateHandle(GetCurrentProcess(), ownInput, GetCurrentProcess(), &input, 0, TRUE,
                    DUPLICATE_SAME_ACCESS);
  }
  HANDLE inherited[2] = {output, input};
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::string storage(size, '\0');
  auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
  const bool listed =
      InitializeProcThreadAttributeList(attributes, 1, 0, &size) &&
      UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                (input ? 2 : 1) * sizeof(HANDLE), nullptr, nullptr);
  STARTUPINFOEXW startup = {};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = input;
  startup.StartupInfo.hStdOutput = output;
  startup.StartupInfo.hStdError = output;
  startup.lpAttributeList = listed ? attributes : nullptr;
  const DWORD flags =
      CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT | (listed ? EXTENDED_STARTUPINFO_PRESENT : 0);
  const bool started = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, flags,
                                      nullptr, nullptr, &startup.StartupInfo, &info);
  const DWORD error = GetLastError();
  if (listed) DeleteProcThreadAttributeList(attributes);
  if (input != nullptr) CloseHandle(input);
  if (started) {
    // Outside any job (already in one that allows no other): it still runs,
    // and ends at its next write to the closed pipe at the latest.
    if (job != nullptr) AssignProcessToJobObject(job, info.hProcess);
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
  }
  SetLastError(error);
  return started;
}

}  // namespace

CommandStart StartProcess(const std::vector<std::string>& argv, CommandProcess& process) {
  const std::wstring program = FindProgram(Widen(argv[0]));
  if (program.empty()) {
    return NotStarted(CommandStatus::kNotFound, "Cannot find the program \"" + argv[0] + "\".");
  }
  std::wstring line;
  std::size_t refused = 0;
  if (!CommandLine(argv, program, line, refused)) {
    return NotStarted(CommandStatus::kNotStartable,
                      refused == 0
                          ? "Cannot run the batch file \"" + argv[0] +
                                "\": cmd.exe would read its name differently."
                          : std::string("Cannot pass argument ")
                                .append(std::to_string(refused))
                                .append(" to the batch file \"")
                                .append(argv[0])
                                .append("\": cmd.exe would end the command at its line break."));
  }
  HANDLE ours = nullptr;
  HANDLE theirs = nullptr;
  if (!MakePipe(ours, theirs))
    return NotStarted(CommandStatus::kNotStartable, "Cannot make a pipe.");
  const HANDLE job = MakeJob();
  PROCESS_INFORMATION info = {};
  const bool started = Launch(IsBatch(program) ? CmdExe() : program, line, theirs, job, info);
  const DWORD error = GetLastError();
  CloseHandle(theirs);
  if (!started) {
    CloseHandle(ours);
    if (job != nullptr) CloseHandle(job);
    return NotStarted(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                          ? CommandStatus::kNotFound
                          : CommandStatus::kNotStartable,
                      "Cannot start \"" + argv[0] + "\" (error " + std::to_string(error) + ").");
  }
  process.id = reinterpret_cast<std::intptr_t>(info.hProcess);
  process.pipe = reinterpret_cast<std::intptr_t>(ours);
  process.job = reinterpret_cast<std::intptr_t>(job);
  process.event = reinterpret_cast<std::intptr_t>(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  process.forwarding = true;
  ForwardStopsTo(1, true);
  return {};
}

namespace {

HANDLE Handle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

void NoteEnd(CommandProcess& process) {
  process.ended = true;
  process.endedAt = std::chrono::steady_clock::now();
}

}  // namespace

long long ReadProcess(CommandProcess& process, char* to, std::size_t size) {
  const HANDLE pipe = Handle(process.pipe);
  OVERLAPPED overlapped = {};
  overlapped.hEvent = Handle(process.event);
  DWORD got = 0;
  const DWORD count = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  if (ReadFile(pipe, to, count, nullptr, &overlapped)) {
    return GetOverlappedResult(pipe, &overlapped, &got, TRUE) ? got : -1;
  }
  if (GetLastError() == ERROR_BROKEN_PIPE) return 0;
  if (GetLastError() != ERROR_IO_PENDING) return -1;
  // The read waits for bytes, and also for the command's end: after it, for
  // kQuietEndMs without a byte at most.
  for (;;) {
    if (!process.ended) {
      const HANDLE both[2] = {overlapped.hEvent, Handle(process.id)};
      if (WaitForMultipleObjects(2, both, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        NoteEnd(process);
        continue;
      }
    } else {
      const int wait = QuietWaitMs(process);
      if (wait <= 0 ||
          WaitForSingleObject(overlapped.hEvent, static_cast<DWORD>(wait)) != WAIT_OBJECT_0) {
        CancelIoEx(pipe, &overlapped);
      }
    }
    if (GetOverlappedResult(pipe, &overlapped, &got, TRUE)) return got;
    const DWORD error = GetLastError();
    return error == ERROR_BROKEN_PIPE || error == ERROR_OPERATION_ABORTED ? 0 : -1;
  }
}

void ClosePipe(CommandProcess& process) {
  if (process.pipe != -1) CloseHandle(Handle(process.pipe));
  process.pipe = -1;
}

int WaitProcess(CommandProcess& process) {
  if (process.id != -1) {
    WaitForSingleObject(Handle(process.id), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(Handle(process.id), &code);
    process.exitCode = static_cast<int>(code);
    NoteEnd(process);
  }
  if (process.forwarding) ForwardStopsTo(0, false);
  process.forwarding = false;
  return process.exitCode;
}

void EndProcess(CommandProcess& process) {
  ClosePipe(process);
  if (process.id == -1) return;
  if (WaitForSingleObject(Handle(process.id), 0) != WAIT_OBJECT_0) {
    // The whole job: the command and everything it started.
    if (process.job != 0) {
      TerminateJobObject(Handle(process.job), 1);
    } else {
      TerminateProcess(Handle(process.id), 1);
    }
  }
  WaitProcess(process);
}

void ReleaseProcess(CommandProcess& process) {
  EndProcess(process);
  if (process.id != -1) CloseHandle(Handle(process.id));
  if (process.event != 0) CloseHandle(Handle(process.event));
  // Closing the last handle ends what is left in the job.
  if (process.job != 0) CloseHandle(Handle(process.job));
  process.id = -1;
  process.event = 0;
  process.job = 0;
}
