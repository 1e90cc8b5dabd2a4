// What the frame asks of an MDI child window (a text window): it receives the menu commands the
// frame forwards and prepares the menu items' state when a popup opens.
#pragma once

namespace console {
class Console;
}

namespace console::window {

class ChildWindow {
 public:
  virtual ~ChildWindow() = default;
  // A menu command (ids of console::command) chosen while this window is active.
  virtual void command(int id) = 0;
  // A popup of the menu bar is about to open: enable, gray and check the items.
  virtual void init_menu(Console& console) = 0;
};

}  // namespace console::window
