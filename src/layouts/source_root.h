// --SourceRoot: file names under the sources' folder written relative to it,
// as a CI service maps them to the files of its repository.
//
// Purely lexical, so that a log written on another machine converts the same:
// nothing is looked up on disk. "\" and "/" both separate, "." and "a/.."
// fall away, and a name with a drive letter or a "\" is a Windows name, which
// matches a Windows root without regard to ASCII case (C:\Work\ecu holds
// c:/work/ecu/src/a.c). A name that begins with "/" is a POSIX name: "\" is
// one of its characters and case matters (/src/we\ird.c). A name outside
// the root, or one whose ".." leads out of it, stays as it is.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class SourceRoot {
 public:
  // No root: every name stays as it is.
  SourceRoot() = default;
  // An empty `root` is none.
  explicit SourceRoot(std::string_view root);

  bool Empty() const { return !given_; }

  // The root with its folders joined by "/" after its lead ("C:/", "C:",
  // "/", "//", "\\" for a UNC name, or none), e.g. "C:/Work/ecu" or
  // "\\server/share".
  const std::string& Normalized() const { return normalized_; }

  // `file` relative to the root, with "/" between its parts and held in
  // `scratch`, when it lies under the root (then `*under` is set); otherwise
  // `file` itself.
  std::string_view Written(std::string_view file, std::string& scratch,
                           bool* under = nullptr) const;

  // How a path begins: nothing (relative), "C:", "C:\", "\" or "\\" (a UNC
  // name's server follows).
  enum class Lead : std::uint8_t { kNone, kDrive, kDriveRoot, kRoot, kDoubleSlash };

 private:
  bool given_ = false;
  Lead lead_ = Lead::kNone;
  char drive_ = 0;
  bool windows_ = false;
  std::string parts_;  // the folders, joined by "/"
  std::string normalized_;
};

// The root as the run takes it: a relative one is taken from the current
// directory, since the toolchain writes absolute names; an absolute one,
// POSIX or Windows, stays as given.
std::string AbsoluteSourceRoot(std::string_view root);
