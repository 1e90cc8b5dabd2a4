// The menu items' state when a popup opens, from the active window's state.
#include <gtest/gtest.h>

#include <string>

#include "console/core/console.h"
#include "console/core/menu.h"

namespace console {
namespace {

// Expected states, one letter per item: E enabled, g grayed; C checked, u unchecked.
struct Case {
  const char* name;
  MenuContext context;
  const char* paste_clear_copy;  // Paste, Clear Paste, Copy
  const char* select;            // Select Text, Select Graphics, Select All
  char input;
  const char* checks;  // Size To Fit, Status Bar
  int state_item;
};

std::string enabled_of(const MenuBarModel& bar, std::initializer_list<int> ids) {
  std::string s;
  for (int id : ids) s += bar.find(id)->enabled ? 'E' : 'g';
  return s;
}

TEST(MenuEnabling, FollowsTheActiveWindow) {
  using namespace command;
  const Case cases[] = {
      {"idle", {}, "ggg", "EEE", 'g', "uC", kPause},
      {"clipboard text", {.clipboard_has_text = true}, "Egg", "EEE", 'g', "uC", kPause},
      {"paste pending",
       {.paste_pending = true, .clipboard_has_text = true},
       "gEg",
       "EEE",
       'g',
       "uC",
       kPause},
      {"marking, nothing marked",
       {.selection_active = true, .run_state = RunState::Paused},
       "ggg",
       "ggg",
       'g',
       "uC",
       kResume},
      {"marked",
       {.selection_active = true, .selection_has_extent = true, .run_state = RunState::Paused},
       "ggE",
       "ggg",
       'g',
       "uC",
       kResume},
      {"extent left over without a selection",
       {.selection_has_extent = true},
       "ggg",
       "EEE",
       'g',
       "uC",
       kPause},
      {"size to fit", {.size_to_fit = true}, "ggg", "ggg", 'g', "CC", kPause},
      {"full screen", {.full_screen = true}, "ggg", "ggg", 'g', "uC", kPause},
      {"read pending, status line hidden",
       {.read_pending = true, .status_line_visible = false},
       "ggg",
       "EEE",
       'E',
       "uu",
       kPause},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MenuBarModel bar = MenuBarModel::full();
    bar.apply(c.context);
    EXPECT_EQ(enabled_of(bar, {kPaste, kClearPaste, kCopy}), c.paste_clear_copy);
    EXPECT_EQ(enabled_of(bar, {kSelectText, kSelectGraphics, kSelectAll}), c.select);
    EXPECT_EQ(enabled_of(bar, {kInput}), std::string(1, c.input));
    std::string checks;
    for (int id : {kSizeToFit, kStatusBar}) checks += bar.find(id)->checked ? 'C' : 'u';
    EXPECT_EQ(checks, c.checks);
    EXPECT_NE(bar.find(c.state_item), nullptr);
    // Items without a rule keep their state.
    EXPECT_EQ(enabled_of(bar, {kPrint, kSave, kExit, kCascade, kContents}), "EEEEE");
  }
}

TEST(MenuEnabling, FinishedKeepsTheStateItemAndTheStateSwapsInPlace) {
  using namespace command;
  MenuBarModel bar = MenuBarModel::full();
  bar.apply({.run_state = RunState::Paused});
  bar.apply({.run_state = RunState::Finished});
  ASSERT_NE(bar.find(kResume), nullptr);
  bar.apply({.run_state = RunState::Running});
  const MenuPopup& state = bar.popups()[3];
  ASSERT_EQ(state.items.size(), 1u);
  EXPECT_EQ(state.items[0].id, kPause);
  EXPECT_EQ(state.items[0].text, "&Pause\tCtrl+S");
}

TEST(MenuEnabling, ConsoleContextCarriesTheRunStateAndTheStatusLine) {
  Console console;
  console.show_status_line(0);
  console.pause();
  console.pause_done();
  MenuContext context = console.menu_context();
  EXPECT_EQ(context.run_state, RunState::Paused);
  EXPECT_FALSE(context.status_line_visible);
  context.clipboard_has_text = true;
  console.apply_menu_context(context);
  const MenuBarModel bar = console.menu();
  EXPECT_TRUE(bar.find(command::kPaste)->enabled);
  EXPECT_FALSE(bar.find(command::kStatusBar)->checked);
  EXPECT_NE(bar.find(command::kResume), nullptr);
}

}  // namespace
}  // namespace console
