#include "regex_oracle.h"

#include <map>
#include <mutex>

#include "render/msvc.h"
#include "rules/dispatch.h"

const std::regex& OracleRegex(const MessagePattern& pattern) {
  static std::mutex lock;
  static std::map<std::string, std::regex> compiled;
  const std::lock_guard<std::mutex> guard(lock);
  auto found = compiled.find(pattern.text);
  if (found == compiled.end()) {
    found = compiled.emplace(pattern.text, std::regex(pattern.text, std::regex::ECMAScript)).first;
  }
  return found->second;
}

bool OracleMatch(const MessagePattern& pattern, std::string_view line, MatchResult& match) {
  match = MatchResult{};
  std::match_results<std::string_view::const_iterator> groups;
  if (!std::regex_match(line.begin(), line.end(), groups, OracleRegex(pattern))) return false;
  match.size = std::min(groups.size(), kMaxGroups);
  for (std::size_t i = 0; i < match.size; ++i) {
    if (groups[i].matched) {
      const auto offset = static_cast<std::size_t>(groups[i].first - line.begin());
      match.groups[i] = line.substr(offset, static_cast<std::size_t>(groups[i].length()));
    }
  }
  return true;
}

LineMarkers SubstringMarkers(std::string_view line) {
  const auto has = [line](std::string_view marker) {
    return line.find(marker) != std::string_view::npos;
  };
  LineMarkers markers;
  markers.ctc = has("ctc");
  markers.ltc = has("ltc");
  markers.cptc = has("cptc");
  markers.license = has("No valid license found");
  return markers;
}

bool OracleDispatchLine(LogLine line, std::string& output, Recognition recognition) {
  return DispatchLineWith(line, SubstringMarkers(line), recognition, output, OracleMatch,
                          FormatMsvcLine);
}
