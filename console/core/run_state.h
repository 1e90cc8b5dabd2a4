// The program's run state (Running, Paused, Finished) and the pause/resume state machine.
#pragma once

#include <string_view>

#include "console/core/safe_lock.h"

namespace console {

enum class RunState { Running = 0, Paused = 1, Finished = 2 };

// "Running", "Paused", "Finished": the left pane of the status line.
std::string_view run_state_text(RunState state);

// What the caller of pause() or resume() has to do next.
enum class PauseStep {
  None,            // nothing (already paused, finished, or a pause is in progress)
  SuspendProgram,  // gray the program's menu items, suspend the workers, then pause_done()
};
enum class ResumeStep {
  None,           // ignored (running, or a pause is still in progress)
  EndSelection,   // end any selection; the program stays paused (or has finished)
  ResumeProgram,  // end any selection, re-enable the program's menu items, resume the workers
};

// The run state with its transitions. Thread-safe: the GUI thread pauses and resumes, the
// program thread finishes. Finished is final.
class RunControl {
 public:
  RunState state() const;

  // 0 Running or 1 Paused: 1 on success; 0 when finished or for any other argument.
  int set_state(int state);
  // Running or Paused -> Finished.
  void finish();

  // Pause: a second pause while paused is remembered and consumed by the next resume.
  PauseStep pause();
  // The pause's suspension has completed.
  void pause_done();
  ResumeStep resume();

 private:
  mutable SafeMutex mutex_;
  RunState state_ = RunState::Running;
  bool pause_in_progress_ = false;
  bool second_pause_ = false;
};

}  // namespace console
