// The banner shown before the usage text: program name, version, build date
// and legal notice, read back from the program's own executable file.
#pragma once

#include <cstdint>
#include <string>

// Prints the two banner lines when the version information of the file named
// by `programPath` can be read, and says whether it could; prints nothing
// otherwise.
bool PrintVersionBanner(const char* programPath);

// The build date, "Mmm dd yyyy", fixed when the program was built.
const std::string& BuildDate();

// The version text shown by the banner: major "." minor, taken from the high
// and the low 16 bits of the file version's high 32 bits.
std::string VersionText(std::uint32_t fileVersionMS);
