#include "console/core/exit_callbacks.h"

namespace console {

int ExitCallbackList::add(ExitCallback callback) {
  std::lock_guard lock(mutex_);
  if (callback == nullptr || count_ == kCapacity) return 0;
  entries_[count_++] = callback;
  return 1;
}

void ExitCallbackList::run_all() const {
  std::array<ExitCallback, kCapacity> entries;
  int count;
  {
    std::lock_guard lock(mutex_);
    entries = entries_;
    count = count_;
  }
  for (int i = 0; i < count; ++i) entries[i]();
}

int ExitCallbackList::size() const {
  std::lock_guard lock(mutex_);
  return count_;
}

}  // namespace console
