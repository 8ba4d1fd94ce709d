// References for the whole way from file bytes to diagnostics, in both
// recognitions, written from the rules as they are stated, not from the
// program's code or its rule table:
//   classic: physical lines, CR LF folded, 0x1A ends the log, a line holding
//     "cptc" joined with the next; each of the rules ctc, ltc, cptc and the
//     licence notice tried in that order when its marker is in the line, by
//     std::regex, the last one tried deciding; the output window's text;
//   sound: a run of CRs ends a line as an LF does (CR LF and CR CR LF are
//     one line end), 0x1A ends the log only before nothing but line ends, a
//     byte order mark opening a line is dropped; a line that opens with a
//     program name, white space, a severity letter I/W/E/F, digits, one
//     punctuation character and white space is a diagnostic, located by the
//     first ["file" line/column] or ["file" line] (a file name never holds
//     '" <digits>]' or '" <digits>/'), the
//     licence notice's text after its last separator, else unlocated; a
//     located cptc diagnostic takes the next physical line as its excerpt
//     when that opens with optional white space, digits and white space.
// The pipeline fuzz target compares the program with them on every input;
// the unit tests do on every golden log, so that a rule that changes what a
// recognition prints fails at once until its reference says the same.
#include "pipeline_reference.h"

#include <map>
#include <optional>
#include <regex>

#include "layouts/msvc.h"
#include "pipeline.h"

namespace {

// std::regex recurses once per byte and backtracks in more than linear time:
// a log with a longer line is only converted, not compared.
constexpr std::size_t kReferenceLineLimit = 1024;

// Each pattern compiled once, on its first use.
bool Matches(std::string_view line, const std::string& pattern, std::cmatch& groups) {
  static std::map<std::string, std::regex> compiled;
  auto found = compiled.find(pattern);
  if (found == compiled.end()) {
    found = compiled.emplace(pattern, std::regex(pattern, std::regex::ECMAScript)).first;
  }
  return std::regex_match(line.data(), line.data() + line.size(), groups, found->second);
}

std::string Group(const std::cmatch& groups, std::size_t index) {
  return index < groups.size() && groups[index].matched ? groups[index].str() : std::string();
}

struct Physical {
  std::string text;
  std::uint64_t number;
};

// Physical lines, the last one whatever follows the last line end. Classic:
// an LF ends a line, with one CR before it, and 0x1A ends the log. Sound: a
// run of CRs, with the LF after it, ends a line too, 0x1A ends the log only
// before nothing but line ends, and a byte order mark opening a line is
// dropped.
std::vector<Physical> PhysicalLines(std::string_view bytes, bool sound) {
  constexpr std::string_view kMark = "\xEF\xBB\xBF";
  if (bytes.starts_with(kMark)) bytes.remove_prefix(3);
  std::size_t kept = sound ? bytes.find_last_not_of("\r\n\x1A") : std::string_view::npos;
  kept = kept == std::string_view::npos ? 0 : kept + 1;
  bytes = bytes.substr(0, bytes.find('\x1A', sound ? kept : 0));
  std::vector<Physical> lines;
  std::uint64_t number = 1;
  for (;;) {
    const std::size_t end = bytes.find_first_of(sound ? "\r\n" : "\n");
    std::string text(bytes.substr(0, end));
    if (sound && text.starts_with(kMark)) text.erase(0, 3);
    if (end == std::string_view::npos) {
      lines.push_back({text, number});
      return lines;
    }
    std::size_t next = end + 1;
    if (sound) {
      while (bytes[next - 1] == '\r' && next < bytes.size() && bytes[next] == '\r') ++next;
      if (bytes[next - 1] == '\r' && next < bytes.size() && bytes[next] == '\n') ++next;
    } else if (!text.empty() && text.back() == '\r') {
      text.pop_back();
    }
    lines.push_back({text, number++});
    bytes.remove_prefix(next);
  }
}

// The output window's text of `line`, or nothing.
std::optional<std::string> ClassicReference(const std::string& line) {
  std::optional<std::string> printed;
  std::cmatch m;
  const auto word = [&m] { return Group(m, 1) == "W" ? "Warning" : "Error"; };
  if (line.find("ctc") != std::string::npos) {
    printed.reset();
    if (Matches(
            line,
            R"re(ctc[[:space:]]+(E|F|W)([0-9]+)[[:punct:]]{1}[[:space:]]+\["(.*)"[[:space:]]+([0-9]+)\/([0-9]+)\](.*))re",
            m)) {
      printed = Group(m, 3).empty() || Group(m, 6).empty()
                    ? "empty ctc msg"
                    : Group(m, 3) + "(" + Group(m, 4) + "," + Group(m, 5) + ") :" + word() + ": " +
                          Group(m, 6);
    }
  }
  if (line.find("ltc") != std::string::npos) {
    printed.reset();
    if (Matches(line, "ltc[[:space:]]+(E|F)[0-9]+[[:punct:]]{1}[[:space:]]+(.*)", m)) {
      printed = line;
    }
  }
  if (line.find("cptc") != std::string::npos) {
    printed.reset();
    if (Matches(
            line,
            R"re(cptc[[:space:]]+(E|F|W)([0-9]+)[[:punct:]]{1}[[:space:]]+\["(.*)"[[:space:]]+([0-9]+)\](.*)[[:space:]]+([0-9]+)[[:space:]]+(.*))re",
            m)) {
      printed = Group(m, 3).empty() || Group(m, 5).empty() || Group(m, 7).empty()
                    ? "empty cptc msg"
                    : Group(m, 3) + "(" + Group(m, 4) + ") : " + word() + ": " + Group(m, 5) +
                          "\n" + Group(m, 7);
    }
  }
  if (line.find("No valid license found") != std::string::npos) {
    printed.reset();
    if (Matches(line,
                "ctc[[:space:]]+(F)([0-9]+)[[:punct:]]{1}[[:space:]]+(.*)[[:punct:]]{1}[[:space:]]+"
                "(.*)",
                m)) {
      printed =
          Group(m, 4).empty() ? "empty ctc msg" : std::string(word()) + ": " + Group(m, 4) + "! ";
    }
  }
  return printed;
}

// A diagnostic's fields, as text to compare.
std::string Fields(std::string_view tool, std::string_view severity, std::string_view number,
                   std::string_view file, std::string_view line, std::string_view column,
                   std::string_view text, std::string_view excerpt, bool placeholder,
                   std::uint64_t at) {
  std::string fields;
  for (const std::string_view field : {tool, severity, number, file, line, column, text, excerpt}) {
    fields.append(field).push_back('|');
  }
  return fields + (placeholder ? "placeholder|" : "|") + std::to_string(at);
}

}  // namespace

std::string ReferenceClassicText(std::string_view bytes) {
  const std::vector<Physical> physical = PhysicalLines(bytes, false);
  std::string text;
  for (std::size_t i = 0; i < physical.size(); ++i) {
    std::string line = physical[i].text;
    if (line.find("cptc") != std::string::npos) {
      line += ' ' + (i + 1 < physical.size() ? physical[++i].text : std::string());
    }
    if (const std::optional<std::string> printed = ClassicReference(line)) text += *printed + '\n';
  }
  return text;
}

std::vector<std::string> ReferenceSoundDiagnostics(std::string_view bytes) {
  const std::vector<Physical> physical = PhysicalLines(bytes, true);
  std::vector<std::string> diagnostics;
  for (std::size_t i = 0; i < physical.size(); ++i) {
    const std::string& line = physical[i].text;
    static const std::regex kHead(
        R"(^([a-z][a-z0-9]*)[[:space:]]+([IWEF])([0-9]+)[[:punct:]][[:space:]]+)");
    std::smatch head;
    if (!std::regex_search(line, head, kHead)) continue;
    const std::string tool = head[1].str();
    std::string file, number, column, text, excerpt;
    bool located = false;
    bool placeholder = false;
    std::cmatch m;
    const std::string opening = R"([a-z][a-z0-9]*[[:space:]]+[IWEF][0-9]+[[:punct:]][[:space:]]+)";
    // A file name never holds '" <digits>]' or '" <digits>/'.
    const std::string name = R"re(\["((?:(?!"[[:space:]]+[0-9]+[\]/]).)*)")re";
    if (Matches(line, opening + name + R"re([[:space:]]+([0-9]+)\/([0-9]+)\](.*))re", m)) {
      located = true;
      file = Group(m, 1), number = Group(m, 2), column = Group(m, 3), text = Group(m, 4);
    } else if (Matches(line, opening + name + R"re([[:space:]]+([0-9]+)\](.*))re", m)) {
      located = true;
      file = Group(m, 1), number = Group(m, 2), text = Group(m, 3);
    } else if (line.find("No valid license found") != std::string::npos &&
               Matches(line,
                       "ctc[[:space:]]+F[0-9]+[[:punct:]][[:space:]]+.*[[:punct:]][[:space:]]+(.*)",
                       m)) {
      text = Group(m, 1);
      placeholder = text.empty();
    } else if (Matches(line, opening + "(.*)", m)) {
      text = Group(m, 1);
    } else {
      continue;
    }
    if (located) placeholder = file.empty() || text.empty();
    const std::uint64_t at = physical[i].number;
    static const std::regex kExcerptLead(R"(^[[:space:]]*[0-9]+[[:space:]]+)");
    std::smatch lead;
    if (located && tool == "cptc" && i + 1 < physical.size() &&
        std::regex_search(physical[i + 1].text, lead, kExcerptLead)) {
      excerpt = physical[++i].text.substr(static_cast<std::size_t>(lead.length(0)));
    }
    diagnostics.push_back(Fields(tool, head[2].str(), head[3].str(), file, number, column, text,
                                 excerpt, placeholder, at));
  }
  return diagnostics;
}

std::vector<std::string> SoundDiagnostics(std::string_view bytes, std::size_t blockSize) {
  std::vector<std::string> diagnostics;
  ForEachDiagnostic(
      bytes, Recognition::kSound,
      [&diagnostics](const Diagnostic& d, std::uint64_t line) {
        diagnostics.push_back(Fields(d.tool, d.severity, d.number, d.file, d.line, d.column, d.text,
                                     d.excerpt, d.placeholder, line));
      },
      blockSize);
  return diagnostics;
}

bool ReferenceReads(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return false;
  for (const Physical& line : PhysicalLines(bytes, false)) {
    if (line.text.size() > kReferenceLineLimit) return false;
  }
  return true;
}
