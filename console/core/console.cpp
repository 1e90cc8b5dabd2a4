#include "console/core/console.h"

namespace console {

WindowHandle Console::window_handle(std::int32_t code) const {
  if (!initialised()) return kNoWindow;
  if (static_cast<std::uint32_t>(code) == kFrameWindowCode) return frame();
  return windows().find(code);
}

bool Console::set_window_text(WindowHandle window, std::string_view text) {
  WindowServices* services = front_end_windows();
  if (!initialised() || services == nullptr || window == kNoWindow || window == kInvalidWindow)
    return false;
  return services->set_window_text(window, text);
}

void Console::finish_run() {
  for (std::int32_t id = WindowTable::kFirstId; id <= WindowTable::kLastId; ++id) {
    if (std::shared_ptr<TextWindow> record = windows().record(id)) record->set_closed();
  }
  show_finished();
}

Console& process_console() {
  static Console instance;
  return instance;
}

}  // namespace console
