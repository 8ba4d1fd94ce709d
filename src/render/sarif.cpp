#include "render/sarif.h"

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "render/json_writer.h"
#include "render/render_text.h"
#include "rules/dispatch.h"

namespace {

constexpr std::string_view kResultStart = R"({"ruleId":")";
// The largest line or column: SARIF stores them as 32-bit signed integers.
constexpr std::uint64_t kMaxPosition = 2147483647;

// SARIF counts lines and columns from 1; digits that give 0, or more than
// a 32-bit signed integer holds, name no position.
std::optional<std::uint64_t> Position(std::string_view digits) {
  std::uint64_t value = 0;
  for (const char c : digits) {
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > kMaxPosition) return std::nullopt;
  }
  if (value == 0) return std::nullopt;
  return value;
}

bool IsUriPlain(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(static_cast<char>(c)) ||
         std::string_view("-._~!$&'()*+,;=@/").find(static_cast<char>(c)) != std::string_view::npos;
}

void WriteLocation(JsonWriter& json, std::string_view file, std::uint64_t line,
                   std::optional<std::uint64_t> column, std::string_view snippet) {
  json.Key("locations").BeginArray().BeginObject();
  json.Key("physicalLocation").BeginObject();
  // A URI holds plain characters and escapes only: fit for JSON as it is.
  json.Key("artifactLocation").BeginObject().Key("uri");
  json.StringWith([file](std::string& out) { AppendFileUri(file, out); }).EndObject();
  json.Key("region").BeginObject().Key("startLine").Number(line);
  if (column) json.Key("startColumn").Number(*column);
  if (!snippet.empty()) json.Key("snippet").BeginObject().Member("text", snippet).EndObject();
  json.EndObject().EndObject().EndObject().EndArray();
}

// What a rule's id tells: its tool, severity letter and number.
struct RuleName {
  std::string_view tool;  // "ctc", "cptc" or "ltc"
  std::string_view code;  // e.g. "W505"
  std::string_view toolName;
  std::string_view kind;

  explicit RuleName(std::string_view id) {
    std::size_t letters = 0;
    while (letters < id.size() && id[letters] >= 'a' && id[letters] <= 'z') ++letters;
    tool = id.substr(0, letters);
    code = id.substr(letters);
    toolName = tool == "cptc" ? "C++ compiler" : tool == "ltc" ? "linker" : "C compiler";
    const char letter = code.empty() ? 'E' : code.front();
    kind = letter == 'W' ? "warning" : letter == 'F' ? "fatal error" : "error";
  }
};

void WriteRule(JsonWriter& json, std::string_view id, std::string& text) {
  const RuleName name(id);
  json.BeginObject().Member("id", id);
  text.assign("TriCore ").append(name.toolName).append(" ").append(name.kind);
  text.append(" ").append(name.code).append(".");
  json.Key("shortDescription").BeginObject().Member("text", text).EndObject();
  text.assign("Message ").append(name.code).append(" of the TriCore ").append(name.toolName);
  text.append(" (").append(name.tool).append("), a ").append(name.kind).append(".");
  json.Key("fullDescription").BeginObject().Member("text", text).EndObject();
  text.assign("See the TriCore ").append(name.toolName).append("'s manual on message ");
  text.append(name.code).append(".");
  json.Key("help").BeginObject().Member("text", text).EndObject();
  json.Key("defaultConfiguration")
      .BeginObject()
      .Member("level", name.kind == "warning" ? "warning" : "error")
      .EndObject();
  json.EndObject();
}

}  // namespace

void AppendFileUri(std::string_view file, std::string& uri) {
  const auto slash = [](char c) { return c == '\\' || c == '/'; };
  const bool drive = file.size() >= 3 && file[1] == ':' && slash(file[2]) &&
                     ((file[0] >= 'a' && file[0] <= 'z') || (file[0] >= 'A' && file[0] <= 'Z'));
  std::string_view rest = file;
  if (drive) {
    uri.append("file:///").append(file, 0, 2);
    rest.remove_prefix(2);
  } else if (file.size() >= 2 && slash(file[0]) && slash(file[1])) {
    uri.append("file:");  // a UNC path: its server becomes the URI's host
  } else if (!file.empty() && slash(file[0])) {
    uri.append("file://");
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const char c : rest) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      uri.push_back('/');
    } else if (IsUriPlain(byte)) {
      uri.push_back(c);
    } else {
      uri.append("%").append(1, kHex[byte >> 4]).append(1, kHex[byte & 15]);
    }
  }
}

std::string FileUri(std::string_view file) {
  std::string uri;
  AppendFileUri(file, uri);
  return uri;
}

void FormatSarifResult(const Diagnostic& diagnostic, const LineOrigin& origin,
                       std::string& output) {
  output.assign(kResultStart);
  AppendCode(diagnostic, output);
  output.push_back('"');
  JsonWriter json(output);
  json.InObject().Member("level", IsError(diagnostic) ? "error" : "warning");
  const std::optional<std::uint64_t> line = Position(diagnostic.line);
  const bool located = HasFile(diagnostic) && line;
  // Built in a buffer of the thread's own, reused from line to line.
  thread_local std::string message;
  message.clear();
  if (HasFile(diagnostic) && !located) {
    // Its own location, which names no line, leads the text.
    message.append(diagnostic.file).append("(").append(diagnostic.line);
    if (!diagnostic.column.empty()) message.append(",").append(diagnostic.column);
    message.append(") - ");
  }
  AppendMessage(diagnostic, message);
  json.Key("message").BeginObject().Member("text", message).EndObject();
  if (located) {
    WriteLocation(json, diagnostic.file, *line, Position(diagnostic.column),
                  Trimmed(diagnostic.excerpt));
  } else if (!origin.log.empty() && origin.line > 0 && origin.line <= kMaxPosition) {
    WriteLocation(json, origin.log, origin.line, std::nullopt, {});
  }
  json.EndObject();
}

bool ConvertLineSarif(LogLine line, const LineMarkers& markers, const LineOrigin& origin,
                      std::string& output) {
  return DispatchLineWith(line, markers, Recognition::kSound, output, FullMatch,
                          [&origin](const Diagnostic& diagnostic, std::string& text) {
                            FormatSarifResult(diagnostic, origin, text);
                          });
}

bool SarifLog::Begin() {
  if (begun_) return true;
  begun_ = true;
  return write_(R"({"$schema":"https://json.schemastore.org/sarif-2.1.0.json","version":"2.1.0",)"
                R"("runs":[{"results":[)");
}

bool SarifLog::AddResult(std::string_view result) {
  if (!Begin()) return false;
  // The id is a tool name, a letter and digits: it needs no escaping.
  const std::string_view afterStart = result.substr(kResultStart.size());
  const std::string_view id = afterStart.substr(0, afterStart.find('"'));
  id_.assign(id);
  auto found = ruleIndex_.find(id_);
  if (found == ruleIndex_.end()) {
    found = ruleIndex_.emplace(id_, rules_.size()).first;
    rules_.push_back(&found->first);  // nodes stay where they are
  }
  line_.clear();
  if (results_++ > 0) line_.push_back(',');
  line_.append(result.substr(0, kResultStart.size() + id.size() + 1));
  line_.append(R"(,"ruleIndex":)");
  AppendNumber(found->second, line_);
  line_.append(result.substr(kResultStart.size() + id.size() + 1));
  return write_(line_);
}

void SarifLog::Finish(bool inputComplete) {
  Begin();
  // The results array ends; the run object they stand in goes on.
  std::string text = "]";
  JsonWriter json(text);
  json.InObject();
  json.Key("tool").BeginObject().Key("driver").BeginObject();
  json.Member("name", "Quonvel").Member("version", QUONVEL_VERSION);
  json.Member("informationUri", QUONVEL_INFORMATION_URI);
  json.Key("rules").BeginArray();
  std::string description;
  for (const std::string* id : rules_) WriteRule(json, *id, description);
  json.EndArray().EndObject().EndObject();
  json.Key("invocations").BeginArray().BeginObject().Key("executionSuccessful").Bool(inputComplete);
  if (!inputComplete) {
    json.Key("toolExecutionNotifications").BeginArray().BeginObject();
    json.Member("level", "error");
    json.Key("message").BeginObject().Member("text", "Cannot read input file.").EndObject();
    json.EndObject().EndArray();
  }
  json.EndObject().EndArray().EndObject();
  text.append("]}");
  write_(text);
}
