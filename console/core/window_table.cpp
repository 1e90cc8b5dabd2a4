#include "console/core/window_table.h"

namespace console {

std::int32_t WindowTable::reserve() {
  std::lock_guard lock(mutex_);
  for (int slot = 0; slot < kSlots; ++slot) {
    Slot& s = slots_[slot];
    if (s.handle == kNoWindow && !s.reserved) {
      s.reserved = true;
      return kFirstId + slot;
    }
  }
  return -1;
}

void WindowTable::fill(std::int32_t id, WindowHandle window, std::shared_ptr<TextWindow> record) {
  if (!valid_id(id)) return;
  std::lock_guard lock(mutex_);
  Slot& s = slots_[id - kFirstId];
  s = {window, false, std::move(record)};
}

void WindowTable::release(std::int32_t id) {
  if (!valid_id(id)) return;
  std::lock_guard lock(mutex_);
  slots_[id - kFirstId] = {};
}

std::int32_t WindowTable::add(WindowHandle window) {
  if (window == kNoWindow || window == kInvalidWindow) return -1;
  const std::int32_t id = reserve();
  if (id >= 0) fill(id, window, nullptr);
  return id;
}

WindowHandle WindowTable::find(std::int64_t id) const {
  if (!valid_id(id)) return kInvalidWindow;
  std::lock_guard lock(mutex_);
  WindowHandle w = slots_[id - kFirstId].handle;
  return w == kNoWindow ? kInvalidWindow : w;
}

std::shared_ptr<TextWindow> WindowTable::record(std::int64_t id) const {
  if (!valid_id(id)) return nullptr;
  std::lock_guard lock(mutex_);
  return slots_[id - kFirstId].record;
}

std::int32_t WindowTable::id_of(WindowHandle window) const {
  if (window == kNoWindow || window == kInvalidWindow) return -1;
  std::lock_guard lock(mutex_);
  for (int slot = 0; slot < kSlots; ++slot) {
    if (slots_[slot].handle == window) return kFirstId + slot;
  }
  return -1;
}

bool WindowTable::remove(std::int64_t id) {
  if (!valid_id(id)) return false;
  std::lock_guard lock(mutex_);
  Slot& s = slots_[id - kFirstId];
  if (s.handle == kNoWindow) return false;
  s = {};
  return true;
}

void WindowTable::clear() {
  std::lock_guard lock(mutex_);
  slots_.fill({});
}

}  // namespace console
