// References for reading and recognising a whole log, written from the rules
// as they are stated (pipeline_reference.cpp says how), and the program's
// results in the same form.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Whether the references can read `bytes`: no UTF-16, no line longer than
// std::regex survives.
bool ReferenceReads(std::string_view bytes);

// What the output window prints for the log, each line with a line feed.
std::string ReferenceClassicText(std::string_view bytes);

// Each diagnostic of the sound recognition as its fields, "tool|severity|
// number|file|line|column|text|excerpt|placeholder|line number".
std::vector<std::string> ReferenceSoundDiagnostics(std::string_view bytes);

// The program's sound recognition of the log, read `blockSize` bytes at a
// time, in the same form.
std::vector<std::string> SoundDiagnostics(std::string_view bytes, std::size_t blockSize);
