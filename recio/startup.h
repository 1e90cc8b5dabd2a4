// Start-up of the run-time, before the program's first statement: the console-control watcher,
// the processor-exception handlers, the floating-point exceptions masked, and the division
// check. How each of them ends the process: process_end.h.
#pragma once

namespace recio {

// Installs, once per process:
//  - SIGINT, SIGQUIT and SIGHUP (control-C, control-BREAK, the close command) handed to a
//    watcher thread, which reports error 200 with the event's name once the running statement
//    has ended, runs the exit handler and the end-of-program step, and exits with 128 + the
//    signal;
//  - unless FOR_IGNORE_EXCEPTIONS is true, handlers for SIGSEGV, SIGBUS, SIGILL and SIGFPE
//    (on an alternate stack, so a stack overflow is reported too) that report the exception's
//    "Program Exception - " message (157-172) or floating-point error and end as a severe error;
//  - every floating-point exception masked: 1/0 is an infinity and 0/0 a NaN, silently;
//  - the division check, whose failure is error 201 unless FOR_RUN_FLAWED_PENTIUM is true.
void start_runtime();

// Truth rule for environment variables: set and beginning with T, t, Y or y, or a non-zero
// number.
bool env_true(const char* name);

}  // namespace recio
