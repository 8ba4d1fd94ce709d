#include "layouts/source_root.h"

#include <cstddef>
#include <filesystem>
#include <system_error>

namespace {

using Lead = SourceRoot::Lead;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }
// In a POSIX name only "/" separates.
bool IsSeparator(char c, bool windows) { return c == '/' || (windows && c == '\\'); }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

struct Shape {
  Lead lead = Lead::kNone;
  char drive = 0;
  bool windows = false;  // a drive letter or a "\": ASCII case does not matter
};

// The parts of `path` after its lead, joined by "/" into `parts`, without
// empty parts and ".", each ".." taking the part before it away; above the
// top of an absolute path there is nothing to go to. A name that begins with
// "/" is a POSIX name, in which "\" is a character like any other.
Shape Normalize(std::string_view path, std::string& parts) {
  Shape shape;
  shape.windows = !path.starts_with('/') && path.find('\\') != std::string_view::npos;
  std::size_t at = 0;
  if (path.size() >= 2 && IsLetter(path[0]) && path[1] == ':') {
    shape.windows = true;
    shape.drive = path[0];
    shape.lead = path.size() > 2 && IsSeparator(path[2]) ? Lead::kDriveRoot : Lead::kDrive;
    at = 2;
  } else if (path.size() >= 2 && IsSeparator(path[0], shape.windows) &&
             IsSeparator(path[1], shape.windows)) {
    shape.lead = Lead::kDoubleSlash;  // a UNC name: the server is its first part
  } else if (!path.empty() && IsSeparator(path[0], shape.windows)) {
    shape.lead = Lead::kRoot;
  }
  const bool absolute = shape.lead != Lead::kNone && shape.lead != Lead::kDrive;
  parts.clear();
  while (at < path.size()) {
    while (at < path.size() && IsSeparator(path[at], shape.windows)) ++at;
    std::size_t end = at;
    while (end < path.size() && !IsSeparator(path[end], shape.windows)) ++end;
    const std::string_view part = path.substr(at, end - at);
    at = end;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      const std::size_t slash = parts.rfind('/');
      const std::string_view last = slash == std::string::npos
                                        ? std::string_view(parts)
                                        : std::string_view(parts).substr(slash + 1);
      if (!parts.empty() && last != "..") {
        parts.resize(slash == std::string::npos ? 0 : slash);
        continue;
      }
      if (absolute) continue;
    }
    if (!parts.empty()) parts.push_back('/');
    parts.append(part);
  }
  return shape;
}

bool SameText(std::string_view a, std::string_view b, bool ignoreCase) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && !(ignoreCase && Upper(a[i]) == Upper(b[i]))) return false;
  }
  return true;
}

}  // namespace

SourceRoot::SourceRoot(std::string_view root) : given_(!root.empty()) {
  if (!given_) return;
  const Shape shape = Normalize(root, parts_);
  lead_ = shape.lead;
  drive_ = shape.drive;
  windows_ = shape.windows;
  if (lead_ == Lead::kDrive || lead_ == Lead::kDriveRoot) normalized_.append(1, drive_).append(":");
  if (lead_ == Lead::kDriveRoot || lead_ == Lead::kRoot) normalized_.append("/");
  // A UNC name keeps its lead, which tells it from a POSIX name that begins
  // with "//".
  if (lead_ == Lead::kDoubleSlash) normalized_.append(windows_ ? "\\\\" : "//");
  normalized_.append(parts_);
}

std::string_view SourceRoot::Written(std::string_view file, std::string& scratch,
                                     bool* under) const {
  if (under != nullptr) *under = false;
  if (!given_) return file;
  const Shape shape = Normalize(file, scratch);
  // ASCII case matters unless both are Windows names.
  const bool ignoreCase = windows_ && shape.windows;
  if (shape.lead != lead_ || Upper(shape.drive) != Upper(drive_)) return file;
  std::string_view rest = scratch;
  if (!parts_.empty()) {
    if (rest.size() <= parts_.size() || rest[parts_.size()] != '/' ||
        !SameText(rest.substr(0, parts_.size()), parts_, ignoreCase)) {
      return file;
    }
    rest.remove_prefix(parts_.size() + 1);
  }
  // Normalized, a name can only climb at its start: one that still does
  // leads out of the root.
  if (rest.empty() || rest == ".." || rest.starts_with("../")) return file;
  if (under != nullptr) *under = true;
  return rest;
}

std::string AbsoluteSourceRoot(std::string_view root) {
  const bool absolute = (!root.empty() && IsSeparator(root[0])) ||
                        (root.size() >= 2 && IsLetter(root[0]) && root[1] == ':');
  if (absolute || root.empty()) return std::string(root);
  std::error_code error;
  const std::filesystem::path current = std::filesystem::current_path(error);
  if (error) return std::string(root);
  return current.string().append("/").append(root);
}
