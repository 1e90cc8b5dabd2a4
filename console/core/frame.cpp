#include "console/core/frame.h"

#include <atomic>

namespace console {
namespace {
std::atomic<FrameOwner*> g_owner{nullptr};
}

void register_frame_owner(FrameOwner* owner) {
  g_owner.store(owner);
}

WindowHandle window_handle(std::int32_t unit) {
  FrameOwner* owner = g_owner.load();
  if (owner == nullptr) return 0;
  return unit == kFrameWindowUnit ? owner->frame_handle() : -1;
}

bool set_window_text(WindowHandle handle, std::string_view caption) {
  FrameOwner* owner = g_owner.load();
  return owner != nullptr && handle != 0 && owner->set_caption(handle, caption);
}

}  // namespace console
