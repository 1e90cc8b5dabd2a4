// The console library's process-wide state and the operations the program and the run-time
// call: the application name, initialisation, the window-handle query, the frame caption, the
// run state and status line, exit callbacks and closing a unit's window.
//
// The state lives in one Library object (library()); the free functions act on it. Tests make
// their own Library objects.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "console/core/exit_callbacks.h"
#include "console/core/frontend.h"
#include "console/core/menu.h"
#include "console/core/run_state.h"
#include "console/core/status_message.h"
#include "console/core/window_table.h"

namespace console {

// The unit code that names the frame window in the window-handle query.
inline constexpr std::uint32_t kFrameWindowCode = 0x80000000u;

// The executable's file name without directory and extension, converted to code page 1252;
// "Panelkit" when there is none.
std::string application_name_from_path(std::string_view executable_path);
// The same for this process's executable ("Panelkit" when it cannot be read).
std::string read_application_name();

class Library {
 public:
  // Start of initialisation: a second one raises warning 6 ("Possible internal
  // inconsistency") and fails.
  bool begin_initialisation(std::string application_name);
  // End of initialisation: the frame's handle becomes known and queries answer.
  void complete_initialisation(WindowHandle frame);
  bool initialised() const { return initialised_.load(); }

  // Code page 1252. Set once by begin_initialisation, before any other thread starts.
  const std::string& application_name() const { return application_name_; }
  // The application name followed by a class suffix ("FRAME", "STATUSBAR", "Graphic",
  // "FullWnd").
  std::string class_name(std::string_view suffix) const;

  // 0 before initialisation; the frame for kFrameWindowCode; for an id 1024..1063 the child
  // window in that slot; kInvalidWindow for an empty slot or any other value.
  WindowHandle window_handle(std::int32_t code) const;
  // Sets a window's title through the front end; false before initialisation or for a handle
  // that names no window.
  bool set_window_text(WindowHandle window, std::string_view text);

  // Run state: set_run_state gives 1, or 0 when finished or for an argument other than 0 or 1.
  int set_run_state(int state);
  RunState run_state() const { return run_control_.state(); }
  // The program has ended: Finished, and its menu items grayed.
  void finish_run();
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
  // A popup opens: the library's part of the context (run state, status line), which the
  // active window completes with its own before apply_menu_context.
  MenuContext menu_context() const;
  void apply_menu_context(const MenuContext& context);

  WindowTable& windows() { return windows_; }
  ExitCallbackList& exit_callbacks() { return exit_callbacks_; }

  // Closes a unit's window: 0, or -1 for an id outside 1024..1063, an empty slot or a window
  // the front end does not know. Without keep the slot is emptied.
  int close_unit_window(std::int32_t id, bool keep);

 private:
  void notify_status() const;

  std::atomic<bool> initialising_{false};
  std::atomic<bool> initialised_{false};
  std::string application_name_ = "Panelkit";
  std::atomic<WindowHandle> frame_{kNoWindow};
  RunControl run_control_;
  StatusMessage status_message_;
  std::atomic<bool> status_line_visible_{true};
  mutable std::mutex menu_mutex_;
  MenuBarModel menu_ = [] {
    MenuBarModel bar = MenuBarModel::full();
    bar.set_checked(command::kStatusBar, true);  // the status line starts visible
    return bar;
  }();
  WindowTable windows_;
  ExitCallbackList exit_callbacks_;
};

// The process's library.
Library& library();

// The program's calls on the process's library: the window-handle query (kFrameWindowCode for
// the frame) and the frame caption, from any thread.
inline WindowHandle window_handle(std::int32_t code) {
  return library().window_handle(code);
}
inline bool set_window_text(WindowHandle window, std::string_view text) {
  return library().set_window_text(window, text);
}

}  // namespace console
