// The console's text windows through a fake front end: opening and the window table, writing,
// the line read with its prompt, the paste queue, closing, the default console window.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "console/core/console.h"
#include "console/core/threads.h"
#include "fake_front_end.h"
#include "support/cell_screen.h"

namespace console {
namespace {

using namespace std::chrono_literals;
using tavo::testing::copied_rows;
using testing::FakeFrontEnd;
using testing::FakeWindowFrontEnd;

class TextWindowsTest : public ::testing::Test {
 protected:
  TextWindowsTest() {
    set_gui_thread();  // this thread types; reads run on others
    console.begin_initialisation("tavo");
    console.complete_initialisation(WindowHandle{1});
  }

  // A read of up to `count` characters on another thread.
  std::future<std::string> read_async(std::int32_t id, std::size_t count) {
    return std::async(std::launch::async, [this, id, count] {
      std::string buffer(count, '\0');
      const int n = console.read_line(id, buffer);
      return n < 0 ? std::string("<-1>") : buffer.substr(0, static_cast<std::size_t>(n));
    });
  }
  // Waits until the read in `id` is pending, its prompt shown and Input enabled.
  bool pending_in(std::int32_t id) {
    for (int i = 0; i < 500; ++i) {
      if (console.reading_window() == id && input_enabled()) return true;
      std::this_thread::sleep_for(2ms);
    }
    return false;
  }
  void type(std::int32_t id, std::string_view keys) {
    for (char c : keys) console.edit_line(*console.text_window(id), static_cast<unsigned char>(c));
  }
  std::string screen(std::int32_t id) {
    return console.text_window(id)->with_model(
        [](TextModel& m) { return m.copy_text(1, 1, m.rows(), m.columns()); });
  }
  bool input_enabled() { return console.menu().find(command::kInput)->enabled; }

  FakeWindowFrontEnd fe;
  Console console;
};

TEST_F(TextWindowsTest, OpenTakesTheFirstFreeSlotAndTheFortyFirstFails) {
  for (int i = 0; i < WindowTable::kSlots; ++i)
    EXPECT_EQ(console.open_window(std::nullopt), WindowTable::kFirstId + i);
  EXPECT_EQ(console.open_window("one more"), -1);
  EXPECT_EQ(fe.opened_titles.size(), 40u);
  EXPECT_EQ(fe.opened_titles[2], "Graphic3");  // an unnamed window in the third slot
  EXPECT_EQ(console.text_window(1026)->title(), "Graphic3");
  // A freed slot is taken again.
  ASSERT_EQ(console.close_unit_window(1025, false), 0);
  EXPECT_EQ(console.open_window("Unit 7"), 1025);
  EXPECT_EQ(console.text_window(1025)->title(), "Unit 7");
}

TEST_F(TextWindowsTest, OpenRefusesOtherPlacementsAndFrontEndsWithoutWindows) {
  Placement bad;
  bad.kind = 3;
  EXPECT_EQ(console.open_window(std::nullopt, bad), -1);
  Placement minimised;
  minimised.kind = Placement::kMinimised;
  EXPECT_EQ(console.open_window(std::nullopt, minimised), 1024);
  FakeFrontEnd without_windows;
  EXPECT_EQ(console.open_window(std::nullopt), -1);
}

TEST_F(TextWindowsTest, WriteConfiguresOnFirstUseAndChecksTheId) {
  const std::int32_t id = console.open_window(std::nullopt);
  const std::int32_t current = thread_record().current_window();
  EXPECT_EQ(console.write_text(id, "hello"), 5);
  EXPECT_EQ(console.write_text(id, "\r\nworld"), 7);
  EXPECT_EQ(console.write_record(id, ""), 0);
  EXPECT_EQ(fe.configures, 1);
  EXPECT_EQ(screen(id).substr(0, 16), "hello\r\nworld\r\n\r\n");
  EXPECT_EQ(thread_record().current_window(), current);  // restored
  EXPECT_EQ(console.write_text(1023, "x"), -1);
  EXPECT_EQ(console.write_text(1050, "x"), -1);  // an empty slot
  EXPECT_TRUE(fe.boxes.empty());
  // A slot whose window has no text record.
  const std::int32_t bare = console.windows().add(WindowHandle{77});
  EXPECT_EQ(console.write_text(bare, "x"), -1);
  ASSERT_EQ(fe.boxes.size(), 1u);
  EXPECT_EQ(fe.boxes[0].text, "InvalidHandle");
  EXPECT_EQ(fe.boxes[0].caption, "ERROR");
}

TEST_F(TextWindowsTest, ReadShowsThePromptAndTakesTheTypedLineWithItsLeftover) {
  const std::int32_t id = console.open_window("Unit 5");
  auto first = read_async(id, 10);
  ASSERT_TRUE(pending_in(id));
  EXPECT_EQ(console.status_message(), "Input pending in Unit 5");
  EXPECT_TRUE(input_enabled());
  console.set_status_message("held back");  // the prompt is locked
  EXPECT_EQ(console.status_message(), "Input pending in Unit 5");
  type(id, "abcdefghijklmno\r");
  EXPECT_EQ(first.get(), "abcdefghij");
  EXPECT_EQ(console.reading_window(), 0);
  EXPECT_EQ(console.status_message(), "");
  EXPECT_FALSE(input_enabled());
  // The rest comes without waiting.
  EXPECT_EQ(read_async(id, 10).get(), "klmno");
  EXPECT_EQ(copied_rows(screen(id))[0], "abcdefghijklmno");
}

TEST_F(TextWindowsTest, BackspaceAndTabEchoOnTheScreen) {
  const std::int32_t id = console.open_window(std::nullopt);
  auto read = read_async(id, 128);
  ASSERT_TRUE(pending_in(id));
  type(id, "ab\bc\td\r");
  EXPECT_EQ(read.get(), "ac        d");
  EXPECT_EQ(copied_rows(screen(id))[0], "ac        d");
  EXPECT_EQ(fe.beeps, 0);
}

TEST_F(TextWindowsTest, TypingWithoutAReadBeeps) {
  const std::int32_t id = console.open_window(std::nullopt);
  console.write_text(id, "");
  type(id, "x");
  EXPECT_EQ(fe.beeps, 1);
  EXPECT_EQ(copied_rows(screen(id))[0], "");
}

TEST_F(TextWindowsTest, APasteOfTwoLinesAnswersTwoReadsWithoutTyping) {
  const std::int32_t id = console.open_window(std::nullopt);
  console.paste("first\nsecond\n");
  EXPECT_EQ(console.status_message(), "Paste input pending");
  EXPECT_TRUE(console.menu().find(command::kClearPaste)->enabled);
  EXPECT_EQ(read_async(id, 128).get(), "first");
  EXPECT_EQ(console.status_message(), "Paste input pending");
  EXPECT_EQ(read_async(id, 128).get(), "second");
  EXPECT_EQ(console.status_message(), "");
  EXPECT_FALSE(console.menu().find(command::kClearPaste)->enabled);
  EXPECT_FALSE(console.paste_pending());
  const std::vector<std::string> rows = copied_rows(screen(id));
  EXPECT_EQ(rows[0], "firstsecond");  // echoed; the line ends are the run-time's to write
}

TEST_F(TextWindowsTest, APasteWithoutLineEndWaitsForTheUserToFinish) {
  const std::int32_t id = console.open_window(std::nullopt);
  console.paste("12 34");
  auto read = read_async(id, 128);
  ASSERT_TRUE(pending_in(id));
  type(id, " 56\n");
  EXPECT_EQ(read.get(), "12 34 56");
}

TEST_F(TextWindowsTest, APasteReachesAPendingRead) {
  const std::int32_t id = console.open_window(std::nullopt);
  auto read = read_async(id, 128);
  ASSERT_TRUE(pending_in(id));
  type(id, "ab");
  console.paste("cd\nef\n");
  EXPECT_EQ(read.get(), "abcd");
  EXPECT_EQ(read_async(id, 128).get(), "ef");
  console.paste("gh\n");
  console.clear_paste();
  EXPECT_FALSE(console.paste_pending());
  EXPECT_EQ(console.status_message(), "");
}

TEST_F(TextWindowsTest, ClosingTheWindowEndsItsReadAndKeepsItMarked) {
  const std::int32_t id = console.open_window("Unit 9");
  auto read = read_async(id, 128);
  ASSERT_TRUE(pending_in(id));
  ASSERT_EQ(console.close_unit_window(id, true), 0);
  EXPECT_EQ(read.get(), "<-1>");
  EXPECT_EQ(console.text_window(id)->title(), "Unit 9-Closed");
  EXPECT_EQ(read_async(id, 128).get(), "<-1>");  // at once
  EXPECT_EQ(console.status_message(), "");
  EXPECT_EQ(console.close_unit_window(1023, true), -1);
  EXPECT_EQ(console.close_unit_window(1063, true), -1);
}

TEST_F(TextWindowsTest, DefaultConsoleWindowIsOpenedOnceAndAgainAfterItsEnd) {
  // Each thread has its own; fresh threads keep the test's thread record as it was.
  auto on_a_thread = [this](auto f) { return std::async(std::launch::async, f).get(); };
  on_a_thread([this] {
    const std::int32_t id = console.default_console_window();
    EXPECT_EQ(id, 1024);
    EXPECT_EQ(console.text_window(id)->title(), "Graphic1");
    EXPECT_EQ(console.default_console_window(), id);
    EXPECT_EQ(fe.configures, 1);
    EXPECT_EQ(console.close_unit_window(id, true), 0);  // kept on screen, but closed
    EXPECT_EQ(console.default_console_window(), 1025);
    return 0;
  });
  EXPECT_EQ(on_a_thread([this] { return console.default_console_window(); }), 1026);
}

}  // namespace
}  // namespace console
