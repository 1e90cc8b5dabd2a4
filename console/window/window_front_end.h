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

#include <QPointer>

#include <atomic>
#include <condition_variable>
#include <list>
#include <map>
#include <mutex>
#include <string>

#include "console/core/frontend.h"
#include "console/core/library.h"
#include "console/core/program_end.h"
#include "console/window/mailbox.h"

class QMdiSubWindow;
class QWidget;

namespace console::window {

class FrameWindow;

// The frame's handle as the program sees it.
inline constexpr WindowHandle kFrameHandle{1};

class WindowFrontEnd final : public FrontEnd {
 public:
  // On the GUI thread.
  explicit WindowFrontEnd(Library& library);
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
  bool set_window_text(WindowHandle window, std::string_view text) override;
  void status_changed() override;
  int close_window(WindowHandle window, bool keep) override;

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

  // On the GUI thread.
  BoxAnswer show_box(const std::string& text, const std::string& caption, BoxKind kind);
  void serve(BoxRequest* request);
  void frame_closing();

  Library& library_;
  GuiMailbox mailbox_;
  QPointer<FrameWindow> frame_;
  std::atomic<bool> status_posted_{false};

  mutable std::mutex mutex_;
  std::condition_variable answered_;  // a box was answered, or the frame closed
  bool closed_ = false;
  ProcessEnder ender_ = ProcessEnder::None;
  std::list<BoxRequest*> pending_;
  std::map<WindowHandle, QPointer<QMdiSubWindow>> children_;
  std::intptr_t next_child_ = 2;
};

// The answer a box gets when nobody can answer it: No for the exit prompt, OK otherwise.
BoxAnswer unanswered_box_answer(BoxKind kind);

}  // namespace console::window
