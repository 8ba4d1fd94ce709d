// The full usage text, for a user who asks with --help, -h or /?.
#pragma once

void PrintHelp();
