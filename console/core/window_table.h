// The table of child windows: 40 slots, a window's public id is 1024 + its slot.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>

#include "console/core/frontend.h"

namespace console {

class WindowTable {
 public:
  static constexpr int kSlots = 40;
  static constexpr std::int32_t kFirstId = 1024;
  static constexpr std::int32_t kLastId = kFirstId + kSlots - 1;

  static constexpr bool valid_id(std::int64_t id) { return id >= kFirstId && id <= kLastId; }

  // Puts the window into the first free slot: its id, or -1 when all slots are taken (or the
  // handle is kNoWindow or kInvalidWindow).
  std::int32_t add(WindowHandle window);
  // The window of an id: kInvalidWindow for an empty slot or an id outside 1024..1063.
  WindowHandle find(std::int64_t id) const;
  // Empties the slot of an id; false when it was empty or the id is not valid.
  bool remove(std::int64_t id);
  // Empties every slot.
  void clear();

 private:
  mutable std::mutex mutex_;
  std::array<WindowHandle, kSlots> slots_{};  // kNoWindow marks an empty slot
};

}  // namespace console
