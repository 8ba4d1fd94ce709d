#include "render/sarif.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>

#include "render/render_text.h"
#include "rules/dispatch.h"

namespace {

using Json = nlohmann::json;

std::string Dump(const Json& value) {
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// SARIF counts lines and columns from 1; digits that give 0, or more than
// a 32-bit signed integer holds, name no position.
std::optional<std::int64_t> Position(std::string_view digits) {
  std::int64_t value = 0;
  for (const char c : digits) {
    value = value * 10 + (c - '0');
    if (value > INT32_MAX) return std::nullopt;
  }
  if (value == 0) return std::nullopt;
  return value;
}

bool IsUriPlain(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(static_cast<char>(c)) ||
         std::string_view("-._~!$&'()*+,;=@/").find(static_cast<char>(c)) != std::string_view::npos;
}

}  // namespace

std::string FileUri(std::string_view file) {
  std::string path(file);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  std::string uri;
  std::string_view rest = path;
  const bool drive = path.size() >= 3 && path[1] == ':' && path[2] == '/' &&
                     ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
  if (drive) {
    uri.append("file:///").append(path, 0, 2);
    rest.remove_prefix(2);
  } else if (rest.starts_with("//")) {
    uri.append("file:");  // a UNC path: its server becomes the URI's host
  } else if (rest.starts_with("/")) {
    uri.append("file://");
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const char c : rest) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsUriPlain(byte)) {
      uri.push_back(c);
    } else {
      uri.append("%").append(1, kHex[byte >> 4]).append(1, kHex[byte & 15]);
    }
  }
  return uri;
}

void FormatSarifResult(const Diagnostic& diagnostic, std::string& output) {
  std::string ruleId;
  AppendCode(diagnostic, ruleId);
  Json result;
  result["ruleId"] = ruleId;
  result["level"] = IsError(diagnostic) ? "error" : "warning";
  const bool hasFile = diagnostic.placeholder.empty() && !diagnostic.file.empty();
  result["message"]["text"] = std::string(diagnostic.placeholder.empty() ? Trimmed(diagnostic.text)
                                                                         : diagnostic.placeholder);
  if (hasFile) {
    Json location;
    Json& physical = location["physicalLocation"];
    physical["artifactLocation"]["uri"] = FileUri(diagnostic.file);
    if (const auto line = Position(diagnostic.line)) {
      Json& region = physical["region"];
      region["startLine"] = *line;
      if (const auto column = Position(diagnostic.column)) region["startColumn"] = *column;
      if (!diagnostic.excerpt.empty()) {
        region["snippet"]["text"] = std::string(Trimmed(diagnostic.excerpt));
      }
    }
    result["locations"] = Json::array({location});
  }
  output = Dump(result);
}

bool ConvertLineSarif(LogLine line, const LineMarkers& markers, std::string& output) {
  return DispatchLineWith(line, markers, output, FullMatch, FormatSarifResult);
}

void AddSarifResult(std::string& results, std::string_view result) {
  if (!results.empty()) results.append(",\n");
  results.append(result);
}

std::string SarifDocument(std::string_view results, bool inputComplete) {
  Json invocation;
  invocation["executionSuccessful"] = inputComplete;
  if (!inputComplete) {
    Json notification;
    notification["level"] = "error";
    notification["message"]["text"] = "Cannot read input file.";
    invocation["toolExecutionNotifications"] = Json::array({notification});
  }
  Json run;
  run["tool"]["driver"]["name"] = "Quonvel";
  run["tool"]["driver"]["version"] = QUONVEL_VERSION;
  run["invocations"] = Json::array({invocation});
  // The results are JSON already: the run is closed after them by hand.
  std::string runText = Dump(run);
  runText.pop_back();
  std::string document = R"({"$schema":"https://json.schemastore.org/sarif-2.1.0.json",)";
  document.append(R"("version":"2.1.0","runs":[)").append(runText).append(R"(,"results":[)");
  if (!results.empty()) document.append("\n").append(results).append("\n");
  return document.append("]}]}");
}
