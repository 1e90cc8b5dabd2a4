// The selection state machine: marking with the mouse and the keys, the title prefixes, the copy
// ranges and the inverted overlay.
#include "console/core/selection.h"

#include <gtest/gtest.h>

#include "console/core/text_model.h"

namespace console {
namespace {

// 80 x 25 cells of 8 x 16 pixels; the client shows 40 x 10 cells.
constexpr SelectionGeometry kWindow{640, 400, 8, 16, 320, 160};

// A pixel inside the cell (column, row).
Point in_cell(int column, int row) {
  return {(column - 1) * 8 + 3, (row - 1) * 16 + 5};
}

TEST(Selection, TextMarkingWithTheMouse) {
  Selection s;
  EXPECT_EQ(s.title_prefix(), "");
  EXPECT_EQ(s.press(in_cell(1, 1)), MouseAction::Ignore);  // no selection: not ours

  s.begin(SelectionMode::Text, kWindow, {1, 1});
  EXPECT_EQ(s.title("Unit 6"), "Mark Text - Unit 6");
  EXPECT_EQ(s.move(in_cell(5, 5)), MouseAction::Ignore);  // no button held
  EXPECT_FALSE(s.has_extent());

  EXPECT_EQ(s.press(in_cell(7, 2)), MouseAction::Capture);
  EXPECT_TRUE(s.capturing());
  EXPECT_EQ(s.move(in_cell(7, 2)), MouseAction::Ignore);  // still in the anchor's cell
  EXPECT_FALSE(s.has_extent());
  EXPECT_EQ(s.move(in_cell(3, 4)), MouseAction::Repaint);
  EXPECT_EQ(s.title("Unit 6"), "Select Text - Unit 6");
  EXPECT_EQ(s.release(in_cell(12, 4)), MouseAction::Release);
  EXPECT_FALSE(s.capturing());
  EXPECT_EQ(s.text_range(), (TextRange{2, 7, 4, 12}));
  EXPECT_EQ(s.caret(), (Point{12, 4}));
  EXPECT_EQ(s.move(in_cell(1, 1)), MouseAction::Ignore);  // released

  // A new press starts over: marking again, nothing to copy.
  EXPECT_EQ(s.press(in_cell(2, 2)), MouseAction::Capture);
  EXPECT_FALSE(s.has_extent());
  EXPECT_EQ(s.title_prefix(), "Mark Text - ");
  EXPECT_EQ(s.release(in_cell(2, 2)), MouseAction::Release);  // a click marks nothing
  EXPECT_FALSE(s.text_range().has_value());

  EXPECT_TRUE(s.end());
  EXPECT_FALSE(s.end());
  EXPECT_EQ(s.title("Unit 6"), "Unit 6");
}

TEST(Selection, TextRangesAreInReadingOrderAndClamped) {
  struct Case {
    const char* name;
    Point press, release;  // pixels
    TextRange range;
  };
  const Case cases[] = {
      {"forward over three rows", in_cell(5, 1), in_cell(3, 3), {1, 5, 3, 3}},
      {"backward over rows", in_cell(3, 3), in_cell(5, 1), {1, 5, 3, 3}},
      {"backward on one row", in_cell(9, 2), in_cell(4, 2), {2, 4, 2, 9}},
      {"one cell, back to the anchor", in_cell(4, 2), in_cell(4, 2), {2, 4, 2, 4}},
      {"dragged off the image", {-30, -5}, {5000, 9000}, {1, 1, 25, 80}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Selection s;
    s.begin(SelectionMode::Text, kWindow, {1, 1});
    s.press(c.press);
    s.move(in_cell(40, 12));  // somewhere else first, so that the extent exists
    s.release(c.release);
    EXPECT_EQ(s.text_range(), c.range);
  }
}

TEST(Selection, ColumnsOfEachRowOfARange) {
  const TextRange range{2, 5, 4, 3};
  EXPECT_EQ(range.columns_of(2, 80), (TextRange::Columns{5, 80}));
  EXPECT_EQ(range.columns_of(3, 80), (TextRange::Columns{1, 80}));
  EXPECT_EQ(range.columns_of(4, 80), (TextRange::Columns{1, 3}));
  EXPECT_EQ(range.columns_of(5, 80), (TextRange::Columns{}));
  const TextRange one_row{7, 4, 7, 9};
  EXPECT_EQ(one_row.columns_of(7, 80), (TextRange::Columns{4, 9}));
}

TEST(SelectionText, RowsFromTheAnchorColumnToTheExtentColumnWithBlanksAndBareLineEnds) {
  // Row 1: "abc" from column 4 and "de" from column 9; row 2 an empty record; row 3 "xyz" from
  // column 3; row 4 nothing.
  TextModel model;
  model.reset({12 * 8, 4 * 16, 8, 16});
  model.set_position({1, 4});
  model.write("abc");
  model.set_position({1, 9});
  model.write("de");
  model.set_position({2, 1});
  model.write("");
  model.set_position({3, 3});
  model.write("xyz");
  const SelectionGeometry geometry{12 * 8, 4 * 16, 8, 16, 12 * 8, 4 * 16};

  struct Case {
    const char* name;
    Point press, release;  // cells
    std::string text;
  };
  const Case cases[] = {
      {"three whole rows: blanks before the first run and in the gap",
       {1, 1},
       {12, 3},
       "   abc  de\r\n\r\n  xyz\r\n"},
      {"from the anchor column on the first row to the extent column on the last",
       {5, 1},
       {4, 3},
       "bc  de\r\n\r\n  xy\r\n"},
      {"marked backwards, the same", {4, 3}, {5, 1}, "bc  de\r\n\r\n  xy\r\n"},
      {"inside one row", {2, 1}, {9, 1}, "  abc  d\r\n"},
      {"an empty record alone", {3, 2}, {7, 2}, "\r\n"},
      {"an empty row at the end", {3, 3}, {2, 4}, "xyz\r\n\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Selection s;
    s.begin(SelectionMode::Text, geometry, {1, 1});
    s.press(in_cell(c.press.x, c.press.y));
    s.release(in_cell(c.release.x, c.release.y));
    ASSERT_TRUE(s.text_range().has_value());
    EXPECT_EQ(selection_text(model, *s.text_range()), c.text);
  }
  Selection all;
  all.select_all(SelectionMode::Text, geometry);
  EXPECT_EQ(selection_text(model, *all.text_range()), "   abc  de\r\n\r\n  xyz\r\n\r\n");
}

TEST(Selection, KeysExtendFromTheCaretByACellOrAPage) {
  struct Step {
    SelectionKey key;
    Point extent;
  };
  Selection s;
  EXPECT_FALSE(s.key(SelectionKey::Down));         // no selection: the key scrolls
  s.begin(SelectionMode::Text, kWindow, {11, 3});  // the window scrolled to column 11, row 3
  EXPECT_EQ(s.caret(), (Point{11, 3}));
  const Step steps[] = {
      {SelectionKey::Right, {12, 3}},      {SelectionKey::Down, {12, 4}},
      {SelectionKey::PageDown, {12, 14}},  {SelectionKey::PageDown, {12, 24}},
      {SelectionKey::PageDown, {12, 25}},  // clamped at the last row
      {SelectionKey::PageRight, {52, 25}}, {SelectionKey::PageRight, {80, 25}},
      {SelectionKey::Up, {80, 24}},        {SelectionKey::PageUp, {80, 14}},
      {SelectionKey::PageLeft, {40, 14}},  {SelectionKey::Left, {39, 14}},
  };
  for (const Step& step : steps) {
    ASSERT_TRUE(s.key(step.key));
    EXPECT_EQ(s.caret(), step.extent) << static_cast<int>(step.key);
  }
  EXPECT_EQ(s.text_range(), (TextRange{3, 11, 14, 39}));
  EXPECT_EQ(s.title_prefix(), "Select Text - ");
}

TEST(Selection, GraphicsAnchorsAtTheScrollPositionAndCopiesARectangle) {
  Selection s;
  s.begin(SelectionMode::Graphics, kWindow, {16, 32});
  EXPECT_EQ(s.title("Graphic1"), "Mark Graphics - Graphic1");
  EXPECT_FALSE(s.graphics_rect().has_value());
  EXPECT_TRUE(s.key(SelectionKey::Right));  // one cell's width of pixels
  EXPECT_TRUE(s.key(SelectionKey::Down));
  EXPECT_EQ(s.graphics_rect(), (PixelRect{16, 32, 9, 17}));
  EXPECT_EQ(s.title("Graphic1"), "Select graphics in Graphic1");
  EXPECT_FALSE(s.text_range().has_value());

  s.press({100, 50});
  s.move({40, 300});
  s.release({-7, 450});  // clamped into the image
  EXPECT_EQ(s.graphics_rect(), (PixelRect{0, 50, 101, 350}));
  EXPECT_EQ(s.overlay(), (std::vector<PixelRect>{{0, 50, 101, 350}}));
}

TEST(Selection, SelectAllTakesEverything) {
  Selection text;
  text.select_all(SelectionMode::Text, kWindow);
  EXPECT_EQ(text.title("Unit 5"), "Select Text - Unit 5");
  EXPECT_EQ(text.text_range(), (TextRange{1, 1, 25, 80}));
  EXPECT_EQ(text.overlay(),
            (std::vector<PixelRect>{{0, 0, 640, 16}, {0, 16, 640, 368}, {0, 384, 640, 16}}));

  Selection graphics;
  graphics.select_all(SelectionMode::Graphics, kWindow);
  EXPECT_EQ(graphics.title("Graphic2"), "Select graphics in Graphic2");
  EXPECT_EQ(graphics.graphics_rect(), (PixelRect{0, 0, 640, 400}));
}

TEST(Selection, TextOverlayIsWholeCellsRowByRow) {
  struct Case {
    const char* name;
    Point anchor, extent;  // cells
    std::vector<PixelRect> rects;
  };
  const Case cases[] = {
      {"one row", {3, 2}, {5, 2}, {{16, 16, 24, 16}}},
      {"two rows", {79, 2}, {2, 3}, {{624, 16, 16, 16}, {0, 32, 16, 16}}},
      {"rows between", {3, 1}, {1, 4}, {{16, 0, 624, 16}, {0, 16, 640, 32}, {0, 48, 8, 16}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Selection s;
    s.begin(SelectionMode::Text, kWindow, {1, 1});
    s.press(in_cell(c.anchor.x, c.anchor.y));
    s.release(in_cell(c.extent.x, c.extent.y));
    EXPECT_EQ(s.overlay(), c.rects);
  }
  Selection marking;
  marking.begin(SelectionMode::Text, kWindow, {1, 1});
  marking.press(in_cell(3, 3));
  EXPECT_TRUE(marking.overlay().empty());
}

}  // namespace
}  // namespace console
