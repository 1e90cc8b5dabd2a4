#include "console/core/menu.h"

namespace console {

MenuBarModel MenuBarModel::full() {
  using namespace command;
  MenuBarModel bar;
  bar.popups_ = {
      {"&File", {{kPrint, "&Print..."}, {kSave, "&Save..."}, {kExit, "E&xit\tCtrl+C"}}},
      {"&Edit",
       {{kSelectText, "Select &Text"},
        {kSelectGraphics, "Select &Graphics"},
        {kSelectAll, "Select &All"},
        {kCopy, "&Copy\tCtrl+Ins"},
        {kPaste, "&Paste"}}},
      {"&View", {{kSizeToFit, "&Size To Fit"}, {kFullScreen, "&Full Screen\tAlt+Enter"}}},
      {"&State", {{kPause, "&Pause\tCtrl+S"}}},
      {"&Window",
       {{kCascade, "&Cascade"},
        {kTile, "&Tile"},
        {kArrangeIcons, "&Arrange Icons"},
        {kInput, "&Input", false},
        {kClearPaste, "C&lear Paste"},
        {kStatusBar, "&Status Bar"}}},
      {"&Help", {{kContents, "&Contents"}, {kUsingHelp, "Using &Help"}, {kAbout, "&About"}}},
  };
  return bar;
}

MenuBarModel MenuBarModel::minimal() {
  MenuBarModel bar;
  bar.popups_ = {{"&File", {{command::kExitMinimal, "E&xit"}}}};
  return bar;
}

MenuItem* MenuBarModel::find_mutable(int id) {
  for (MenuPopup& popup : popups_) {
    for (MenuItem& item : popup.items) {
      if (item.id == id) return &item;
    }
  }
  return nullptr;
}

const MenuItem* MenuBarModel::find(int id) const {
  return const_cast<MenuBarModel*>(this)->find_mutable(id);
}

bool MenuBarModel::set_enabled(int id, bool enabled) {
  MenuItem* item = find_mutable(id);
  if (item == nullptr) return false;
  item->enabled = enabled;
  return true;
}

bool MenuBarModel::set_checked(int id, bool checked) {
  MenuItem* item = find_mutable(id);
  if (item == nullptr) return false;
  item->checked = checked;
  return true;
}

void MenuBarModel::show_run_state(RunState state) {
  MenuItem* item = find_mutable(command::kPause);
  if (item == nullptr) item = find_mutable(command::kResume);
  if (item == nullptr) return;
  if (state == RunState::Running) {
    item->id = command::kPause;
    item->text = "&Pause\tCtrl+S";
  } else if (state == RunState::Paused) {
    item->id = command::kResume;
    item->text = "&Resume\tCtrl+Q";
  }
}

void MenuBarModel::apply(const MenuContext& c) {
  using namespace command;
  set_enabled(kPaste, !c.paste_pending && c.clipboard_has_text);
  set_enabled(kClearPaste, c.paste_pending);
  set_enabled(kCopy, c.selection_active && c.selection_has_extent);
  const bool may_select = !c.selection_active && !c.size_to_fit && !c.full_screen;
  for (int id : {kSelectText, kSelectGraphics, kSelectAll}) set_enabled(id, may_select);
  set_enabled(kInput, c.read_pending);
  set_checked(kSizeToFit, c.size_to_fit);
  set_checked(kStatusBar, c.status_line_visible);
  show_run_state(c.run_state);
}

void MenuBarModel::set_program_items_enabled(bool enabled) {
  for (MenuPopup& popup : popups_) {
    for (MenuItem& item : popup.items) {
      if (item.id >= command::kFirstProgramItem) item.enabled = enabled;
    }
  }
}

}  // namespace console
