#include "console/window/window_front_end.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QStyle>

#include "console/core/threads.h"
#include "console/window/frame.h"
#include "console/window/picture_window.h"
#include "console/window/text.h"
#include "console/window/text_window_widget.h"

namespace console::window {

BoxAnswer unanswered_box_answer(BoxKind kind) {
  return kind == BoxKind::ExitPrompt ? BoxAnswer::No : BoxAnswer::Ok;
}

WindowFrontEnd::WindowFrontEnd(Console& console) : console_(console) {}

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
  return console_.application_name();
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
  if (window == kFrameHandle) {
    mailbox_.post([this, title = to_qstring(text)] {
      if (frame_) frame_->setWindowTitle(title);
    });
    return true;
  }
  {
    std::lock_guard lock(mutex_);
    if (children_.find(window) == children_.end()) return false;
  }
  mailbox_.post([this, window, title = to_qstring(text)] {
    QMdiSubWindow* sub = child(window);
    if (sub == nullptr) return;
    // A window marking a selection keeps its prefix before the new title.
    if (auto* shown = qobject_cast<ImageWindow*>(sub->widget())) {
      shown->set_plain_title(title);
    } else {
      sub->setWindowTitle(title);
    }
  });
  return true;
}

void WindowFrontEnd::status_changed() {
  if (status_posted_.exchange(true)) return;
  mailbox_.post([this] {
    status_posted_.store(false);
    if (frame_) frame_->refresh_status();
    if (console_.run_state() != RunState::Finished) return;
    // The program has ended: every window may be closed.
    std::vector<QPointer<QMdiSubWindow>> subs;
    {
      std::lock_guard lock(mutex_);
      for (auto& [handle, sub] : children_) subs.push_back(sub);
    }
    for (QMdiSubWindow* sub : subs) {
      if (auto* text = qobject_cast<TextSubWindow*>(sub)) text->allow_close();
    }
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
    auto* text = qobject_cast<TextSubWindow*>(sub.data());
    if (keep) {
      // Closed but kept: the user may close it now.
      sub->setProperty("closed", true);
      if (auto* shown = qobject_cast<ImageWindow*>(sub->widget())) {
        shown->set_plain_title(shown->plain_title() + QStringLiteral("-Closed"));
      } else {
        sub->setWindowTitle(sub->windowTitle() + QStringLiteral("-Closed"));
      }
      if (text != nullptr) {
        text->allow_close();
      } else {
        sub->setWindowFlag(Qt::WindowCloseButtonHint, true);
      }
    } else {
      if (text != nullptr) text->allow_close();
      sub->close();
      sub->deleteLater();
    }
  });
  return 0;
}

QMdiSubWindow* WindowFrontEnd::child(WindowHandle window) const {
  std::lock_guard lock(mutex_);
  auto it = children_.find(window);
  return it == children_.end() ? nullptr : it->second.data();
}

bool WindowFrontEnd::call_on_gui(std::function<void()> task) {
  if (on_gui_thread()) {
    task();
    return true;
  }
  struct Call {
    std::function<void()> task;
    bool done = false;
  };
  auto call = std::make_shared<Call>();
  call->task = std::move(task);
  std::unique_lock lock(mutex_);
  if (closed_) return false;
  mailbox_.post([this, call] {
    {
      std::lock_guard guard(mutex_);
      if (closed_) return;
    }
    call->task();
    std::lock_guard guard(mutex_);
    call->done = true;
    answered_.notify_all();
  });
  answered_.wait(lock, [&] { return call->done || closed_; });
  return call->done;
}

WindowHandle WindowFrontEnd::open_text_window(std::shared_ptr<TextWindow> window,
                                              std::string_view title, const Placement& placement) {
  auto handle = std::make_shared<WindowHandle>(kInvalidWindow);
  auto task = [this, handle, window = std::move(window), name = to_qstring(title), placement] {
    *handle = create_text_window(window, name, placement);
  };
  if (!call_on_gui(task)) return kInvalidWindow;
  return *handle;
}

WindowHandle WindowFrontEnd::create_text_window(std::shared_ptr<TextWindow> window,
                                                const QString& title, const Placement& placement) {
  if (!frame_) return kInvalidWindow;
  QMdiArea* area = frame_->client();
  auto* sub = new TextSubWindow;
  sub->setObjectName(to_qstring(console_.class_name("Graphic")));
  sub->setWidget(new TextWindowWidget(console_, std::move(window), mailbox_, sub));
  sub->setWindowTitle(title);
  sub->setWindowIcon(FrameWindow::picture());
  area->addSubWindow(sub);

  // Default place: three quarters of the area, each new window a caption lower and further in.
  const QSize room = area->viewport()->size();
  const int step = sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, sub);
  const int shift = static_cast<int>(area->subWindowList().size() - 1) % 8 * step;
  QRect place(shift, shift, room.width() * 3 / 4, room.height() * 3 / 4);
  if (placement.x != Placement::kUseDefault) place.moveLeft(placement.x);
  if (placement.y != Placement::kUseDefault) place.moveTop(placement.y);
  if (placement.width != Placement::kUseDefault) place.setWidth(placement.width);
  if (placement.height != Placement::kUseDefault) place.setHeight(placement.height);
  sub->setGeometry(place);
  switch (placement.kind) {
    case Placement::kMinimised:
      sub->showMinimized();
      break;
    case Placement::kMaximised:
      sub->showMaximized();
      break;
    default:
      sub->show();
  }
  return register_new_child(sub);
}

WindowHandle WindowFrontEnd::register_new_child(QMdiSubWindow* sub) {
  const WindowHandle handle = register_child(sub);
  QObject::connect(sub, &QObject::destroyed, &mailbox_, [this, handle] {
    {
      std::lock_guard lock(mutex_);
      children_.erase(handle);
    }
    console_.window_destroyed(handle);
  });
  // The frame's client is laid out again.
  sub->mdiArea()->updateGeometry();
  return handle;
}

WindowHandle WindowFrontEnd::open_picture_window(QImage picture, const QString& title,
                                                 std::vector<SaveFormat> formats,
                                                 std::optional<QRect> place) {
  auto handle = std::make_shared<WindowHandle>(kInvalidWindow);
  auto task = [this, handle, picture = std::move(picture), title, formats = std::move(formats),
               place] { *handle = create_picture_window(picture, title, formats, place); };
  if (!call_on_gui(task)) return kInvalidWindow;
  return *handle;
}

WindowHandle WindowFrontEnd::create_picture_window(QImage picture, const QString& title,
                                                   std::vector<SaveFormat> formats,
                                                   std::optional<QRect> place) {
  if (!frame_) return kInvalidWindow;
  QMdiArea* area = frame_->client();
  auto* sub = new QMdiSubWindow;
  sub->setAttribute(Qt::WA_DeleteOnClose);
  sub->setObjectName(to_qstring(console_.class_name("Graphic")));
  const QSize size = picture.size();
  auto* shown = new PictureWindow(console_, std::move(picture), std::move(formats), sub);
  sub->setWidget(shown);
  shown->set_plain_title(title);
  sub->setWindowIcon(FrameWindow::picture());
  if (place) {
    const WindowHandle handle = add_child_window(sub, *place);
    if (handle == kInvalidWindow) return handle;  // `sub` is gone with the frame
    // As large as the picture where the place has room.
    sub->resize((size + sub->size() - shown->size()).boundedTo(place->size()));
    return handle;
  }
  area->addSubWindow(sub);

  const QSize room = area->viewport()->size();
  const int step = sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, sub);
  const int shift = static_cast<int>(area->subWindowList().size() - 1) % 8 * step;
  sub->setGeometry(shift, shift, room.width() * 3 / 4, room.height() * 3 / 4);
  sub->show();
  const QSize decoration = sub->size() - shown->size();
  sub->resize((size + decoration).boundedTo(room - QSize(shift, shift)));
  return register_new_child(sub);
}

FrameWindow* WindowFrontEnd::frame() const {
  return frame_.data();
}

WindowHandle WindowFrontEnd::add_child_window(QMdiSubWindow* sub, const QRect& place) {
  if (!frame_) {
    delete sub;
    return kInvalidWindow;
  }
  frame_->client()->addSubWindow(sub);
  sub->setGeometry(place);
  sub->show();
  return register_new_child(sub);
}

bool WindowFrontEnd::configure_text_window(WindowHandle window, const WindowConfig& config) {
  auto done = std::make_shared<bool>(false);
  auto task = [this, done, window, config] {
    if (QMdiSubWindow* sub = child(window)) {
      if (auto* text = qobject_cast<TextWindowWidget*>(sub->widget()))
        *done = text->configure(config);
    }
  };
  return call_on_gui(task) && *done;
}

void WindowFrontEnd::activate_window(WindowHandle window) {
  mailbox_.post([this, window] {
    QMdiSubWindow* sub = child(window);
    if (sub == nullptr || !frame_) return;
    frame_->client()->setActiveSubWindow(sub);
    if (sub->widget() != nullptr) sub->widget()->setFocus();
  });
}

void WindowFrontEnd::wait_on_gui_thread(const std::function<bool()>& done) {
  while (!done()) {
    {
      std::lock_guard lock(mutex_);
      if (closed_) return;
    }
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
}

void WindowFrontEnd::beep() {
  if (on_gui_thread()) {
    QApplication::beep();
  } else {
    mailbox_.post([] { QApplication::beep(); });
  }
}

bool WindowFrontEnd::choose_file(std::string& name, std::string_view title) {
  auto chosen = std::make_shared<std::optional<std::string>>();
  auto task = [this, chosen, caption = to_qstring(title)] {
    std::string picked;
    if (ask_for_file(picked, caption)) *chosen = std::move(picked);
  };
  if (!call_on_gui(task) || !chosen->has_value()) return false;
  name = **chosen;
  return true;
}

bool WindowFrontEnd::ask_for_file(std::string& name, const QString& title) {
  QPointer<QFileDialog> dialog = new QFileDialog(frame_, title, QDir::currentPath());
  dialog->setObjectName("ChooseFile");
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  dialog->setFileMode(QFileDialog::AnyFile);  // a missing file is offered for creation
  dialog->setNameFilters({"Text files(*.txt)", "Data Files(*.dat)", "All Files(*.*)"});
  dialog->selectNameFilter("Text files(*.txt)");
  const int result = dialog->exec();
  if (dialog.isNull()) return false;  // the frame closed under it
  const QString file = dialog->selectedFiles().value(0);
  delete dialog.data();
  if (result != QDialog::Accepted || file.isEmpty()) return false;
  if (!QFileInfo::exists(file)) {
    QPointer<QMessageBox> ask =
        new QMessageBox(QMessageBox::Question, title,
                        file + QStringLiteral("\nThis file does not exist.\nCreate the file?"),
                        QMessageBox::Yes | QMessageBox::No, frame_);
    const int answer = ask->exec();
    if (ask.isNull()) return false;
    delete ask.data();
    if (answer != QMessageBox::Yes) return false;
  }
  name = QFile::encodeName(file).toStdString();
  return true;
}

}  // namespace console::window
