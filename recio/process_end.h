// The end of the process: the exit handler, the severe end, and the wait for the I/O section
// that the ending threads share.
//
// Every path by which the process ends, and who decides its exit status:
//
//   program thread                              status
//   ----------------------------------------   ------------------------------------------------
//   the program returns                         0: the front end runs run_exit_handler, then
//     (console/terminal, console/window)           console::end_of_program(0); main returns 0
//   a severe status: raise_error(),             the status code (the shell sees its low byte):
//     math_error(), a processor exception,         terminate_severe() runs run_exit_handler,
//     the division check (startup.h)               the dump, console::end_of_program(1), then
//                                                  std::_Exit(status)
//   a severe close inside run_exit_handler      that close's status, std::_Exit at once (the
//                                                  handler is not entered again)
//
//   other threads
//   ----------------------------------------   ------------------------------------------------
//   SIGINT, SIGQUIT, SIGHUP: the watcher        128 + the signal: message 200, run_exit_handler,
//     thread (startup.cpp), after the running      console::end_of_program(event), std::_Exit
//     statement (at most a second)
//   the frame closed (console/window, GUI       129 (kClosedWhileRunningStatus) when the program
//     thread)                                      was still running: run_exit_handler, then
//                                                  std::_Exit; 0 when it had already returned.
//                                                  Once the program thread has entered
//                                                  console::end_of_program, closing the frame
//                                                  waits and that thread's caller decides.
//
// console::end_of_program (console/core/program_end.h) asks the exit prompt or closes the frame
// and returns; only a frame already closed keeps it from returning. The exit handler runs at most
// once, whichever path reaches it first.
#pragma once

#include "recio/status.h"

namespace recio {

// The severe end: exit handler, optional diagnostic dump (FOR_DUMP_TRACE=Y prints a stack trace,
// FOR_DUMP_CORE=Y leaves a core image of a forked copy), the console's end-of-program step with
// code 1, then exit with the status as the process status (its low byte reaches the shell).
[[noreturn]] void terminate_severe(Status status);

// Writes pending records and closes every unit. Runs at most once per process; a severe error
// raised while closing is reported and ends the process at once with its status.
void run_exit_handler();

// The I/O section (units.h) for the threads that end the process, which may not be the program
// thread: the watcher always runs on its own, the window front end runs the exit handler when
// the frame closes. A running statement normally ends within milliseconds; one blocked in a read
// (a terminal, a console window waiting for a line) would keep the exit from ever happening, so
// past a grace period of a second the caller goes on without the section, and so does every
// later wait on that thread. A paused program is let go first: stopped at an arbitrary point it
// could hold a unit half-changed and its statement's records unwritten; running on, it ends the
// statement, and the section held from then on stops it at its next one. True when the section
// was taken (the caller unlocks it).
bool wait_for_section();

// Holds the I/O section for the calling thread, unless that thread gave up waiting for it.
class InSection {
 public:
  InSection();
  ~InSection();
  InSection(const InSection&) = delete;
  InSection& operator=(const InSection&) = delete;

 private:
  bool held_;
};

}  // namespace recio
