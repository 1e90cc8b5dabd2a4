// The program's text windows: the window table, opening and configuring them through the front
// end, writing, the line read with its prompt and the paste queue, the default console window,
// and closing a unit's window.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "console/core/line_input.h"
#include "console/core/run_status.h"
#include "console/core/safe_lock.h"
#include "console/core/text_window.h"
#include "console/core/window_table.h"

namespace console {

class TextWindows {
 public:
  // `status` shows a pending read's prompt, a paste's message and their menu items.
  explicit TextWindows(RunStatus& status) : status_(status) {}
  TextWindows(const TextWindows&) = delete;
  TextWindows& operator=(const TextWindows&) = delete;

  WindowTable& windows() { return windows_; }
  const WindowTable& windows() const { return windows_; }

  // Opens a text window through the front end: its id, or -1 when all 40 slots are taken, the
  // placement kind is not 1, 2 or 4, or the front end has no windows. Without a title it is
  // "Graphic" followed by its slot + 1. The window is not configured yet.
  std::int32_t open_window(std::optional<std::string_view> title, const Placement& placement = {});
  // Configure window: 1, or 0 for a bad id or when the front end cannot.
  int configure_window(std::int32_t id, const WindowConfig& config);
  // Makes a window the active one, without waiting.
  void activate_window(std::int32_t id);
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

  // Closes a unit's window: 0, or -1 for an id outside 1024..1063, an empty slot or a window
  // the front end does not know. Without keep the slot is emptied; with keep the window stays,
  // titled with "-Closed" added, and the user may close it. Either way a read pending in it
  // ends with -1, and the thread's current window reverts to its default console window.
  int close_unit_window(std::int32_t id, bool keep);
  // The front end destroyed a child window (the user closed a closed unit's window).
  void window_destroyed(WindowHandle window);

 private:
  // What a read takes from the paste queue: the text to echo, whether that emptied the queue,
  // and whether the line is finished.
  struct PasteTake {
    std::string echo;
    bool paste_finished = false;
    bool line_finished = false;
  };

  // Configures a window with defaults when it never was: false when that fails.
  bool configured_on_first_use(std::int32_t id, const TextWindow& window);
  // A window to write to, configured: none (after the "InvalidHandle" box when its slot holds no
  // text window) when there is none.
  std::shared_ptr<TextWindow> output_window(std::int32_t id);
  // Writes through `write` with the window as the thread's current window meanwhile.
  int write_as_current(std::int32_t id, std::string_view bytes,
                       void (TextWindow::*write)(std::string_view));

  // Under input_mutex_: the pending line goes on with the paste queue's text, if any.
  PasteTake take_paste(std::size_t count);
  // Echoes what a read took from the paste queue, and clears the paste's message and menu item
  // when the queue is empty.
  void show_pasted(TextWindow& window, const PasteTake& take);
  // With the prompt shown and Input enabled: true once the line is finished, false when the
  // read ended first.
  bool wait_for_line(TextWindow& window, std::size_t count);
  // Under `lock`: until Enter, a paste or the window's end signals the pending read. On the GUI
  // thread its events run meanwhile; when its event loop is gone, the read has ended.
  void wait_for_signal(std::unique_lock<SafeMutex>& lock);
  void end_read(std::int32_t id);

  RunStatus& status_;
  WindowTable windows_;
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

}  // namespace console
