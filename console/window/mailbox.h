// Hands work from any thread to the GUI thread. Tasks wait in a queue behind a std::mutex and
// an eventfd wakes the GUI thread's event loop, which runs them in order; nothing of the
// toolkit is touched off the GUI thread.
#pragma once

#include <QObject>

#include <deque>
#include <functional>

#include "console/core/safe_lock.h"

class QSocketNotifier;

namespace console::window {

class GuiMailbox : public QObject {
  Q_OBJECT

 public:
  // On the GUI thread.
  explicit GuiMailbox(QObject* parent = nullptr);
  ~GuiMailbox() override;

  // From any thread. Tasks still queued when the event loop has ended never run.
  void post(std::function<void()> task);
  // On the GUI thread, before the application object goes: no more tasks run; posting stays
  // harmless for as long as the mailbox exists.
  void stop();

 private:
  void drain();

  int event_fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
  SafeMutex mutex_;  // a pause never stops a poster holding it
  std::deque<std::function<void()>> tasks_;
};

}  // namespace console::window
