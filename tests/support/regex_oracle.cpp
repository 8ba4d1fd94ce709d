#include "regex_oracle.h"

#include <map>
#include <mutex>
#include <string>

const std::regex& OracleRegex(std::string_view patternText) {
  static std::mutex lock;
  static std::map<std::string, std::regex, std::less<>> compiled;
  const std::lock_guard<std::mutex> guard(lock);
  auto found = compiled.find(patternText);
  if (found == compiled.end()) {
    const std::string text(patternText);
    found = compiled.emplace(text, std::regex(text, std::regex::ECMAScript)).first;
  }
  return found->second;
}

bool OracleMatch(const MessagePattern& pattern, std::string_view line, MatchResult& match) {
  match = MatchResult{};
  std::match_results<std::string_view::const_iterator> groups;
  if (!std::regex_match(line.begin(), line.end(), groups, OracleRegex(pattern.text))) return false;
  match.size = std::min(groups.size(), kMaxGroups);
  for (std::size_t i = 0; i < match.size; ++i) {
    if (groups[i].matched) {
      const auto offset = static_cast<std::size_t>(groups[i].first - line.begin());
      match.groups[i] = line.substr(offset, static_cast<std::size_t>(groups[i].length()));
    }
  }
  return true;
}
