// The frame window as the program sees it: an opaque handle from the window-handle query and
// the caption call.
#pragma once

#include <cstdint>
#include <string_view>

namespace console {

using WindowHandle = std::intptr_t;

// The unit code that asks the window-handle query for the frame window.
inline constexpr std::int32_t kFrameWindowUnit = static_cast<std::int32_t>(0x80000000u);

// The front end that owns a frame registers it here; without one the query answers 0.
class FrameOwner {
 public:
  virtual ~FrameOwner() = default;
  virtual WindowHandle frame_handle() const = 0;
  // Sets the frame's caption from any thread; false when `handle` is not the frame.
  virtual bool set_caption(WindowHandle handle, std::string_view caption) = 0;
};
void register_frame_owner(FrameOwner* owner);

// The frame's handle for kFrameWindowUnit; 0 before the library is initialised.
WindowHandle window_handle(std::int32_t unit);
// Sets a window's caption; false (and nothing happens) for the handle 0 or an unknown window.
bool set_window_text(WindowHandle handle, std::string_view caption);

}  // namespace console
