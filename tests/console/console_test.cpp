// The console's interfaces: menus, diagnostics, the application name, initialisation, the
// window-handle query and the program's end.
#include "console/core/console.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "console/core/diagnostic.h"
#include "console/core/menu.h"
#include "console/core/program_end.h"
#include "fake_front_end.h"

namespace console {
namespace {

using testing::FakeFrontEnd;
using testing::FakeWindowFrontEnd;

TEST(Menu, FullBarHasTheExactTextsAndIds) {
  struct Expected {
    const char* title;
    std::vector<std::pair<int, const char*>> items;
  };
  const std::vector<Expected> expected = {
      {"&File", {{1019, "&Print..."}, {1020, "&Save..."}, {1000, "E&xit\tCtrl+C"}}},
      {"&Edit",
       {{1001, "Select &Text"},
        {1002, "Select &Graphics"},
        {1003, "Select &All"},
        {1004, "&Copy\tCtrl+Ins"},
        {1021, "&Paste"}}},
      {"&View", {{1006, "&Size To Fit"}, {1007, "&Full Screen\tAlt+Enter"}}},
      {"&State", {{1008, "&Pause\tCtrl+S"}}},
      {"&Window",
       {{1010, "&Cascade"},
        {1011, "&Tile"},
        {1012, "&Arrange Icons"},
        {1023, "&Input"},
        {1022, "C&lear Paste"},
        {1015, "&Status Bar"}}},
      {"&Help", {{1016, "&Contents"}, {1017, "Using &Help"}, {1018, "&About"}}},
  };
  MenuBarModel bar = MenuBarModel::full();
  ASSERT_EQ(bar.popups().size(), expected.size());
  for (std::size_t p = 0; p < expected.size(); ++p) {
    const MenuPopup& popup = bar.popups()[p];
    EXPECT_EQ(popup.title, expected[p].title);
    ASSERT_EQ(popup.items.size(), expected[p].items.size()) << popup.title;
    for (std::size_t i = 0; i < popup.items.size(); ++i) {
      EXPECT_EQ(popup.items[i].id, expected[p].items[i].first);
      EXPECT_EQ(popup.items[i].text, expected[p].items[i].second);
      EXPECT_EQ(popup.items[i].enabled, popup.items[i].id != command::kInput) << popup.items[i].id;
    }
  }
  MenuBarModel minimal = MenuBarModel::minimal();
  ASSERT_EQ(minimal.popups().size(), 1u);
  EXPECT_EQ(minimal.popups()[0].title, "&File");
  ASSERT_EQ(minimal.popups()[0].items.size(), 1u);
  EXPECT_EQ(minimal.popups()[0].items[0].id, 10);
  EXPECT_EQ(minimal.popups()[0].items[0].text, "E&xit");
}

TEST(Menu, StateItemFollowsPauseAndResume) {
  MenuBarModel bar = MenuBarModel::full();
  bar.show_run_state(RunState::Paused);
  ASSERT_NE(bar.find(command::kResume), nullptr);
  EXPECT_EQ(bar.find(command::kResume)->text, "&Resume\tCtrl+Q");
  EXPECT_EQ(bar.find(command::kPause), nullptr);
  bar.show_run_state(RunState::Finished);
  EXPECT_NE(bar.find(command::kResume), nullptr);
  bar.show_run_state(RunState::Running);
  EXPECT_EQ(bar.find(command::kPause)->text, "&Pause\tCtrl+S");
  EXPECT_FALSE(bar.set_enabled(4242, false));
}

TEST(Diagnostic, TextsAndCaptionsByKind) {
  DiagnosticBox warning = format_diagnostic(DiagnosticKind::Warning, 6, Module::pkginit, 42);
  EXPECT_EQ(warning.text, "Possible internal inconsistency\nfile \"pkginit\", line 42");
  EXPECT_EQ(warning.caption, "Panelkit Warning");
  DiagnosticBox error = format_diagnostic(DiagnosticKind::Error, 7, Module::pkkinit, 7);
  EXPECT_EQ(error.text, "INITIALMENU failed\nfile \"pkkinit\", line 7");
  EXPECT_EQ(error.caption, "Panelkit Error");
  DiagnosticBox fatal = format_diagnostic(DiagnosticKind::Fatal, 5, Module::pkgprint, -3);
  EXPECT_EQ(fatal.text, "Internal Error - unexpected error, file \"pkgprint\", line -3");
  EXPECT_EQ(fatal.caption, "Panelkit Fatal Error");
  EXPECT_EQ(diagnostic_text(4), "Out of Memory");
  EXPECT_EQ(diagnostic_text(99), "");
  EXPECT_EQ(module_name(Module::pkintern), "pkintern");
  EXPECT_EQ(module_name(Module::pkgsave), "pkgsave");
}

TEST(Diagnostic, AcknowledgedWarningReturnsOthersEndTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  {
    FakeFrontEnd fe(BoxAnswer::Ok);
    raise_diagnostic(DiagnosticKind::Error, 5, Module::pkgwnd, 12);
    ASSERT_EQ(fe.boxes.size(), 1u);
    EXPECT_EQ(fe.boxes[0].caption, "Panelkit Error");
    EXPECT_EQ(fe.boxes[0].kind, BoxKind::RuntimeError);
  }
  auto fatal = [] {
    process_console().exit_callbacks().add([] { std::fputs("callback ran", stderr); });
    FakeFrontEnd fe(BoxAnswer::Ok);
    raise_diagnostic(DiagnosticKind::Fatal, 4, Module::pkkexit, 1);
  };
  EXPECT_EXIT(fatal(), ::testing::ExitedWithCode(255), "callback ran");
  auto unanswered = [] {
    FakeFrontEnd fe(BoxAnswer::Cancel);
    raise_diagnostic(DiagnosticKind::Warning, 6, Module::pkginit, 1);
  };
  EXPECT_EXIT(unanswered(), ::testing::ExitedWithCode(255), "");
  EXPECT_EXIT(raise_diagnostic(DiagnosticKind::Warning, 0, Module::pkginit, 1),
              ::testing::ExitedWithCode(255), "");
}

TEST(Console, ApplicationNameIsTheExecutableWithoutDirectoryAndExtension) {
  EXPECT_EQ(application_name_from_path("/usr/local/bin/tavo"), "tavo");
  EXPECT_EQ(application_name_from_path("C/dir.d/tavo.exe"), "tavo");
  EXPECT_EQ(application_name_from_path("tavo.1.0"), "tavo.1");
  EXPECT_EQ(application_name_from_path("/opt/.hidden"), ".hidden");
  EXPECT_EQ(application_name_from_path("/opt/t\xC3\xA1vo"), "t\xE1vo");
  EXPECT_EQ(application_name_from_path(""), "Panelkit");
  EXPECT_EQ(application_name_from_path("/usr/bin/"), "Panelkit");
  EXPECT_EQ(read_application_name(), "console_tests");
}

TEST(Console, SecondInitialisationWarnsAndFails) {
  FakeWindowFrontEnd fe;
  Console console;
  EXPECT_EQ(console.window_handle(static_cast<std::int32_t>(kFrameWindowCode)), kNoWindow);
  EXPECT_FALSE(console.set_window_text(WindowHandle{7}, "TAVO 1.0 - Tavorama"));
  ASSERT_TRUE(console.begin_initialisation(application_name_from_path("")));
  EXPECT_EQ(console.class_name("FRAME"), "PanelkitFRAME");
  EXPECT_EQ(console.class_name("FullWnd"), "PanelkitFullWnd");
  EXPECT_FALSE(console.begin_initialisation("other"));
  ASSERT_EQ(fe.boxes.size(), 1u);
  EXPECT_EQ(fe.boxes[0].caption, "Panelkit Warning");
  EXPECT_EQ(fe.boxes[0].kind, BoxKind::Warning);
  EXPECT_TRUE(fe.boxes[0].text.starts_with("Possible internal inconsistency\nfile \"pkginit\""));
  EXPECT_EQ(console.application_name(), "Panelkit");
}

TEST(Console, WindowHandleQueryAndFrameCaption) {
  FakeWindowFrontEnd fe;
  Console console;
  ASSERT_TRUE(console.begin_initialisation("tavo"));
  console.complete_initialisation(WindowHandle{7});
  std::int32_t id = console.windows().add(WindowHandle{21});
  ASSERT_EQ(id, 1024);
  EXPECT_EQ(console.window_handle(static_cast<std::int32_t>(0x80000000u)), WindowHandle{7});
  EXPECT_EQ(console.window_handle(1024), WindowHandle{21});
  EXPECT_EQ(console.window_handle(1025), kInvalidWindow);
  EXPECT_EQ(console.window_handle(7), kInvalidWindow);
  EXPECT_TRUE(console.set_window_text(WindowHandle{7}, "TAVO 1.0 - Tavorama"));
  EXPECT_FALSE(console.set_window_text(kInvalidWindow, "x"));
  ASSERT_EQ(fe.titles.size(), 1u);
  EXPECT_EQ(fe.titles[0].first, WindowHandle{7});
  EXPECT_EQ(fe.titles[0].second, "TAVO 1.0 - Tavorama");

  EXPECT_EQ(console.close_unit_window(1025, true), -1);
  EXPECT_EQ(console.close_unit_window(-1, false), -1);
  EXPECT_EQ(console.close_unit_window(1024, true), 0);
  EXPECT_EQ(console.window_handle(1024), WindowHandle{21});
  EXPECT_EQ(console.close_unit_window(1024, false), 0);
  EXPECT_EQ(console.window_handle(1024), kInvalidWindow);
}

TEST(Console, RunStateAndStatusLineNotifyTheFrontEnd) {
  FakeWindowFrontEnd fe;
  Console console;
  EXPECT_EQ(console.pause(), PauseStep::SuspendProgram);
  EXPECT_EQ(console.menu().find(command::kResume)->text, "&Resume\tCtrl+Q");
  console.pause_done();
  EXPECT_EQ(console.resume(), ResumeStep::ResumeProgram);
  EXPECT_NE(console.menu().find(command::kPause), nullptr);
  console.finish_run();
  EXPECT_EQ(console.set_run_state(0), 0);

  EXPECT_TRUE(console.menu().find(command::kStatusBar)->checked);
  EXPECT_EQ(console.show_status_line(2), 0);
  EXPECT_EQ(console.show_status_line(0), 1);
  EXPECT_FALSE(console.status_line_visible());
  EXPECT_FALSE(console.menu().find(command::kStatusBar)->checked);
  EXPECT_EQ(fe.status_changes.load(), 4);
}

TEST(ProgramEnd, ExitModeSetterAndPromptText) {
  EXPECT_EQ(set_exit_mode(2), 0);
  for (int bad : {0, 4, -1}) {
    EXPECT_EQ(set_exit_mode(bad), -1);
    EXPECT_EQ(exit_mode(), ExitMode::NoPersist);
  }
  EXPECT_EQ(exit_prompt_text(3), "Program Terminated with exit code 3\nExit Window?");
  EXPECT_EQ(exit_prompt_text(-1), "Program Terminated with exit code -1\nExit Window?");
  set_exit_mode(1);
}

TEST(ProgramEnd, EachModeActsOnTheFrontEnd) {
  {
    FakeFrontEnd fe(BoxAnswer::Yes);
    set_exit_mode(1);
    end_of_program(1);
    ASSERT_EQ(fe.boxes.size(), 1u);
    EXPECT_EQ(fe.boxes[0].text, "Program Terminated with exit code 1\nExit Window?");
    EXPECT_EQ(fe.boxes[0].caption, "tavo");
    EXPECT_EQ(fe.boxes[0].kind, BoxKind::ExitPrompt);
    EXPECT_EQ(fe.closes, 1);
    EXPECT_EQ(fe.waits, 0);
  }
  {
    FakeFrontEnd fe(BoxAnswer::No);
    end_of_program(3);
    EXPECT_EQ(fe.closes, 0);
    EXPECT_EQ(fe.waits, 1);
  }
  {
    FakeFrontEnd fe;
    set_exit_mode(2);
    end_of_program(0);
    EXPECT_TRUE(fe.boxes.empty());
    EXPECT_EQ(fe.closes, 1);
    set_exit_mode(3);
    end_of_program(0);
    EXPECT_EQ(fe.closes, 1);
    EXPECT_EQ(fe.waits, 0);
  }
  set_exit_mode(1);
  EXPECT_EQ(process_ender(), ProcessEnder::Program);
  EXPECT_EQ(claim_process_end(ProcessEnder::Windows), ProcessEnder::Program);
}

// Once the windows have been closed, a program that ends afterwards must not get to end the
// process with its own status: end_of_program keeps its thread.
TEST(ProgramEnd, AfterTheWindowsClosedTheProgramEndNeverReturns) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto windows_first = [] {
    FakeFrontEnd fe(BoxAnswer::Yes);
    ASSERT_EQ(claim_process_end(ProcessEnder::Windows), ProcessEnder::Windows);
    std::thread program([] {
      end_of_program(1);
      std::_Exit(29);
    });
    program.detach();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::_Exit(fe.boxes.empty() && fe.closes == 0 ? 0 : 1);
  };
  EXPECT_EXIT(windows_first(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace console
