// The frame's menu bars as data: popups, items with their command ids and texts, and the
// enabled and checked state that the active window keeps up to date. A front end builds its
// toolkit menus from this model and refreshes them from it when a popup opens.
//
// Texts are exact: '&' marks the mnemonic and a tab separates the accelerator label.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "console/core/run_state.h"

namespace console {

namespace command {
inline constexpr int kExitMinimal = 10;
inline constexpr int kNothing = 11;
inline constexpr int kExit = 1000;
inline constexpr int kSelectText = 1001;
inline constexpr int kSelectGraphics = 1002;
inline constexpr int kSelectAll = 1003;
inline constexpr int kCopy = 1004;
inline constexpr int kSizeToFit = 1006;
inline constexpr int kFullScreen = 1007;
inline constexpr int kPause = 1008;
inline constexpr int kResume = 1009;
inline constexpr int kCascade = 1010;
inline constexpr int kTile = 1011;
inline constexpr int kArrangeIcons = 1012;
inline constexpr int kStatusBar = 1015;
inline constexpr int kContents = 1016;
inline constexpr int kUsingHelp = 1017;
inline constexpr int kAbout = 1018;
inline constexpr int kPrint = 1019;
inline constexpr int kSave = 1020;
inline constexpr int kPaste = 1021;
inline constexpr int kClearPaste = 1022;
inline constexpr int kInput = 1023;
// Items the program adds at run time take ids from here up.
inline constexpr int kFirstProgramItem = 1101;
}  // namespace command

struct MenuItem {
  int id = 0;
  std::string text;
  bool enabled = true;
  bool checked = false;
};

// What decides the items' state when a popup opens: the active window's state, the paste queue,
// the clipboard, the pending read and the library's run state and status line.
struct MenuContext {
  bool paste_pending = false;
  bool clipboard_has_text = false;
  bool selection_active = false;      // a text or graphics selection is in progress
  bool selection_has_extent = false;  // ... and something is marked
  bool size_to_fit = false;
  bool full_screen = false;
  bool read_pending = false;
  bool status_line_visible = true;
  RunState run_state = RunState::Running;
};

struct MenuPopup {
  std::string title;
  std::vector<MenuItem> items;
};

// One menu bar. Not thread-safe by itself: the console keeps its copy behind a lock.
class MenuBarModel {
 public:
  // "&File" "&Edit" "&View" "&State" "&Window" "&Help" with their items ("&Input" grayed).
  static MenuBarModel full();
  // "&File" holding "E&xit" (10).
  static MenuBarModel minimal();

  const std::vector<MenuPopup>& popups() const { return popups_; }
  const MenuItem* find(int id) const;

  // False when no item has the id.
  bool set_enabled(int id, bool enabled);
  bool set_checked(int id, bool checked);
  // The State item reads "&Pause\tCtrl+S" (1008) while running and "&Resume\tCtrl+Q" (1009)
  // while paused; Finished leaves it as it is.
  void show_run_state(RunState state);
  // The enabling rules: Paste while no paste is pending and the clipboard holds text; Clear
  // Paste while a paste is pending; Copy while a selection has an extent; the three Select items
  // while no selection is active and neither Size To Fit nor full screen is on; Input while a
  // read is pending; Size To Fit and Status Bar checked as their flags; the State item as
  // show_run_state. Other items keep their state.
  void apply(const MenuContext& context);
  // Grays every program-added item (ids 1101 and up); enables them again for `enabled`.
  void set_program_items_enabled(bool enabled);

 private:
  MenuItem* find_mutable(int id);
  std::vector<MenuPopup> popups_;
};

}  // namespace console
