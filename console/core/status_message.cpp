#include "console/core/status_message.h"

namespace console {

void StatusMessage::set(std::optional<std::string_view> text) {
  std::lock_guard lock(mutex_);
  if (locked_) return;
  shown_ = text ? std::string(*text) : std::string();
}

void StatusMessage::lock_prompt(std::string_view prompt) {
  std::lock_guard lock(mutex_);
  locked_ = true;
  shown_ = prompt;
}

void StatusMessage::remove_prompt() {
  std::lock_guard lock(mutex_);
  locked_ = false;
  shown_.clear();
}

std::string StatusMessage::shown() const {
  std::lock_guard lock(mutex_);
  return shown_;
}

bool StatusMessage::prompt_locked() const {
  std::lock_guard lock(mutex_);
  return locked_;
}

}  // namespace console
