// Console units with a front end that shows text windows: units 5 and 6 share the thread's
// console window, USER and CON open their own, records and typed lines go through them. Each
// case runs in a child process, as the process's console is initialised once.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "console/core/console.h"
#include "console/core/threads.h"
#include "console/fake_front_end.h"
#include "recio/format_builder.h"
#include "recio/statements.h"
#include "recio/units.h"
#include "support/cell_screen.h"
#include "support/temp_dir.h"

namespace recio {
namespace {

using namespace std::chrono_literals;
using tavo::testing::copied_rows;
namespace build = recio::build;

constexpr auto kA = build::record(build::start(), build::a(), build::end());
constexpr auto kPrompt =
    build::record(build::start(), build::lit<"n? ">(), build::dollar(), build::end());
constexpr auto kEmpty = build::record(build::start(), build::end());

// Sets up the console with a fake front end that has text windows, runs `body` and exits with
// 0 when every check held; a failed check says which on standard error.
#define CHECK(cond)                                      \
  do {                                                   \
    if (!(cond)) {                                       \
      std::fprintf(stderr, "check failed: %s\n", #cond); \
      std::fflush(stderr);                               \
      std::_Exit(1);                                     \
    }                                                    \
  } while (0)

template <class Body>
void in_windowed_console(Body body) {
  tavo::testing::TempDir dir;
  console::testing::FakeWindowFrontEnd fe;
  console::Console& console = console::process_console();
  console.begin_initialisation("tavo");
  console.complete_initialisation(console::WindowHandle{1});
  body(fe, console);
  std::_Exit(0);
}

std::vector<std::string> rows(console::Console& console, std::int32_t id) {
  std::vector<std::string> r = copied_rows(console.text_window(id)->with_model(
      [](console::TextModel& m) { return m.copy_text(1, 1, m.rows(), m.columns()); }));
  while (!r.empty() && r.back().empty()) r.pop_back();
  return r;
}

// Types `keys` into the window once its read is pending, from another thread (the GUI's).
std::thread typist(console::Console& console, std::int32_t id, std::string keys) {
  return std::thread([&console, id, keys] {
    for (int i = 0; i < 2000 && console.reading_window() != id; ++i)
      std::this_thread::sleep_for(1ms);
    for (char c : keys) console.edit_line(*console.text_window(id), static_cast<unsigned char>(c));
  });
}

TEST(ConsoleWindowUnits, StandardUnitsShareTheThreadsConsoleWindow) {
  EXPECT_EXIT(
      in_windowed_console([](auto& fe, console::Console& console) {
        CHECK(write_formatted(6, kA, {Item::text("ol\xE1", 3)}, 0) == kOk);
        CHECK(write_formatted(6, kEmpty, {}, 0) == kOk);
        CHECK(UnitTable::instance().find(6)->device() == Device::Console);
        const std::int32_t id = UnitTable::instance().find(6)->window();
        CHECK(id == 1024);
        CHECK(fe.opened_titles == std::vector<std::string>{"Graphic1"});
        // A prompt left open, then a read on unit 5 in the same window.
        CHECK(write_formatted(6, kPrompt, {}, 0) == kOk);
        std::thread keys = typist(console, id, "42\r");
        std::int32_t n = 0;
        CHECK(read_list(5, {Item::of(n)}, 0) == kOk);
        keys.join();
        CHECK(n == 42);
        CHECK(UnitTable::instance().find(5)->window() == id);
        CHECK(fe.activations >= 1);  // the window was made active for the read
        CHECK(write_formatted(-1, kA, {Item::text("print", 5)}, 0) == kOk);
        CHECK(rows(console, id) == (std::vector<std::string>{"ol\xE1", "", "n? 42", "print"}));
        // A line of Ctrl-Z is the end of the input.
        std::thread eof = typist(console, id, "\x1a\r");
        CHECK(read_list(5, {Item::of(n)}, kHandlesErrors) == status_of(kEndOfFile));
        eof.join();
        // Closing the units leaves the shared window alone.
        CHECK(close(6, {}, 0) == kOk && close(5, {}, 0) == kOk);
        CHECK(fe.closed_windows.empty());
      }),
      ::testing::ExitedWithCode(0), "");
}

TEST(ConsoleWindowUnits, UserAndConOpenTheirOwnWindowsKeptWhenClosed) {
  EXPECT_EXIT(in_windowed_console([](auto& fe, console::Console& console) {
                CHECK(open(8, {.file = "user", .title = "Entrada"}, 0) == kOk);
                CHECK(open(9, {.file = "CON.txt"}, 0) == kOk);
                CHECK(open(11, {.file = "user.txt"}, 0) == kOk);  // an ordinary file
                CHECK(UnitTable::instance().find(11)->device() == Device::File);
                CHECK(fe.opened_titles == (std::vector<std::string>{"Entrada", "Unit 9"}));
                CHECK(write_formatted(8, kA, {Item::text("eight", 5)}, 0) == kOk);
                CHECK(write_formatted(9, kA, {Item::text("nine", 4)}, 0) == kOk);
                CHECK(rows(console, 1024) == std::vector<std::string>{"eight"});
                CHECK(rows(console, 1025) == std::vector<std::string>{"nine"});
                CHECK(close(8, {}, 0) == kOk);
                CHECK(fe.closed_windows.size() == 1 && fe.closed_windows[0].second);
                CHECK(console.text_window(1024)->title() == "Entrada-Closed");
                CHECK(console.text_window(1024)->closed());
                // Units 0 and FORT6-named 6 stay on the streams and files.
                CHECK(write_formatted(0, kA, {Item::text("err", 3)}, 0) == kOk);
                CHECK(UnitTable::instance().find(0)->window() == -1);
                ::setenv("FORT6", "six.txt", 1);
                CHECK(write_formatted(6, kA, {Item::text("six", 3)}, 0) == kOk);
                CHECK(UnitTable::instance().find(6)->device() == Device::File);
              }),
              ::testing::ExitedWithCode(0), "");
}

TEST(ConsoleWindowUnits, PromptOptionAsksForTheFile) {
  EXPECT_EXIT(
      in_windowed_console([](auto& fe, console::Console&) {
        CHECK(open(12, {.prompt = true}, kHandlesErrors) == status_of(kFileNameError));
        fe.chosen_file = "escolhido.txt";
        CHECK(open(12, {.file = "  ", .prompt = true}, 0) == kOk);
        CHECK(UnitTable::instance().find(12)->name() == "escolhido.txt");
        CHECK(fe.file_dialog_titles == (std::vector<std::string>{"Open: Select File for Unit 12",
                                                                 "Open: Select File for Unit 12"}));
        CHECK(open(13, {.file = "named.txt", .prompt = true}, 0) == kOk);  // no dialog
        CHECK(fe.file_dialog_titles.size() == 2);
      }),
      ::testing::ExitedWithCode(0), "");
}

TEST(ConsoleWindowUnits, WithoutTextWindowsTheStreamsStay) {
  EXPECT_EXIT(
      {
        console::testing::FakeFrontEnd fe;  // no text windows
        CHECK(open(8, {.file = "USER"}, 0) == kOk);
        CHECK(UnitTable::instance().find(8)->window() == -1);
        CHECK(UnitTable::instance().find(8)->device() == Device::Console);
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace recio
