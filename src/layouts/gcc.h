// The GNU layout that CI systems, Vim's quickfix list and GCC problem
// matchers read:
//   src/can_drv.c:118:23: warning: conversion of constant to narrower type [ctc W505]
//   src/app/motor.cpp:57: error: identifier "speedLimit" is undefined [cptc E1234]
//    return speedLimit;
//   build.log:23: error: unresolved external: foo [ltc E106]
//   inc/Platform.h:50:9: note: previous definition of macro "STD_ON" [ctc I801]
// A diagnostic without a file that can lead the line is located at the log's
// own line; with a log name that cannot lead either, the tool leads:
//   ltc: error: unresolved external: foo [ltc E106]
#pragma once

#include <memory>
#include <string>

#include "layouts/layout.h"

// The C++ excerpt follows on a line of its own, indented by one blank, as
// GCC prints its source lines.
void FormatGccLine(const Diagnostic& diagnostic, const LineOrigin& origin, std::string& output);

std::unique_ptr<Layout> MakeGccLayout(const LayoutSettings& settings);
