// The console library's platform seam. A front end (desktop window or terminal) implements
// FrontEnd, and WindowServices and GuiThread when it has them, and installs itself once at
// start-up; everything below the front ends reaches it only through the free functions here,
// and falls back to plain standard streams when none is installed (tests, tools).
//
// Texts crossing this seam are bytes in code page 1252, like every text inside the engine; a
// front end converts them at its toolkit's boundary.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "console/core/text_window.h"

namespace console {

enum class BoxAnswer { Ok, Yes, No, Cancel };

enum class BoxKind {
  RuntimeError,  // task-modal, error (stop) icon, OK
  ExitPrompt,    // Yes and No, warning icon, No the default
  Information,   // OK, information icon
  Warning,       // OK, warning icon
};

// A window as the program and the run-time see it: an opaque value, never a toolkit pointer.
// 0 stands for "no window" (the library is not initialised), -1 for "not a window".
enum class WindowHandle : std::intptr_t {};
inline constexpr WindowHandle kNoWindow{0};
inline constexpr WindowHandle kInvalidWindow{-1};

// What every front end does: name the application, show the run-time's messages, and end the
// run. The services beyond these are the small interfaces below; a front end that has them
// derives from them as well, and install_front_end finds them.
class FrontEnd {
 public:
  virtual ~FrontEnd() = default;

  // The caption of the library's own boxes (the application name).
  virtual std::string_view application_name() const = 0;
  // True when run-time messages are shown in message boxes rather than on standard error.
  virtual bool shows_message_boxes() const = 0;
  // Shows a box and waits for the answer; callable from any thread.
  virtual BoxAnswer message_box(std::string_view text, std::string_view caption, BoxKind kind) = 0;

  // Asks the frame to close; the process then ends (see end_of_program for its status).
  virtual void post_close() = 0;
  // Blocks the calling (program) thread until the user has closed the windows, then returns so
  // that the caller ends the process with its own status.
  virtual void wait_for_close() = 0;
};

// A front end with a frame and child windows: their titles, the status line, text windows (a
// front end without this keeps console units on the standard streams), the beep and the
// open-file dialog. Every call may come from any thread.
class WindowServices {
 public:
  virtual ~WindowServices() = default;

  // Sets a window's title (the frame's caption for the frame handle).
  virtual bool set_window_text(WindowHandle window, std::string_view text) = 0;
  // The run state, the status message or the status line's visibility changed; called after
  // the change.
  virtual void status_changed() = 0;
  // Closes a child window for a closed unit: keep leaves it on screen, marked closed.
  // Returns 0, or -1 when the handle names no window of this front end.
  virtual int close_window(WindowHandle window, bool keep) = 0;
  // Creates the child window that shows `window` (titled, placed) and attaches its view. The
  // window's handle, or kInvalidWindow.
  virtual WindowHandle open_text_window(std::shared_ptr<TextWindow> window, std::string_view title,
                                        const Placement& placement) = 0;
  // Configures a text window (font, image, the model reset under its DrawLock, the title when
  // the request has one), then shows, focuses and activates it. False when it cannot.
  virtual bool configure_text_window(WindowHandle window, const WindowConfig& config) = 0;
  // Makes a child window the active one, without waiting.
  virtual void activate_window(WindowHandle window) = 0;
  // The default system sound.
  virtual void beep() = 0;
  // The open-file dialog with the text filters, titled `title`: true and the name when the user
  // picked a file.
  virtual bool choose_file(std::string& name, std::string_view title) = 0;
};

// A front end whose toolkit has a thread of its own (the GUI thread).
class GuiThread {
 public:
  virtual ~GuiThread() = default;

  // Runs `task` on the GUI thread and returns once it has run; from any thread, the GUI thread
  // itself included. False when the windows closed before `task` had run: the process is
  // ending, so the caller should go no further (park_thread_forever) and keep alive what `task`
  // uses.
  virtual bool run_on_gui_thread(const std::function<void()>& task) = 0;
  // On the GUI thread: handles the toolkit's events until `done` says so (a read made on the GUI
  // thread itself waits this way).
  virtual void wait_on_gui_thread(const std::function<bool()>& done) = 0;
};

// Installs the process's front end (nullptr removes it), and finds which of the interfaces
// above it also implements. Not thread-safe: call at start-up, once the front end is fully made.
void install_front_end(FrontEnd* front_end);
FrontEnd* front_end();
// The installed front end's window and GUI-thread services; nullptr when it has none.
WindowServices* front_end_windows();
GuiThread* front_end_gui_thread();

}  // namespace console
