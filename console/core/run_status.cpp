#include "console/core/run_status.h"

#include "console/core/frontend.h"

namespace console {

void RunStatus::notify() const {
  if (WindowServices* windows = front_end_windows()) windows->status_changed();
}

int RunStatus::set_run_state(int state) {
  int result = run_control_.set_state(state);
  if (result == 1) {
    {
      std::lock_guard lock(menu_mutex_);
      menu_.show_run_state(run_control_.state());
    }
    notify();
  }
  return result;
}

void RunStatus::show_finished() {
  run_control_.finish();
  {
    std::lock_guard lock(menu_mutex_);
    menu_.set_program_items_enabled(false);
  }
  notify();
}

void RunStatus::show_pause_in_menu(RunState state, bool program_items_enabled) {
  {
    std::lock_guard lock(menu_mutex_);
    menu_.show_run_state(state);
    menu_.set_program_items_enabled(program_items_enabled);
  }
  notify();
}

PauseStep RunStatus::pause() {
  PauseStep step = run_control_.pause();
  if (step == PauseStep::SuspendProgram) show_pause_in_menu(RunState::Paused, false);
  return step;
}

void RunStatus::pause_done() {
  run_control_.pause_done();
}

ResumeStep RunStatus::resume() {
  ResumeStep step = run_control_.resume();
  if (step == ResumeStep::ResumeProgram) show_pause_in_menu(RunState::Running, true);
  return step;
}

int RunStatus::set_status_message(std::optional<std::string_view> text) {
  status_message_.set(text);
  notify();
  return 1;
}

void RunStatus::lock_status_prompt(std::string_view prompt) {
  status_message_.lock_prompt(prompt);
  notify();
}

void RunStatus::remove_status_prompt() {
  status_message_.remove_prompt();
  notify();
}

int RunStatus::show_status_line(int on) {
  if (on != 0 && on != 1) return 0;
  status_line_visible_.store(on == 1);
  set_menu_item_checked(command::kStatusBar, on == 1);
  notify();
  return 1;
}

MenuBarModel RunStatus::menu() const {
  std::lock_guard lock(menu_mutex_);
  return menu_;
}

bool RunStatus::set_menu_item_enabled(int id, bool enabled) {
  std::lock_guard lock(menu_mutex_);
  return menu_.set_enabled(id, enabled);
}

bool RunStatus::set_menu_item_checked(int id, bool checked) {
  std::lock_guard lock(menu_mutex_);
  return menu_.set_checked(id, checked);
}

MenuContext RunStatus::menu_context() const {
  MenuContext context;
  context.run_state = run_state();
  context.status_line_visible = status_line_visible();
  return context;
}

void RunStatus::apply_menu_context(const MenuContext& context) {
  std::lock_guard lock(menu_mutex_);
  menu_.apply(context);
}

}  // namespace console
