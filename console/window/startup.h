// Start-up of the desktop console: the frame on the GUI thread (the caller), the program on its
// own thread, and the event loop until the frame closes.
#pragma once

#include "console/core/program.h"

namespace console::window {

// Runs the whole desktop console on the calling (main) thread, which becomes the GUI thread:
// application name, frame, menus, status line, placement from win.ini ("PKITMaximized" in the
// section named after the application), the console's tables, this front end installed as
// console::front_end(), then `program` on ProgramThread at lower priority, then the event loop.
// Uses the QApplication that exists, or makes one from argc and argv.
//
// After the program: `termination`, the run state Finished, end_of_program(0). `termination`
// runs again on the GUI thread after the event loop.
//
// Returns the quit code 0 once the frame has closed and the program thread has ended; 0 at once
// when the console was already initialised (warning box). When the frame closes while the
// program's code still runs (or waits in a box, a read or a shell command), the process ends
// here after `termination` with kClosedWhileRunningStatus (nothing can stop that thread safely):
// a run cut short never reports success. When the program
// had ended first through the run-time's stop or error path, its caller ends the process with
// its own status while this waits.
int run(int& argc, char** argv, ProgramBody program, TerminationHook termination);

// The process status when the frame is closed before the program has ended: 128 + SIGHUP, the
// status of the close command on a terminal.
inline constexpr int kClosedWhileRunningStatus = 129;

}  // namespace console::window
