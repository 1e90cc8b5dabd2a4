// The console's front end for machines without a display: the program runs on the calling
// thread, run-time messages go to standard error, and the exit prompt is asked on the terminal
// only when standard input is one.
#pragma once

namespace console::terminal {

// The program's code (the run-time's start-up and the main program) and the run-time's
// termination.
using ProgramEntry = void (*)();
using TerminationHook = void (*)();

// Runs the program with the terminal front end installed: the program, the termination, the
// run state Finished and the end-of-program step. Returns 0 after a normal end; a failed run
// ends the process itself with its status.
int run(ProgramEntry program, TerminationHook termination);

}  // namespace console::terminal
