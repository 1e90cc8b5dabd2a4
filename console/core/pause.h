// Pause and Resume for real: the worker threads (threads.h) are stopped where they stand and let
// go again. A worker is stopped by a real-time signal whose handler waits (sigwaitinfo) until
// the resume signal arrives; the handler allocates nothing and takes no lock. A worker holding a
// lock that the GUI thread needs (a SafeMutex, safe_lock.h: the DrawLocks among them) stops as
// soon as it lets go of it, so no worker stops in the middle of drawing or posting to the windows.
//
// The signals are SIGRTMIN + 4 (stop) and SIGRTMIN + 5 (go on); nothing else in the program
// uses real-time signals (the run-time's own are SIGINT, SIGQUIT, SIGHUP and the processor
// exceptions).
#pragma once

#include <chrono>
#include <mutex>

#include "console/core/run_status.h"

namespace console {

int suspend_signal();
int resume_signal();

// Stops every live worker thread other than the caller. Waits until each has stopped or `limit`
// has passed (a worker that has the signal blocked, or one that a sanitizer's runtime holds
// the signal for, stops later, when it takes it); returns the number stopped by then. Returns 0
// and stops nothing while the workers are already stopped or after release_workers_for_exit().
// Call it on a thread that is not a worker (the GUI thread), under the window's DrawLock.
int suspend_workers(std::chrono::milliseconds limit = std::chrono::milliseconds(500));
// suspend_workers in two steps: the stop signal to every live worker but the caller (the number
// signalled; 0 while already stopped or after the release), then the wait.
int signal_workers_to_stop();
int wait_for_workers_to_stop(std::chrono::milliseconds limit = std::chrono::milliseconds(500));
// Lets the stopped workers go on; nothing when none is stopped. Does not wait for them.
void resume_workers();
bool workers_suspended();

// The process is ending: the workers go on and no later pause stops them. A worker frozen at an
// arbitrary point may hold a unit half-changed; running on, it ends its statement with whole
// records, and the exit handler, which holds the I/O section from then on, stops it at its next
// statement (recio calls this before it waits for the section).
void release_workers_for_exit();

// The Pause command (also the start of a selection): the run state becomes Paused and the
// program's menu items are grayed (RunStatus::pause); when that asks for it, the workers are sent
// the stop signal under `draw_lock` (any BasicLockable: the active window's DrawLock), their
// stopping is waited for without it (a worker waiting for the lock stops once it has drawn), and
// the pause is marked done. Returns the run status's step: None when nothing was done (already
// paused: the second-pause rule; finished; a pause in progress). On the GUI thread, holding no
// lock a worker may wait for.
template <class Lockable>
PauseStep pause_program(RunStatus& status, Lockable& draw_lock) {
  const PauseStep step = status.pause();
  if (step == PauseStep::SuspendProgram) {
    {
      std::lock_guard guard(draw_lock);
      signal_workers_to_stop();
    }
    wait_for_workers_to_stop();
    status.pause_done();
  }
  return step;
}

// The Resume command (also Esc, Ctrl+Q, and the end of a selection by Copy): with the second-
// pause rule of RunStatus::resume. The workers go on unless the program stays paused. The caller
// ends any selection when the step is EndSelection or ResumeProgram. On the GUI thread.
ResumeStep resume_program(RunStatus& status);

}  // namespace console
