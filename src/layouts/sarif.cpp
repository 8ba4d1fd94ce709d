#include "layouts/sarif.h"

#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "layouts/json_writer.h"
#include "layouts/layout_text.h"

namespace {

// The id of --SourceRoot among the run's originalUriBaseIds.
constexpr std::string_view kSourceRootId = "SRCROOT";

// The largest line or column: SARIF stores them as 32-bit signed integers.
constexpr std::uint64_t kMaxPosition = 2147483647;

// The rule descriptions kept, so that memory stays bounded however many
// rule ids a log holds; a result of a later id names its rule by ruleId
// alone, which SARIF allows.
constexpr std::size_t kMaxRules = 10'000;
// About what one rule description takes, a little more than most.
constexpr std::size_t kRuleSize = 384;

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

std::string_view Level(std::string_view severity) {
  return severity == "E" || severity == "F" ? "error" : severity == "I" ? "note" : "warning";
}

// Without a line, the location is the file alone.
void WriteLocation(JsonWriter& json, std::string_view file, std::optional<std::uint64_t> line,
                   std::optional<std::uint64_t> column, std::string_view snippet,
                   const SourceRoot* root) {
  json.Key("locations").BeginArray().BeginObject();
  json.Key("physicalLocation").BeginObject();
  // A file under the source root is named relative to it.
  static std::string scratch;
  bool underRoot = false;
  if (root != nullptr) file = root->Written(file, scratch, &underRoot);
  // A URI holds plain characters and escapes only: fit for JSON as it is.
  json.Key("artifactLocation").BeginObject().Key("uri");
  json.StringWith([file](std::string& out) { AppendFileUri(file, out); });
  if (underRoot) json.Member("uriBaseId", kSourceRootId);
  json.EndObject();
  if (line) {
    json.Key("region").BeginObject().Key("startLine").Number(*line);
    if (column) json.Key("startColumn").Number(*column);
    if (!snippet.empty()) json.Key("snippet").BeginObject().Member("text", snippet).EndObject();
    json.EndObject();
  }
  json.EndObject().EndObject().EndArray();
}

// What a rule id tells: its tool, and its severity letter and number.
struct RuleName {
  std::string_view tool;  // the program, e.g. ctc
  std::string_view code;  // e.g. "W505"

  explicit RuleName(std::string_view id) {
    std::size_t letters = 0;
    while (letters < id.size() && !(id[letters] >= 'A' && id[letters] <= 'Z')) ++letters;
    tool = id.substr(0, letters);
    code = id.substr(letters);
  }
};

// "a warning", "an error": what a message of this letter is.
std::string_view Kind(std::string_view code, bool article) {
  const char letter = code.empty() ? 'E' : code.front();
  std::string_view kind = letter == 'W'   ? "a warning"
                          : letter == 'F' ? "a fatal error"
                          : letter == 'I' ? "an information message"
                                          : "an error";
  if (!article) kind.remove_prefix(kind.find(' ') + 1);
  return kind;
}

void WriteRule(JsonWriter& json, std::string_view id, std::string& text) {
  const RuleName name(id);
  const Program& program = ProgramNamed(name.tool);
  const bool known = !program.name.empty();
  json.BeginObject().Member("id", id);
  // "TriCore C compiler warning W505." or "TriCore program xtc error E243."
  text.assign("TriCore ").append(program.kind).append(" ");
  if (!known) text.append(name.tool).append(" ");
  text.append(Kind(name.code, false)).append(" ").append(name.code).append(".");
  json.Key("shortDescription").BeginObject().Member("text", text).EndObject();
  text.assign("Message ").append(name.code).append(" of ");
  if (known) {
    text.append("the TriCore ").append(program.kind).append(" (").append(name.tool).append(")");
  } else {
    text.append(name.tool).append(", a ").append(program.kind).append(" of the TriCore toolchain");
  }
  text.append(", ").append(Kind(name.code, true)).append(".");
  json.Key("fullDescription").BeginObject().Member("text", text).EndObject();
  if (known) {
    text.assign("See the TriCore ").append(program.kind).append("'s manual on message ");
    text.append(name.code).append(".");
  } else {
    text.assign("See the TriCore toolchain's manual on message ").append(name.code);
    text.append(" of ").append(name.tool).append(".");
  }
  json.Key("help").BeginObject().Member("text", text).EndObject();
  json.Key("defaultConfiguration")
      .BeginObject()
      .Member("level", Level(name.code.substr(0, 1)))
      .EndObject();
  json.EndObject();
}

class SarifLayout : public Layout {
 public:
  explicit SarifLayout(const LayoutSettings& settings)
      : log_(settings.log), root_(settings.sourceRoot) {}

  void Begin(std::string& out) override {
    out.assign(R"({"$schema":"https://json.schemastore.org/sarif-2.1.0.json","version":"2.1.0",)"
               R"("runs":[{)");
    if (!root_.Empty()) {
      // The root as a folder's URI, which ends in "/".
      out.append(R"("originalUriBaseIds":{")").append(kSourceRootId).append(R"(":{"uri":")");
      AppendFileUri(root_.Normalized(), out);
      if (out.back() != '/') out.push_back('/');
      out.append(R"("}},)");
    }
    out.append(R"("results":[)");
  }

  void Write(const Diagnostic& diagnostic, const LineOrigin& origin, std::string& out) override {
    id_.clear();
    AppendCode(diagnostic, id_);
    std::optional<std::size_t> rule;
    if (const auto found = index_.find(id_); found != index_.end()) {
      rule = found->second;
    } else if (ids_.size() < kMaxRules) {
      rule = ids_.size();
      ids_.push_back(&index_.emplace(id_, *rule).first->first);  // nodes stay where they are
    }
    out.clear();
    if (results_++ > 0) out.push_back(',');
    FormatSarifResult(diagnostic, origin, rule, line_, &root_);
    out.append(line_);
  }

  void End(const RunEnd& end, std::string& out) override {
    // The results array ends; the run object they stand in goes on.
    out.clear();
    out.push_back(']');
    JsonWriter json(out);
    json.InObject();
    json.Key("tool").BeginObject().Key("driver").BeginObject();
    json.Member("name", "Quonvel").Member("version", QUONVEL_VERSION);
    json.Member("informationUri", QUONVEL_INFORMATION_URI);
    json.Key("rules").BeginArray();
    // Room for every rule at once: a string that doubled its way there would
    // have held about twice as much at its peak.
    out.reserve(out.size() + ids_.size() * kRuleSize + 1024);
    std::string description;
    for (const std::string* id : ids_) WriteRule(json, *id, description);
    json.EndArray().EndObject().EndObject();
    json.Key("invocations").BeginArray().BeginObject();
    json.Key("executionSuccessful").Bool(end.inputComplete);
    if (!end.inputComplete) {
      json.Key("toolExecutionNotifications").BeginArray().BeginObject();
      json.Member("level", "error");
      std::string text = "Cannot read input file.";
      if (!end.inputOpened) text.assign("Cannot open input file \"").append(log_).append("\".");
      json.Key("message").BeginObject().Member("text", text).EndObject();
      json.EndObject().EndArray();
    }
    json.EndObject().EndArray().EndObject();
    out.append("]}");
  }

  bool TellsFailure() const override { return true; }

 private:
  std::string_view log_;
  SourceRoot root_;
  std::size_t results_ = 0;
  std::unordered_map<std::string, std::size_t> index_;
  std::vector<const std::string*> ids_;  // the ids, by index
  std::string id_;                       // the id looked up, reused
  std::string line_;                     // reused for every result
};

}  // namespace

void AppendFileUri(std::string_view file, std::string& uri) {
  const auto slash = [](char c) { return c == '\\' || c == '/'; };
  // "C:" alone is the drive (a root given as "C:").
  const bool drive = file.size() >= 2 && file[1] == ':' && (file.size() == 2 || slash(file[2])) &&
                     ((file[0] >= 'a' && file[0] <= 'z') || (file[0] >= 'A' && file[0] <= 'Z'));
  std::string_view rest = file;
  if (drive) {
    uri.append("file:///").append(file, 0, 2);
    rest.remove_prefix(2);
  } else if (file.starts_with("\\\\")) {
    uri.append("file:");  // a UNC path: its server becomes the URI's host
  } else if (!file.empty() && slash(file[0])) {
    // Any other leading pair of separators stays in the path: "file:////x".
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
                       std::optional<std::size_t> ruleIndex, std::string& output,
                       const SourceRoot* root) {
  output.assign(R"({"ruleId":")");
  AppendCode(diagnostic, output);
  output.push_back('"');
  JsonWriter json(output);
  json.InObject();
  if (ruleIndex) json.Key("ruleIndex").Number(*ruleIndex);
  json.Member("level", Level(diagnostic.severity));
  const std::optional<std::uint64_t> line = Position(diagnostic.line);
  const bool located = HasFile(diagnostic) && line;
  // Built in a buffer of its own, reused from result to result.
  static std::string message;
  message.clear();
  if (HasFile(diagnostic) && !located) {
    // Its own location, which names no line, leads the text.
    static std::string file;
    message.append(root != nullptr ? root->Written(diagnostic.file, file) : diagnostic.file);
    message.append("(").append(diagnostic.line);
    if (!diagnostic.column.empty()) message.append(",").append(diagnostic.column);
    message.append(") - ");
  }
  AppendMessage(diagnostic, message);
  json.Key("message").BeginObject().Member("text", message).EndObject();
  if (located) {
    WriteLocation(json, diagnostic.file, *line, Position(diagnostic.column),
                  Trimmed(diagnostic.excerpt), root);
  } else if (!origin.log.empty() && origin.line > 0) {
    // A line past what SARIF can carry leaves the log itself as the location.
    WriteLocation(json, origin.log,
                  origin.line <= kMaxPosition ? std::optional(origin.line) : std::nullopt,
                  std::nullopt, {}, root);
  }
  json.EndObject();
}

std::unique_ptr<Layout> MakeSarifLayout(const LayoutSettings& settings) {
  return std::make_unique<SarifLayout>(settings);
}
