// The table of child windows: 40 slots, a window's public id is 1024 + its slot. A slot holds the
// window's handle and, for a text window, the library's record of it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "console/core/frontend.h"
#include "console/core/safe_lock.h"

namespace console {

class TextWindow;

class WindowTable {
 public:
  static constexpr int kSlots = 40;
  static constexpr std::int32_t kFirstId = 1024;
  static constexpr std::int32_t kLastId = kFirstId + kSlots - 1;

  static constexpr bool valid_id(std::int64_t id) { return id >= kFirstId && id <= kLastId; }

  // Puts the window into the first free slot: its id, or -1 when all slots are taken (or the
  // handle is kNoWindow or kInvalidWindow).
  std::int32_t add(WindowHandle window);
  // Takes the first free slot for a window being opened: its id, or -1 when all are taken.
  // The slot counts as taken, but finds nothing, until fill() or release().
  std::int32_t reserve();
  void fill(std::int32_t id, WindowHandle window, std::shared_ptr<TextWindow> record);
  void release(std::int32_t id);

  // The window of an id: kInvalidWindow for an empty slot or an id outside 1024..1063.
  WindowHandle find(std::int64_t id) const;
  // The text window's record of an id, or none (an empty slot, or a window without one).
  std::shared_ptr<TextWindow> record(std::int64_t id) const;
  // The id of a window's slot, or -1.
  std::int32_t id_of(WindowHandle window) const;
  // Empties the slot of an id; false when it was empty or the id is not valid.
  bool remove(std::int64_t id);
  // Empties every slot.
  void clear();

 private:
  struct Slot {
    WindowHandle handle = kNoWindow;  // kNoWindow: empty, or reserved
    bool reserved = false;
    std::shared_ptr<TextWindow> record;
  };
  mutable SafeMutex mutex_;
  std::array<Slot, kSlots> slots_{};
};

}  // namespace console
