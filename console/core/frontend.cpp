#include "console/core/frontend.h"

namespace console {
namespace {
FrontEnd* g_front_end = nullptr;
WindowServices* g_windows = nullptr;
GuiThread* g_gui_thread = nullptr;
}  // namespace

void install_front_end(FrontEnd* front_end) {
  g_front_end = front_end;
  g_windows = dynamic_cast<WindowServices*>(front_end);
  g_gui_thread = dynamic_cast<GuiThread*>(front_end);
}
FrontEnd* front_end() {
  return g_front_end;
}
WindowServices* front_end_windows() {
  return g_windows;
}
GuiThread* front_end_gui_thread() {
  return g_gui_thread;
}

}  // namespace console
