#include "app/version_banner.h"

void PrintVersionBanner(const char* /*programPath*/) {}

const std::string& BuildDate() {
  static const std::string date = __DATE__;
  return date;
}
