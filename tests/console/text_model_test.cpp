// The text model: writing with wrap, line ends and scrolling, the runs and the copies made from
// them, Backspace on the screen, and the configuration rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/core/text_model.h"
#include "console/core/text_window.h"
#include "support/cell_screen.h"

namespace console {
namespace {

using tavo::testing::CellScreen;
using tavo::testing::copied_rows;

// A model of `columns` x `rows` cells of 8 x 16 pixels drawing on a cell screen.
struct Window {
  Window(int columns, int rows) : screen(columns, rows) {
    model.set_canvas(&screen);
    model.reset({columns * 8, rows * 16, 8, 16});
  }
  std::vector<std::string> shown() const {
    std::vector<std::string> rows;
    for (int r = 1; r <= model.rows(); ++r) rows.push_back(screen.row_text(r));
    return rows;
  }
  std::vector<std::string> copied() const {
    return copied_rows(model.copy_text(1, 1, model.rows(), model.columns()));
  }
  CellScreen screen;
  TextModel model;
};

struct WriteCase {
  const char* name;
  int columns;
  int rows;
  Wrap wrap;
  std::vector<std::string> writes;  // each one write() call; "" is a zero-length write
  std::vector<std::string> screen;  // rows 1.. as shown
  TextPosition position;
};

class WriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteTest, ShowsAndCopiesWhatWasWritten) {
  const WriteCase& c = GetParam();
  Window w(c.columns, c.rows);
  w.model.set_wrap(c.wrap);
  for (const std::string& bytes : c.writes) w.model.write(bytes);
  EXPECT_EQ(w.shown(), c.screen);
  EXPECT_EQ(w.model.position(), c.position);
  // A copy of the whole window gives what the screen shows.
  EXPECT_EQ(w.copied(), c.screen);
  EXPECT_LE(w.model.stored_characters(), static_cast<std::size_t>(c.columns * c.rows));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WriteTest,
    ::testing::Values(
        WriteCase{"CarriageReturnOverwrites",
                  10,
                  3,
                  Wrap::On,
                  {"abc", "\r", "x"},
                  {"xbc", "", ""},
                  {1, 2}},
        WriteCase{"LineFeedMovesDownToColumnOne",
                  10,
                  3,
                  Wrap::On,
                  {"abc\ndef"},
                  {"abc", "def", ""},
                  {2, 4}},
        WriteCase{"CrLfAndLfCrAreOneLineEnd",
                  10,
                  4,
                  Wrap::On,
                  {"a\r\nb\n\rc"},
                  {"a", "b", "c", ""},
                  {3, 2}},
        WriteCase{
            "TwoLineFeedsLeaveAnEmptyRow", 10, 4, Wrap::On, {"a\n\nb"}, {"a", "", "b", ""}, {3, 2}},
        WriteCase{"ExactlyColumnsWrapsAtOnce", 4, 3, Wrap::On, {"abcd"}, {"abcd", "", ""}, {2, 1}},
        WriteCase{"LineEndAfterAWrapAddsNoEmptyRow",
                  4,
                  3,
                  Wrap::On,
                  {"abcd", "\r\n", "e"},
                  {"abcd", "e", ""},
                  {2, 2}},
        WriteCase{"LineEndInTheSameWriteAfterAWrap",
                  4,
                  3,
                  Wrap::On,
                  {"abcd\nef"},
                  {"abcd", "ef", ""},
                  {2, 3}},
        WriteCase{"LongLineWraps", 4, 3, Wrap::On, {"abcdefghij"}, {"abcd", "efgh", "ij"}, {3, 3}},
        WriteCase{"WrapOffClipsAtTheEdge",
                  4,
                  3,
                  Wrap::Off,
                  {"abcdefgh", "\r\nx"},
                  {"abcd", "x", ""},
                  {2, 2}},
        WriteCase{"WrapOffColumnStopsOnePastTheEdge",
                  4,
                  2,
                  Wrap::Off,
                  {"abcdefgh"},
                  {"abcd", ""},
                  {1, 5}},
        WriteCase{"ScrollAtTheLastRow",
                  6,
                  3,
                  Wrap::On,
                  {"one\r\ntwo\r\nthree\r\nfour"},
                  {"two", "three", "four"},
                  {3, 5}},
        WriteCase{"WrapOnTheLastRowScrolls", 3, 2, Wrap::On, {"abcdefg"}, {"def", "g"}, {2, 2}},
        WriteCase{
            "NulEndsTheWrite", 10, 2, Wrap::On, {std::string("ab\0cd", 5)}, {"ab", ""}, {1, 3}},
        WriteCase{
            "ZeroLengthWriteIsOneBlank", 10, 2, Wrap::On, {"a", "", "b"}, {"a b", ""}, {1, 4}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextModel, ZeroLengthRecordShowsAsAnEmptyLineAndCopiesAsABareLineEnd) {
  Window w(8, 4);
  w.model.write_record("ab");
  w.model.write_record("");
  w.model.write_record("cd");
  EXPECT_EQ(w.model.copy_text(1, 1, 3, 8), "ab\r\n\r\ncd\r\n");
  const std::vector<TextRun> runs = w.model.runs();
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[1], (TextRun{2, 1, 2, true, " "}));
  EXPECT_EQ(w.model.position(), (TextPosition{4, 1}));  // after the third record's line end
}

TEST(TextModel, ScrollingMovesTheRunsAndClearsTheBottomRow) {
  Window w(6, 3);
  w.model.write_record("one");
  w.model.write_record("two");
  w.model.write("three");
  EXPECT_EQ(w.screen.scrolls, 0);
  w.model.write("\r\nfour");  // the line end on the last row scrolls
  EXPECT_EQ(w.screen.scrolls, 1);
  EXPECT_EQ(w.model.runs(),
            (std::vector<TextRun>{
                {1, 1, 4, false, "two"}, {2, 1, 6, false, "three"}, {3, 1, 5, false, "four"}}));
  EXPECT_EQ(w.model.copy_text(1, 1, 3, 6), "two\r\nthree\r\nfour\r\n");
  EXPECT_EQ(w.screen.cell(3, 5).background, kDefaultBackground);
}

TEST(TextModel, AViewportConfinesOutputAndScrollsInside) {
  Window w(10, 4);
  w.model.write("0123456789\r\nABCDEFGHIJ");
  ASSERT_TRUE(w.model.set_viewport({2, 3, 3, 6}));  // rows 2-3, columns 3-6
  EXPECT_EQ(w.model.position(), (TextPosition{1, 1}));
  w.model.write("abcdefghijk");  // wraps at column 6 and scrolls rows 2-3
  EXPECT_EQ(w.shown(), (std::vector<std::string>{"0123456789", "ABefghGHIJ", "  ijk", ""}));
  EXPECT_EQ(w.copied(), w.shown());
  EXPECT_FALSE(w.model.set_viewport({0, 1, 2, 2}));
  EXPECT_FALSE(w.model.set_viewport({1, 1, 5, 2}));
  EXPECT_FALSE(w.model.set_viewport({2, 3, 1, 3}));
}

TEST(TextModel, ARunWhollyCoveredIsFreedSoACounterKeepsOneRun) {
  Window w(20, 2);
  for (int i = 0; i <= 10000; ++i) w.model.write("done: " + std::to_string(i) + "\r");
  EXPECT_EQ(w.model.runs().size(), 1u);
  EXPECT_EQ(w.model.copy_text(1, 1, 1, 20), "done: 10000\r\n");
  // A shorter line over a longer one: the screen keeps the longer one's tail.
  w.model.write("ab\r");
  EXPECT_EQ(w.model.copy_text(1, 1, 1, 20), "abne: 10000\r\n");
  EXPECT_EQ(w.screen.row_text(1), "abne: 10000");
}

TEST(TextModel, CopyGivesBlanksForGapsAndNothingAfterTheLastRun) {
  Window w(10, 3);
  w.model.set_position({1, 4});
  w.model.write("ab");
  w.model.set_position({1, 8});
  w.model.write("c");
  w.model.set_position({3, 2});
  w.model.write("x");
  EXPECT_EQ(w.model.copy_text(1, 1, 3, 10), "   ab  c\r\n\r\n x\r\n");
  EXPECT_EQ(w.model.copy_text(1, 5, 2, 8), "b  c\r\n\r\n");  // a range cuts the runs
}

TEST(TextModel, EraseBackCrossesAWrapAndStopsAtTheFirstCell) {
  Window w(4, 3);
  w.model.write("abcde");
  ASSERT_EQ(w.model.position(), (TextPosition{2, 2}));
  EXPECT_TRUE(w.model.erase_back());  // the e
  EXPECT_TRUE(w.model.erase_back());  // the d, across the wrap
  EXPECT_EQ(w.model.position(), (TextPosition{1, 4}));
  EXPECT_EQ(w.shown(), (std::vector<std::string>{"abc", "", ""}));
  EXPECT_EQ(w.copied(), w.shown());
  EXPECT_TRUE(w.model.erase_back());
  EXPECT_TRUE(w.model.erase_back());
  EXPECT_TRUE(w.model.erase_back());
  EXPECT_EQ(w.model.position(), (TextPosition{1, 1}));
  EXPECT_FALSE(w.model.erase_back());
  EXPECT_TRUE(w.model.runs().empty());
}

TEST(TextModel, DrawsInItsColoursAtTheViewportsPixels) {
  Window w(10, 4);
  w.model.set_colours(14, direct_colour(0x123456));
  ASSERT_TRUE(w.model.set_viewport({2, 3, 4, 10}));
  w.model.write("a");
  EXPECT_EQ(w.screen.cell(2, 3).c, 'a');
  EXPECT_EQ(w.screen.cell(2, 3).text, 14);
  EXPECT_EQ(colour_rgb(w.screen.cell(2, 3).background), 0x123456u);
  EXPECT_EQ(w.model.position_rect(), (PixelRect{24, 16, 8, 16}));
  EXPECT_EQ(colour_rgb(14), 0xFFFF00u);
  EXPECT_EQ(colour_rgb(99), 0u);
}

TEST(TextModel, UnconfiguredModelIgnoresOutput) {
  TextModel model;
  model.write("abc");
  EXPECT_FALSE(model.erase_back());
  EXPECT_TRUE(model.runs().empty());
  EXPECT_EQ(model.copy_text(1, 1, 5, 5), "");
}

// Configuration: defaults, the grid from the size or the size from the grid, the font's cell.
struct ConfigCase {
  const char* name;
  WindowConfig request;
  CellSize font;  // what the font gives for the requested cell
  TextGeometry expected;
};

class ConfigTest : public ::testing::TestWithParam<ConfigCase> {};

TEST_P(ConfigTest, Resolves) {
  const ConfigCase& c = GetParam();
  const DisplayMetrics display{1280, 800, 120, 40, 256};
  int fonts = 0;
  const ResolvedConfig r = resolve_config(c.request, display, [&](CellSize) {
    ++fonts;
    return c.font;
  });
  EXPECT_EQ(r.geometry.pixel_width, c.expected.pixel_width);
  EXPECT_EQ(r.geometry.pixel_height, c.expected.pixel_height);
  EXPECT_EQ(r.geometry.cell_width, c.expected.cell_width);
  EXPECT_EQ(r.geometry.cell_height, c.expected.cell_height);
  EXPECT_LE(fonts, 2);
}

WindowConfig columns_rows(int columns, int rows) {
  WindowConfig c;
  c.columns = columns;
  c.rows = rows;
  return c;
}
WindowConfig pixels(int width, int height) {
  WindowConfig c;
  c.pixel_width = width;
  c.pixel_height = height;
  return c;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfigTest,
    ::testing::Values(
        ConfigCase{"DefaultsToTheScreenIn8By16Cells", {}, {8, 16}, {1280, 800, 8, 16}},
        ConfigCase{"FontWithinToleranceKeepsTheCell", {}, {9, 18}, {1280, 800, 8, 16}},
        ConfigCase{"FontOutsideToleranceGivesItsCell", {}, {10, 19}, {1280, 800, 10, 19}},
        ConfigCase{"FontTooNarrowGivesItsCell", {}, {5, 16}, {1280, 800, 5, 16}},
        ConfigCase{"ColumnsAndRowsGiveTheSize", columns_rows(80, 25), {8, 16}, {640, 400, 8, 16}},
        ConfigCase{"ColumnsWithTheFontsCell", columns_rows(80, 25), {10, 20}, {800, 500, 10, 20}},
        ConfigCase{"RaisedToTheMinimumSize", pixels(10, 10), {8, 16}, {120, 40, 8, 16}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ResolveConfig, ColoursCappedAtTheScreens) {
  WindowConfig request;
  request.colours = 256;
  EXPECT_EQ(resolve_config(request, {640, 480, 0, 0, 16}, nullptr).colours, 16);
  EXPECT_EQ(resolve_config({}, {640, 480, 0, 0, 256}, nullptr).colours, 16);
}

}  // namespace
}  // namespace console
