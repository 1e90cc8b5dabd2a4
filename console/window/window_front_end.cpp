#include "console/window/window_front_end.h"

#include <QMdiSubWindow>
#include <QMessageBox>

#include "console/core/threads.h"
#include "console/window/frame.h"
#include "console/window/text.h"

namespace console::window {

BoxAnswer unanswered_box_answer(BoxKind kind) {
  return kind == BoxKind::ExitPrompt ? BoxAnswer::No : BoxAnswer::Ok;
}

WindowFrontEnd::WindowFrontEnd(Library& library) : library_(library) {}

WindowFrontEnd::~WindowFrontEnd() = default;

void WindowFrontEnd::attach(FrameWindow* frame) {
  frame_ = frame;
  QObject::connect(frame, &FrameWindow::closing, &mailbox_, [this] { frame_closing(); });
}

void WindowFrontEnd::detach() {
  mailbox_.stop();
  frame_ = nullptr;
}

WindowHandle WindowFrontEnd::register_child(QMdiSubWindow* window) {
  std::lock_guard lock(mutex_);
  WindowHandle handle{next_child_++};
  children_[handle] = window;
  return handle;
}

std::string_view WindowFrontEnd::application_name() const {
  return library_.application_name();
}

ProcessEnder WindowFrontEnd::ender() const {
  std::lock_guard lock(mutex_);
  return ender_;
}

BoxAnswer WindowFrontEnd::show_box(const std::string& text, const std::string& caption,
                                   BoxKind kind) {
  // Owned by the frame; a pointer, because closing the frame may delete it while it is shown.
  QPointer<QMessageBox> box = new QMessageBox(frame_);
  box->setWindowModality(Qt::ApplicationModal);
  box->setWindowTitle(to_qstring(caption));
  box->setText(to_qstring(text));
  switch (kind) {
    case BoxKind::RuntimeError:
      box->setIcon(QMessageBox::Critical);
      box->setStandardButtons(QMessageBox::Ok);
      break;
    case BoxKind::ExitPrompt:
      box->setIcon(QMessageBox::Warning);
      box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box->setDefaultButton(QMessageBox::No);
      box->setEscapeButton(QMessageBox::No);
      break;
    case BoxKind::Information:
      box->setIcon(QMessageBox::Information);
      box->setStandardButtons(QMessageBox::Ok);
      break;
    case BoxKind::Warning:
      box->setIcon(QMessageBox::Warning);
      box->setStandardButtons(QMessageBox::Ok);
      break;
  }
  const int result = box->exec();
  if (box.isNull()) return unanswered_box_answer(kind);
  delete box.data();
  switch (result) {
    case QMessageBox::Yes:
      return BoxAnswer::Yes;
    case QMessageBox::No:
      return BoxAnswer::No;
    case QMessageBox::Ok:
      return BoxAnswer::Ok;
    default:
      return unanswered_box_answer(kind);
  }
}

BoxAnswer WindowFrontEnd::message_box(std::string_view text, std::string_view caption,
                                      BoxKind kind) {
  if (on_gui_thread()) return show_box(std::string(text), std::string(caption), kind);

  BoxRequest request{std::string(text), std::string(caption), kind};
  std::unique_lock lock(mutex_);
  if (closed_) {
    // The windows are gone. A program that has ended finishes its end; any other thread waits
    // here while the process ends with 0.
    if (ender_ == ProcessEnder::Program) return unanswered_box_answer(kind);
    lock.unlock();
    park_thread_forever();
  }
  pending_.push_back(&request);
  mailbox_.post([this, r = &request] { serve(r); });
  answered_.wait(lock, [&] { return request.answered; });
  return request.answer;
}

void WindowFrontEnd::serve(BoxRequest* request) {
  std::string text, caption;
  BoxKind kind;
  {
    std::lock_guard lock(mutex_);
    if (closed_) return;  // frame_closing() has answered it, or left its thread waiting
    text = request->text;
    caption = request->caption;
    kind = request->kind;
  }
  const BoxAnswer answer = show_box(text, caption, kind);
  std::lock_guard lock(mutex_);
  if (closed_) return;  // closed while shown: as above
  pending_.remove(request);
  request->answer = answer;
  request->answered = true;
  answered_.notify_all();
}

void WindowFrontEnd::frame_closing() {
  const ProcessEnder winner = claim_process_end(ProcessEnder::Windows);
  std::lock_guard lock(mutex_);
  closed_ = true;
  ender_ = winner;
  if (winner == ProcessEnder::Program) {
    for (BoxRequest* request : pending_) {
      request->answer = unanswered_box_answer(request->kind);
      request->answered = true;
    }
    pending_.clear();
  }
  answered_.notify_all();
}

void WindowFrontEnd::post_close() {
  mailbox_.post([this] {
    if (frame_) frame_->close();
  });
}

void WindowFrontEnd::wait_for_close() {
  std::unique_lock lock(mutex_);
  answered_.wait(lock, [&] { return closed_; });
}

bool WindowFrontEnd::set_window_text(WindowHandle window, std::string_view text) {
  if (window != kFrameHandle) return false;
  mailbox_.post([this, title = to_qstring(text)] {
    if (frame_) frame_->setWindowTitle(title);
  });
  return true;
}

void WindowFrontEnd::status_changed() {
  if (status_posted_.exchange(true)) return;
  mailbox_.post([this] {
    status_posted_.store(false);
    if (frame_) frame_->refresh_status();
  });
}

int WindowFrontEnd::close_window(WindowHandle window, bool keep) {
  {
    std::lock_guard lock(mutex_);
    if (children_.find(window) == children_.end()) return -1;
  }
  mailbox_.post([this, window, keep] {
    QPointer<QMdiSubWindow> sub;
    {
      std::lock_guard lock(mutex_);
      auto it = children_.find(window);
      if (it == children_.end()) return;
      sub = it->second;
      if (!keep) children_.erase(it);
    }
    if (sub.isNull()) return;
    if (keep) {
      // Closed but kept: the user may close it now.
      sub->setProperty("closed", true);
      sub->setWindowTitle(sub->windowTitle() + QStringLiteral("-Closed"));
      sub->setWindowFlag(Qt::WindowCloseButtonHint, true);
    } else {
      sub->close();
      sub->deleteLater();
    }
  });
  return 0;
}

}  // namespace console::window
