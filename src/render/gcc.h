// The GNU layout that CI systems and GCC problem matchers read:
//   src/can_drv.c:118:23: warning: conversion of constant to narrower type [ctc W505]
//   src/app/motor.cpp:57: error: identifier "speedLimit" is undefined [cptc E1234]
//    return speedLimit;
//   ltc: error: unresolved external: foo [ltc E106]
#pragma once

#include <string>

#include "log/log_reader.h"
#include "rules/diagnostic.h"

// The C++ excerpt follows on a line of its own, indented by one blank, as
// GCC prints its source lines.
void FormatGccLine(const Diagnostic& diagnostic, std::string& output);

bool ConvertLineGcc(LogLine line, const LineMarkers& markers, std::string& output);
