#include "rules/dispatch.h"

bool DispatchLine(LogLine line, std::string& output) {
  return DispatchLine(line, FindMarkers(line), output);
}

bool DispatchLine(LogLine line, const LineMarkers& markers, std::string& output) {
  return DispatchLineWith(line, markers, output, FullMatch);
}
