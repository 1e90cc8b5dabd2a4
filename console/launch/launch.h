// Start-up of a program on the console: which front end an invocation shows, and the program's
// body run in it. A program's main() reads its own arguments, then hands its body here.
#pragma once

#include "console/core/program.h"

namespace console {

enum class FrontEndKind {
  Window,    // the desktop frame (console/window)
  Terminal,  // the standard streams (console/terminal)
  None,      // no front end: the body alone, on the calling thread
};

// The front end for this invocation: TAVO_CONSOLE=window or terminal forces it; otherwise the
// window when a display can be opened (QT_QPA_PLATFORM set, or DISPLAY or WAYLAND_DISPLAY set
// and the toolkit opens it, which is tried in a child process), the terminal when not. Always
// the terminal when the window front end is not built. `argc` and `argv` are what the toolkit
// is to see. Never None.
FrontEndKind choose_front_end(int argc, char** argv);

// Runs `body` in the front end `kind` names, and returns the process's status.
// - Window: console::window::run (window/startup.h) with `argc` and `argv` as the toolkit's
//   arguments; the terminal instead when the window front end is not built.
// - Terminal: console::terminal::run (terminal/terminal.h).
// - None: `body`, then `termination`, and 0; no front end is installed and the console is not
//   initialised, so messages go to standard error and the end of the program asks nothing.
// In either front end `termination` runs after the body, then the run is Finished and the
// end-of-program step follows; 0 after a normal end, while a run that fails ends the process
// itself with its status.
int launch(FrontEndKind kind, int& argc, char** argv, ProgramBody body,
           TerminationHook termination);

// launch in the front end choose_front_end(argc, argv) picks.
int launch(int& argc, char** argv, ProgramBody body, TerminationHook termination);

}  // namespace console
