// The banner shown before the usage text: program name, version, build date
// and legal notice, read back from the program's own executable file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Prints the two banner lines, with the version as major.minor, when the
// version information of the file named by `programPath` can be read, and
// says whether it could; prints nothing otherwise.
bool PrintVersionBanner(const char* programPath);

// The same two lines for --version, with the whole version, major.minor.patch:
// the number the packages and the SARIF log carry.
bool PrintVersion(const char* programPath);

// The build date, "Mmm dd yyyy", fixed when the program was built.
const std::string& BuildDate();

// The version text read from Windows' fixed file information:
// major.minor.patch, the high and low 16 bits of the file version's high 32
// bits and the high 16 bits of its low 32 bits.
std::string VersionText(std::uint32_t fileVersionMS, std::uint32_t fileVersionLS);

// The banner's part of a version text: up to its second dot.
std::string_view MajorMinor(std::string_view version);
