// The banner shown before the usage text: program name, version, build date
// and legal notice, read back from the program's own executable file.
#pragma once

#include <string>

// Prints the two banner lines when the version information of the file named
// by `programPath` can be read; prints nothing otherwise.
void PrintVersionBanner(const char* programPath);

// The build date, "Mmm dd yyyy", fixed when the program was built.
const std::string& BuildDate();
