#include "console/core/run_state.h"

namespace console {

std::string_view run_state_text(RunState state) {
  switch (state) {
    case RunState::Running:
      return "Running";
    case RunState::Paused:
      return "Paused";
    case RunState::Finished:
      return "Finished";
  }
  return {};
}

RunState RunControl::state() const {
  std::lock_guard lock(mutex_);
  return state_;
}

int RunControl::set_state(int state) {
  std::lock_guard lock(mutex_);
  if (state_ == RunState::Finished || (state != 0 && state != 1)) return 0;
  state_ = static_cast<RunState>(state);
  return 1;
}

void RunControl::finish() {
  std::lock_guard lock(mutex_);
  state_ = RunState::Finished;
  second_pause_ = false;
}

PauseStep RunControl::pause() {
  std::lock_guard lock(mutex_);
  if (state_ == RunState::Paused) {
    // Also while the first pause is still suspending the program.
    second_pause_ = true;
    return PauseStep::None;
  }
  if (state_ == RunState::Finished || pause_in_progress_) return PauseStep::None;
  pause_in_progress_ = true;
  state_ = RunState::Paused;
  return PauseStep::SuspendProgram;
}

void RunControl::pause_done() {
  std::lock_guard lock(mutex_);
  pause_in_progress_ = false;
}

ResumeStep RunControl::resume() {
  std::lock_guard lock(mutex_);
  if (pause_in_progress_ || state_ == RunState::Running) return ResumeStep::None;
  if (second_pause_) {
    second_pause_ = false;
    return ResumeStep::EndSelection;
  }
  if (state_ == RunState::Finished) return ResumeStep::EndSelection;
  state_ = RunState::Running;
  return ResumeStep::ResumeProgram;
}

}  // namespace console
