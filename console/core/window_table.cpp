#include "console/core/window_table.h"

namespace console {

std::int32_t WindowTable::add(WindowHandle window) {
  if (window == kNoWindow || window == kInvalidWindow) return -1;
  std::lock_guard lock(mutex_);
  for (int slot = 0; slot < kSlots; ++slot) {
    if (slots_[slot] == kNoWindow) {
      slots_[slot] = window;
      return kFirstId + slot;
    }
  }
  return -1;
}

WindowHandle WindowTable::find(std::int64_t id) const {
  if (!valid_id(id)) return kInvalidWindow;
  std::lock_guard lock(mutex_);
  WindowHandle w = slots_[id - kFirstId];
  return w == kNoWindow ? kInvalidWindow : w;
}

bool WindowTable::remove(std::int64_t id) {
  if (!valid_id(id)) return false;
  std::lock_guard lock(mutex_);
  WindowHandle& w = slots_[id - kFirstId];
  if (w == kNoWindow) return false;
  w = kNoWindow;
  return true;
}

void WindowTable::clear() {
  std::lock_guard lock(mutex_);
  slots_.fill(kNoWindow);
}

}  // namespace console
