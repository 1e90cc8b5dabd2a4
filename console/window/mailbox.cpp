#include "console/window/mailbox.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>

#include <cstdint>
#include <utility>

namespace console::window {

GuiMailbox::GuiMailbox(QObject* parent) : QObject(parent) {
  event_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  notifier_ = new QSocketNotifier(event_fd_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &GuiMailbox::drain);
}

GuiMailbox::~GuiMailbox() {
  stop();
  std::lock_guard lock(mutex_);
  ::close(event_fd_);
  event_fd_ = -1;
}

void GuiMailbox::stop() {
  delete notifier_;
  notifier_ = nullptr;
}

void GuiMailbox::post(std::function<void()> task) {
  std::lock_guard lock(mutex_);
  tasks_.push_back(std::move(task));
  std::uint64_t one = 1;
  if (event_fd_ >= 0) [[maybe_unused]]
    ssize_t n = ::write(event_fd_, &one, sizeof one);
}

void GuiMailbox::drain() {
  std::uint64_t count = 0;
  [[maybe_unused]] ssize_t n = ::read(event_fd_, &count, sizeof count);
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard lock(mutex_);
      if (tasks_.empty()) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();  // may run a nested event loop (a message box), which drains in turn
  }
}

}  // namespace console::window
