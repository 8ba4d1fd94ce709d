#include "app/version_record.h"

#include <string>

std::optional<VersionInfo> FindVersionRecord(std::string_view bytes, std::string_view begin,
                                             std::string_view end) {
  constexpr auto npos = std::string_view::npos;
  for (std::size_t at = bytes.find(begin); at != npos; at = bytes.find(begin, at + 1)) {
    std::string_view values = bytes.substr(at + begin.size());
    const std::size_t stop = values.find(end);
    if (stop == npos) break;
    values = values.substr(0, stop);
    const std::size_t first = values.find('\0');
    const std::size_t second = first == npos ? npos : values.find('\0', first + 1);
    // A begin marker inside belongs to the record that follows it.
    if (second == npos || values.find('\0', second + 1) != npos || values.find(begin) != npos) {
      continue;
    }
    return VersionInfo{std::string(values.substr(0, first)),
                       std::string(values.substr(first + 1, second - first - 1)),
                       std::string(values.substr(second + 1))};
  }
  return std::nullopt;
}
