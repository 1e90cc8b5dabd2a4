// The console's front end for machines without a display: the program runs on the calling
// thread, run-time messages go to standard error, and the exit prompt is asked on the terminal
// only when standard input is one.
#pragma once

#include "console/core/program.h"

namespace console::terminal {

// Runs the program with the terminal front end installed: the program, the termination, the
// run state Finished and the end-of-program step. Returns 0 after a normal end; a failed run
// ends the process itself with its status.
int run(const ProgramBody& program, TerminationHook termination);

}  // namespace console::terminal
