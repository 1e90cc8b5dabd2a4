// Start-up of the desktop console: the frame on the GUI thread (the caller), the program on its
// own thread, and the event loop until the frame closes.
#pragma once

namespace console::window {

// The program's code, run on ProgramThread: the run-time's start-up and the main program.
using ProgramEntry = void (*)();
// The run-time's termination (pending records written, units closed). It runs on the program
// thread after the main program returns and on the GUI thread after the event loop, so it must
// be safe to call twice and from either thread.
using TerminationHook = void (*)();

// Runs the whole desktop console on the calling (main) thread, which becomes the GUI thread:
// application name, frame, menus, status line, placement from win.ini ("PKITMaximized" in the
// section named after the application), the library's tables, this front end installed as
// console::front_end(), then `program` on ProgramThread at lower priority, then the event loop.
// Uses the QApplication that exists, or makes one from argc and argv.
//
// After the program: `termination`, the run state Finished, end_of_program(0).
//
// Returns the quit code 0 once the frame has closed and the program thread has ended; 0 at once
// when the library was already initialised (warning box). When the frame closes while the
// program's code still runs (or waits in a box, a read or a shell command), the process ends
// here after `termination` with kClosedWhileRunningStatus (nothing can stop that thread safely):
// a run cut short never reports success. When the program
// had ended first through the run-time's stop or error path, its caller ends the process with
// its own status while this waits.
int run(int& argc, char** argv, ProgramEntry program, TerminationHook termination);

// The process status when the frame is closed before the program has ended: 128 + SIGHUP, the
// status of the close command on a terminal.
inline constexpr int kClosedWhileRunningStatus = 129;

}  // namespace console::window
