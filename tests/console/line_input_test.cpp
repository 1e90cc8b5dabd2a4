// Keyboard input without windows: line editing, leftovers, the paste queue, and the character
// and key-down tables.
#include <gtest/gtest.h>

#include <string>

#include "console/core/line_input.h"

namespace console {
namespace {

// Types a text into the line; the echoes and beeps it causes.
struct Typed {
  std::string echo;
  int beeps = 0;
  int erases = 0;
};
Typed type(LineInput& input, std::string_view keys,
           CursorAtFirstCell cursor = CursorAtFirstCell::No) {
  Typed typed;
  for (char c : keys) {
    LineEdit edit = input.type(static_cast<unsigned char>(c), cursor);
    typed.echo += edit.echo;
    typed.beeps += edit.beep ? 1 : 0;
    typed.erases += edit.erase ? 1 : 0;
  }
  return typed;
}

TEST(LineInput, From129thCharacterOnEachKeyBeepsAndAddsNothing) {
  LineInput input;
  input.begin_line();
  Typed first = type(input, std::string(128, 'a'));
  EXPECT_EQ(first.echo, std::string(128, 'a'));
  EXPECT_EQ(first.beeps, 0);
  Typed more = type(input, "bcd");
  EXPECT_EQ(more.echo, "");
  EXPECT_EQ(more.beeps, 3);
  EXPECT_EQ(input.line(), std::string(128, 'a'));
}

TEST(LineInput, FifteenTypedThenReadsOfTenAndFive) {
  LineInput input;
  input.begin_line();
  type(input, "abcdefghijklmno\r");
  ASSERT_TRUE(input.finished());
  EXPECT_EQ(input.deliver(10), "abcdefghij");
  std::string rest;
  ASSERT_TRUE(input.take_leftover(10, rest));  // no waiting for the second read
  EXPECT_EQ(rest, "klmno");
  EXPECT_FALSE(input.take_leftover(10, rest));
}

TEST(LineInput, LeftoverHandedOutInPieces) {
  LineInput input;
  input.begin_line();
  type(input, "abcdefgh\n");
  EXPECT_EQ(input.deliver(2), "ab");
  std::string piece;
  ASSERT_TRUE(input.take_leftover(4, piece));
  EXPECT_EQ(piece, "cdef");
  ASSERT_TRUE(input.take_leftover(4, piece));
  EXPECT_EQ(piece, "gh");
  EXPECT_FALSE(input.take_leftover(4, piece));
}

struct EditCase {
  const char* name;
  std::string before;  // typed first
  std::string keys;
  CursorAtFirstCell cursor;
  std::string line;  // afterwards
  std::string echo;  // of `keys`
  int beeps;
  int erases;
};

class EditTest : public ::testing::TestWithParam<EditCase> {};

TEST_P(EditTest, Edits) {
  const EditCase& c = GetParam();
  LineInput input;
  input.begin_line();
  type(input, c.before);
  Typed typed = type(input, c.keys, c.cursor);
  EXPECT_EQ(input.line(), c.line);
  EXPECT_EQ(typed.echo, c.echo);
  EXPECT_EQ(typed.beeps, c.beeps);
  EXPECT_EQ(typed.erases, c.erases);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EditTest,
    ::testing::Values(EditCase{"TabAtColumnOneInsertsEightBlanks", "", "\t", CursorAtFirstCell::No,
                               "        ", "        ", 0, 0},
                      EditCase{"TabStopsAt126WithABeep", std::string(122, 'x'), "\t",
                               CursorAtFirstCell::No, std::string(122, 'x') + "    ", "    ", 1, 0},
                      EditCase{"TabReaching126ExactlyDoesNotBeep", std::string(118, 'x'), "\t",
                               CursorAtFirstCell::No, std::string(118, 'x') + "        ",
                               "        ", 0, 0},
                      EditCase{"BackspaceRemovesTheLastCharacter", "abc", "\b",
                               CursorAtFirstCell::No, "ab", "", 0, 1},
                      EditCase{"BackspaceOnAnEmptyLineDoesNothing", "", "\b", CursorAtFirstCell::No,
                               "", "", 0, 0},
                      EditCase{"BackspaceAtTheFirstCellBeeps", "ab", "\b", CursorAtFirstCell::Yes,
                               "ab", "", 1, 0},
                      EditCase{"CodePage1252BytesAreTyped", "", "\xE7\xE3o", CursorAtFirstCell::No,
                               "\xE7\xE3o", "\xE7\xE3o", 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PasteQueue, TwoLinesAnswerTwoReads) {
  PasteQueue paste;
  paste.fill("first\nsecond\n");
  LineInput input;
  input.begin_line();
  PasteQueue::Line one = input.continue_from_paste(128, paste);
  EXPECT_EQ(one.text, "first");
  EXPECT_TRUE(one.complete);
  EXPECT_TRUE(input.finished());
  EXPECT_EQ(input.deliver(128), "first");
  EXPECT_TRUE(paste.pending());
  input.begin_line();
  PasteQueue::Line two = input.continue_from_paste(128, paste);
  EXPECT_EQ(two.text, "second");
  EXPECT_TRUE(input.finished());
  EXPECT_EQ(input.deliver(128), "second");
  EXPECT_FALSE(paste.pending());  // finished with the second line
}

TEST(PasteQueue, WithoutAFinalLineEndFillsTheLineAndWaitsForTyping) {
  PasteQueue paste;
  paste.fill("partial");
  LineInput input;
  input.begin_line();
  PasteQueue::Line line = input.continue_from_paste(128, paste);
  EXPECT_EQ(line.text, "partial");
  EXPECT_FALSE(line.complete);
  EXPECT_FALSE(input.finished());
  EXPECT_FALSE(paste.pending());
  type(input, " end\r");
  EXPECT_EQ(input.deliver(128), "partial end");
}

struct TakeCase {
  const char* name;
  std::string text;
  std::size_t count;
  std::vector<std::string> lines;  // taken one after the other
  bool last_complete;
};

class TakeTest : public ::testing::TestWithParam<TakeCase> {};

TEST_P(TakeTest, TakesLines) {
  const TakeCase& c = GetParam();
  PasteQueue paste;
  paste.fill(c.text);
  PasteQueue::Line line;
  for (const std::string& expected : c.lines) {
    ASSERT_TRUE(paste.pending()) << expected;
    line = paste.take(c.count);
    EXPECT_EQ(line.text, expected);
  }
  EXPECT_EQ(line.complete, c.last_complete);
  EXPECT_FALSE(paste.pending());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TakeTest,
    ::testing::Values(
        TakeCase{"LineFeedCountsTowardsTheCount", "abc\nd\n", 3, {"abc", "", "d"}, true},
        TakeCase{"CountEndsALine", "abcdefg\n", 4, {"abcd", "efg"}, true},
        TakeCase{"CarriageReturnBeforeLineFeedDropped", "ab\r\ncd\r\n", 10, {"ab", "cd"}, true},
        TakeCase{"EmptyLines", "\n\n", 10, {"", ""}, true},
        TakeCase{"PartialLast", "ab\ncd", 10, {"ab", "cd"}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PasteQueue, EmptyPasteIsNotPendingAndClearDiscards) {
  PasteQueue paste;
  paste.fill("");
  EXPECT_FALSE(paste.pending());
  paste.fill("abc\n");
  paste.clear();
  EXPECT_FALSE(paste.pending());
  EXPECT_EQ(paste.take(10).text, "");
}

TEST(PasteQueue, PartialPasteFillsAtMostTheLineLimit) {
  PasteQueue paste;
  paste.fill(std::string(200, 'p'));
  LineInput input;
  input.begin_line();
  type(input, "ab");
  input.continue_from_paste(500, paste);
  EXPECT_EQ(input.line().size(), kLineLimit);
  EXPECT_FALSE(input.finished());
}

TEST(CharacterTable, Routes) {
  using enum CharRoute;
  const ReadPending yes = ReadPending::Yes, no = ReadPending::No;
  const RunState running = RunState::Running, paused = RunState::Paused;
  EXPECT_EQ(route_character(27, yes, running), (CharAction{Command, command::kResume}));
  EXPECT_EQ(route_character(3, no, running), (CharAction{Command, command::kExit}));
  EXPECT_EQ(route_character(17, no, paused), (CharAction{Command, command::kResume}));
  EXPECT_EQ(route_character(19, yes, running), (CharAction{Command, command::kPause}));
  EXPECT_EQ(route_character('a', yes, running), (CharAction{Edit}));
  EXPECT_EQ(route_character('\r', yes, running), (CharAction{Edit}));
  EXPECT_EQ(route_character('a', no, running), (CharAction{Beep}));
  EXPECT_EQ(route_character('a', yes, paused), (CharAction{Beep}));
}

struct KeyCase {
  const char* name;
  Key key;
  unsigned modifiers;
  KeyAction action;
};

class KeyTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyTest, Acts) {
  const KeyCase& c = GetParam();
  EXPECT_EQ(key_down_action(c.key, c.modifiers, MenuBarModel::full(), SizeToFit::Off), c.action);
}

using enum Scroll;
INSTANTIATE_TEST_SUITE_P(
    Cases, KeyTest,
    ::testing::Values(KeyCase{"CtrlInsertCopies", Key::Insert, kControl, {command::kCopy}},
                      KeyCase{"ShiftInsertPastes", Key::Insert, kShift, {command::kPaste}},
                      KeyCase{"AltEnterFullScreen", Key::Enter, kAlt, {command::kFullScreen}},
                      KeyCase{"EnterAloneNothing", Key::Enter, kNoModifier, {}},
                      KeyCase{"PageDown", Key::PageDown, kNoModifier, {0, None, PageForward}},
                      KeyCase{"CtrlPageUpLeft", Key::PageUp, kControl, {0, PageBack, None}},
                      KeyCase{"HomeLeftEdge", Key::Home, kNoModifier, {0, ToStart, None}},
                      KeyCase{"CtrlHomeAlsoTop", Key::Home, kControl, {0, ToStart, ToStart}},
                      KeyCase{"EndRightEdge", Key::End, kNoModifier, {0, ToEnd, None}},
                      KeyCase{"CtrlEndAlsoBottom", Key::End, kControl, {0, ToEnd, ToEnd}},
                      KeyCase{"LeftOneCell", Key::Left, kNoModifier, {0, LineBack, None}},
                      KeyCase{"DownOneCell", Key::Down, kNoModifier, {0, None, LineForward}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KeyTable, ItemsMustBeEnabledAndNavigationOffWithSizeToFit) {
  MenuBarModel menu = MenuBarModel::full();
  menu.set_enabled(command::kCopy, false);
  EXPECT_EQ(key_down_action(Key::Insert, kControl, menu, SizeToFit::Off), KeyAction{});
  menu.set_checked(command::kFullScreen, true);
  EXPECT_EQ(key_down_action(Key::Enter, kAlt, menu, SizeToFit::Off), KeyAction{});
  EXPECT_EQ(key_down_action(Key::Up, kNoModifier, menu, SizeToFit::On), KeyAction{});
  EXPECT_EQ(key_down_action(Key::Insert, kShift, menu, SizeToFit::On).command, command::kPaste);
}

}  // namespace
}  // namespace console
