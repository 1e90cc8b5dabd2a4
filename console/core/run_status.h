// What the console shows of the program's run: its run state with Pause and Resume, the status
// line (its message, a locked prompt, its visibility) and the state of the menu bar. Each change
// that the frame shows reaches the front end's window services as status_changed.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <string_view>

#include "console/core/menu.h"
#include "console/core/run_state.h"
#include "console/core/safe_lock.h"
#include "console/core/status_message.h"

namespace console {

class RunStatus {
 public:
  // Run state: set_run_state gives 1, or 0 when finished or for an argument other than 0 or 1.
  int set_run_state(int state);
  RunState run_state() const { return run_control_.state(); }
  PauseStep pause();
  void pause_done();
  ResumeStep resume();

  // Right pane: 1 (an allocation failure would be an exception, not 0).
  int set_status_message(std::optional<std::string_view> text);
  void lock_status_prompt(std::string_view prompt);
  void remove_status_prompt();
  std::string status_message() const { return status_message_.shown(); }
  // 1 for on (1) or off (0), 0 for any other argument.
  int show_status_line(int on);
  bool status_line_visible() const { return status_line_visible_.load(); }

  // The full menu bar's current state, and changes to it.
  MenuBarModel menu() const;
  bool set_menu_item_enabled(int id, bool enabled);
  bool set_menu_item_checked(int id, bool checked);
  // A popup opens: the run's part of the context (run state, status line), which the active
  // window completes with its own before apply_menu_context.
  MenuContext menu_context() const;
  void apply_menu_context(const MenuContext& context);

 protected:
  // The program has ended: Finished, and its menu items grayed (Console::finish_run).
  void show_finished();

 private:
  void notify() const;
  // Pause or Resume took effect: the state item shows `state`, the program's items follow.
  void show_pause_in_menu(RunState state, bool program_items_enabled);

  RunControl run_control_;
  StatusMessage status_message_;
  std::atomic<bool> status_line_visible_{true};
  mutable SafeMutex menu_mutex_;
  MenuBarModel menu_ = [] {
    MenuBarModel bar = MenuBarModel::full();
    bar.set_checked(command::kStatusBar, true);  // the status line starts visible
    return bar;
  }();
};

}  // namespace console
