// The console as the program, the run-time and the front ends share it, in three parts: its
// initialisation (initialisation.h), what it shows of the run (run_status.h) and the text
// windows (text_windows.h); the console joins them where a call needs more than one, and keeps
// the exit callbacks.
//
// The process has one (process_console()), on which the free functions act. Tests make their
// own.
#pragma once

#include <cstdint>
#include <string_view>

#include "console/core/exit_callbacks.h"
#include "console/core/frontend.h"
#include "console/core/initialisation.h"
#include "console/core/run_status.h"
#include "console/core/text_windows.h"

namespace console {

// The unit code that names the frame window in the window-handle query.
inline constexpr std::uint32_t kFrameWindowCode = 0x80000000u;

class Console : public Initialisation, public RunStatus, public TextWindows {
 public:
  Console() : TextWindows(static_cast<RunStatus&>(*this)) {}

  // 0 before initialisation; the frame for kFrameWindowCode; for an id 1024..1063 the child
  // window in that slot; kInvalidWindow for an empty slot or any other value.
  WindowHandle window_handle(std::int32_t code) const;
  // Sets a window's title through the front end; false before initialisation or for a handle
  // that names no window.
  bool set_window_text(WindowHandle window, std::string_view text);

  // The program has ended: every window may now be closed by the user, the run is Finished and
  // its menu items grayed.
  void finish_run();

  ExitCallbackList& exit_callbacks() { return exit_callbacks_; }

 private:
  ExitCallbackList exit_callbacks_;
};

// The process's console.
Console& process_console();

// The program's calls on the process's console: the window-handle query (kFrameWindowCode for
// the frame) and the frame caption, from any thread.
inline WindowHandle window_handle(std::int32_t code) {
  return process_console().window_handle(code);
}
inline bool set_window_text(WindowHandle window, std::string_view text) {
  return process_console().set_window_text(window, text);
}

}  // namespace console
