// MSBuild's canonical diagnostic layout, which its Exec task, Visual Studio's
// Error List and VS Code's $msCompile problem matcher read:
//   src/can_drv.c(118,23): warning ctcW505: conversion of constant to narrower type
//   build.log(23): error ltcE106: unresolved external: foo
//   inc/Platform.h(50,9): info ctcI801: previous definition of macro "STD_ON"
// A diagnostic without a file that the origin can carry is located at the
// log's own line; with a log name that cannot be the origin either, the tool
// is the origin:
//   ltc : error ltcE106: unresolved external: foo
#pragma once

#include <memory>
#include <string>

#include "layouts/layout.h"

// One line per diagnostic: the C++ excerpt is appended to the text, since a
// line of its own would be parsed as a diagnostic when it holds "error:".
void FormatMsbuildLine(const Diagnostic& diagnostic, const LineOrigin& origin, std::string& output);

std::unique_ptr<Layout> MakeMsbuildLayout(const LayoutSettings& settings);
