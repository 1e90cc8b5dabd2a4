// The console's front end for machines without a display: the program runs on the calling
// thread, run-time messages go to standard error, and the exit prompt is asked on the terminal
// only when standard input is one.
#pragma once

#include <string_view>

#include "console/core/program_end.h"

namespace console::terminal {

// Runs the program with the terminal front end installed; returns the process exit code (0 after
// a normal end; a failed run ends the process itself with its status).
int run(std::string_view application_name, ProgramEntry program, const RuntimeHooks& hooks);

}  // namespace console::terminal
