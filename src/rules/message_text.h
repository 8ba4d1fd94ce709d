// Texts shared by the message formatters.
#pragma once

#include <string_view>

inline constexpr std::string_view kEmptyCtcMessage = "empty ctc msg";
inline constexpr std::string_view kEmptyCptcMessage = "empty cptc msg";

// The MSVC output window knows errors and warnings; fatal errors are errors.
inline std::string_view SeverityWord(std::string_view letter) {
  return letter == "E" || letter == "F" ? "Error" : "Warning";
}
