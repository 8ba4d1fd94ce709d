// GitHub Actions workflow commands, which the runner turns into annotations
// on the commit and in pull requests:
//   ::warning title=ctc W505,file=src/can_drv.c,line=118,col=23::conversion of constant
//   ::error title=ltc E106,file=build.log,line=23::unresolved external: foo
//   ::notice title=ctc I801,file=inc/Platform.h,line=50,col=9::previous definition
// Escaped as GitHub's toolkit (@actions/core) escapes them, so that the
// runner reads every name and text back as it was; a C++ excerpt follows its
// text after a line break. Invalid UTF-8 is written as U+FFFD.
#pragma once

#include <memory>
#include <string>

#include "layouts/layout.h"

std::unique_ptr<Layout> MakeGithubLayout(const LayoutSettings& settings);
