// The desktop front end of the console library: message boxes, the frame's caption, the status
// line and the close request, asked for from any thread and carried out on the GUI thread.
//
// A box asked for by another thread is shown on the GUI thread, task-modal and owned by the
// frame, while the asking thread waits for the answer. When the frame closes, the process ends
// by one of two roads (console::claim_process_end): if the program had already ended
// (end_of_program was entered) its thread finishes that step (a pending exit prompt is answered
// No, a wait for the close returns) and its caller's exit status stands; otherwise the windows
// end the process with 0 and threads waiting in a box stay there.
#pragma once

#include <QImage>
#include <QPointer>
#include <QRect>

#include <atomic>
#include <list>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "console/core/console.h"
#include "console/core/frontend.h"
#include "console/core/program_end.h"
#include "console/core/safe_lock.h"
#include "console/window/mailbox.h"
#include "console/window/picture_window.h"

class QMdiSubWindow;
class QWidget;

namespace console::window {

class FrameWindow;

// The frame's handle as the program sees it.
inline constexpr WindowHandle kFrameHandle{1};

class WindowFrontEnd final : public FrontEnd, public WindowServices, public GuiThread {
 public:
  // On the GUI thread.
  explicit WindowFrontEnd(Console& console);
  ~WindowFrontEnd() override;

  // On the GUI thread: the frame whose boxes, caption and status line this front end serves.
  void attach(FrameWindow* frame);
  // On the GUI thread, after the event loop: stops serving requests.
  void detach();

  // On the GUI thread: a child window becomes known to the program; its handle.
  WindowHandle register_child(QMdiSubWindow* window);

  // FrontEnd, from any thread.
  std::string_view application_name() const override;
  bool shows_message_boxes() const override { return true; }
  BoxAnswer message_box(std::string_view text, std::string_view caption, BoxKind kind) override;
  void post_close() override;
  void wait_for_close() override;

  // WindowServices, from any thread.
  bool set_window_text(WindowHandle window, std::string_view text) override;
  void status_changed() override;
  int close_window(WindowHandle window, bool keep) override;
  WindowHandle open_text_window(std::shared_ptr<TextWindow> window, std::string_view title,
                                const Placement& placement) override;
  bool configure_text_window(WindowHandle window, const WindowConfig& config) override;
  void activate_window(WindowHandle window) override;
  void beep() override;
  bool choose_file(std::string& name, std::string_view title) override;

  // GuiThread.
  bool run_on_gui_thread(const std::function<void()>& task) override { return call_on_gui(task); }
  void wait_on_gui_thread(const std::function<bool()>& done) override;

  // Opens a child window that shows `picture`, titled `title`, its Save also offering `formats`
  // (see PictureWindow); from any thread. It is placed as the text windows are, one caption lower
  // and further in than the window before, and as large as the picture where the frame's client
  // area has room. The window's handle, or kInvalidWindow when the frame has closed.
  // With `place` (in the client area's coordinates) the window goes there instead, as large as
  // the picture where the place has room.
  WindowHandle open_picture_window(QImage picture, const QString& title,
                                   std::vector<SaveFormat> formats,
                                   std::optional<QRect> place = std::nullopt);
  // open_picture_window on the GUI thread.
  WindowHandle create_picture_window(QImage picture, const QString& title,
                                     std::vector<SaveFormat> formats,
                                     std::optional<QRect> place = std::nullopt);
  // On the GUI thread: adds `sub` to the frame's client area at `place`, shows it and makes it
  // known to the program; its handle, or kInvalidWindow (and `sub` deleted) once the frame has
  // closed.
  WindowHandle add_child_window(QMdiSubWindow* sub, const QRect& place);

  // On the GUI thread: the frame served, or nullptr once it has closed.
  FrameWindow* frame() const;

  // The child window of a handle (GUI thread), or nullptr.
  QMdiSubWindow* child(WindowHandle window) const;

  // Who ends the process, as decided when the frame closed (None while it is open).
  ProcessEnder ender() const;

 private:
  struct BoxRequest {
    std::string text;
    std::string caption;
    BoxKind kind;
    bool answered = false;
    BoxAnswer answer = BoxAnswer::Ok;
  };

  // Runs `task` on the GUI thread and waits for it: false when the frame closed first, and
  // then the task may never run (it must hold what it uses).
  bool call_on_gui(std::function<void()> task);

  // On the GUI thread.
  BoxAnswer show_box(const std::string& text, const std::string& caption, BoxKind kind);
  WindowHandle create_text_window(std::shared_ptr<TextWindow> window, const QString& title,
                                  const Placement& placement);
  // A child window just shown in the area becomes known to the program until it is destroyed;
  // its handle.
  WindowHandle register_new_child(QMdiSubWindow* sub);
  bool ask_for_file(std::string& name, const QString& title);
  void serve(BoxRequest* request);
  void frame_closing();

  Console& console_;
  GuiMailbox mailbox_;
  QPointer<FrameWindow> frame_;
  std::atomic<bool> status_posted_{false};

  // Safe: a paused program thread never holds it, and waits for an answer without it.
  mutable SafeMutex mutex_;
  SafeCondition answered_;  // a box was answered, a call was made, or the frame closed
  bool closed_ = false;
  ProcessEnder ender_ = ProcessEnder::None;
  std::list<BoxRequest*> pending_;
  std::map<WindowHandle, QPointer<QMdiSubWindow>> children_;
  std::intptr_t next_child_ = 2;
};

// The answer a box gets when nobody can answer it: No for the exit prompt, OK otherwise.
BoxAnswer unanswered_box_answer(BoxKind kind);

}  // namespace console::window
