#include "run_process.h"

std::string QuonvelPath() { return QUONVEL_EXECUTABLE; }
