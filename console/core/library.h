// The console library's process-wide state and the operations the program and the run-time
// call: the application name, initialisation, the window-handle query, the frame caption, the
// run state and status line, exit callbacks and closing a unit's window.
//
// The state lives in one Library object (library()); the free functions act on it. Tests make
// their own Library objects.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "console/core/exit_callbacks.h"
#include "console/core/frontend.h"
#include "console/core/line_input.h"
#include "console/core/menu.h"
#include "console/core/run_state.h"
#include "console/core/safe_lock.h"
#include "console/core/status_message.h"
#include "console/core/text_window.h"
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
  // the front end does not know. Without keep the slot is emptied; with keep the window stays,
  // titled with "-Closed" added, and the user may close it. Either way a read pending in it
  // ends with -1, and the thread's current window reverts to its default console window.
  int close_unit_window(std::int32_t id, bool keep);

  // --- Text windows (text_windows.cpp) ---

  // Opens a text window through the front end: its id, or -1 when all 40 slots are taken, the
  // placement kind is not 1, 2 or 4, or the front end has no text windows. Without a title it
  // is "Graphic" followed by its slot + 1. The window is not configured yet.
  std::int32_t open_window(std::optional<std::string_view> title, const Placement& placement = {});
  // Configure window: 1, or 0 for a bad id or when the front end cannot.
  int configure_window(std::int32_t id, const WindowConfig& config);
  // The record of a text window, or none.
  std::shared_ptr<TextWindow> text_window(std::int32_t id) const { return windows_.record(id); }

  // Write text: the window becomes the thread's current window for the call; configured with
  // defaults first if it never was. The length, or -1 for an id outside 1024..1063 or an empty
  // slot; a slot without a text window shows the box "InvalidHandle" captioned "ERROR" and
  // gives -1.
  int write_text(std::int32_t id, std::string_view bytes);
  // One output record and its line end, as write_text.
  int write_record(std::int32_t id, std::string_view record);

  // Read line: the next line typed into (or pasted for) the window, without its line end, at
  // most buffer.size() characters; a longer line leaves the rest for the next read. Blocks until
  // the line is finished (a read on the GUI thread runs its events meanwhile). The count, or -1
  // for a bad id, a closed window, or a read ended by closing the window.
  int read_line(std::int32_t id, std::span<char> buffer);
  // The id of the window whose read is pending, 0 when none.
  std::int32_t reading_window() const;
  // On the GUI thread: a character typed into `window` while its read is pending (Backspace,
  // Tab, Enter or a character to add); beeps otherwise.
  void edit_line(TextWindow& window, unsigned char c);

  // Paste: replaces the paste queue with `text`, shows "Paste input pending", enables
  // "C&lear Paste" and lets a pending read take its line from it. Clear Paste empties it.
  void paste(std::string text);
  void clear_paste();
  bool paste_pending() const;

  // The calling thread's default console window, opened without a title and configured on first
  // use, and again when the last one was closed: its id, or -1.
  std::int32_t default_console_window();

  // The front end destroyed a child window (the user closed a closed unit's window).
  void window_destroyed(WindowHandle window);

  // Choose file: the open-file dialog titled `title`; true with the name the user picked.
  bool choose_file(std::string& name, std::string_view title);

 private:
  void notify_status() const;
  // The paste queue answered a read (under input_mutex_): the paste's status when it finished.
  void paste_taken(bool finished);
  void end_read(std::int32_t id);
  // A window to write to, configured: none (after the "InvalidHandle" box when its slot holds no
  // text window) when there is none.
  std::shared_ptr<TextWindow> output_window(std::int32_t id);

  std::atomic<bool> initialising_{false};
  std::atomic<bool> initialised_{false};
  std::string application_name_ = "Panelkit";
  std::atomic<WindowHandle> frame_{kNoWindow};
  RunControl run_control_;
  StatusMessage status_message_;
  std::atomic<bool> status_line_visible_{true};
  mutable SafeMutex menu_mutex_;
  MenuBarModel menu_ = [] {
    MenuBarModel bar = MenuBarModel::full();
    bar.set_checked(command::kStatusBar, true);  // the status line starts visible
    return bar;
  }();
  WindowTable windows_;
  ExitCallbackList exit_callbacks_;

  std::mutex open_mutex_;     // held while a window is opened
  std::mutex default_mutex_;  // the choice of a thread's default console window

  // The line input of the one pending read and the paste queue.
  mutable SafeMutex input_mutex_;
  SafeCondition input_event_;
  LineInput line_input_;
  PasteQueue paste_;
  std::int32_t reading_window_ = 0;
  bool input_signalled_ = false;  // Enter, a paste, or the window's end
  bool read_ended_ = false;       // the window closed under the read
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
