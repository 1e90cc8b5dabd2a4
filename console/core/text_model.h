// The text of a console window: a grid of character cells over the window's backing image, the
// text position and viewport, wrap, colours, and the text runs from which copies rebuild the
// characters. Output is drawn through a TextCanvas, which the window implements by painting into
// its image; the model itself draws nothing and knows no toolkit.
//
// Rows and columns are 1-based. The viewport and the runs use absolute grid positions; the text
// position is relative to the viewport. Not thread-safe: the window guards its model with its
// DrawLock.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace console {

// A colour: an index 0..15 into kPalette, or a negative value for a direct colour (direct_colour).
using Colour = std::int32_t;
inline constexpr Colour direct_colour(std::uint32_t rgb) {
  return -1 - static_cast<Colour>(rgb & 0xFFFFFFu);
}
// 0xRRGGBB of a colour; an index outside the palette is black.
std::uint32_t colour_rgb(Colour colour);

// The 16-entry palette, 0xRRGGBB.
inline constexpr std::array<std::uint32_t, 16> kPalette = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
    0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
};
inline constexpr Colour kDefaultTextColour = 15;
inline constexpr Colour kDefaultBackground = 0;

struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// What the model draws, in pixels of the backing image. Called while the model changes, so under
// the window's DrawLock.
class TextCanvas {
 public:
  virtual ~TextCanvas() = default;
  // Draws `bytes` (code page 1252), one per cell of `cell_width` pixels, from (x, y): the cells'
  // background first, then the characters.
  virtual void draw_text(int x, int y, std::string_view bytes, Colour text, Colour background) = 0;
  // Moves the pixels of `area` up by `dy`; the strip left at its bottom is filled next.
  virtual void scroll_up(const PixelRect& area, int dy) = 0;
  virtual void fill(const PixelRect& area, Colour colour) = 0;
};

// Image and cell sizes in pixels; the grid is as many whole cells as fit.
struct TextGeometry {
  int pixel_width = 0;
  int pixel_height = 0;
  int cell_width = 8;
  int cell_height = 16;

  int columns() const { return cell_width > 0 ? pixel_width / cell_width : 0; }
  int rows() const { return cell_height > 0 ? pixel_height / cell_height : 0; }
};

// Top row, left column, bottom row, right column: absolute, inclusive.
struct Viewport {
  int top = 1;
  int left = 1;
  int bottom = 1;
  int right = 1;

  int height() const { return bottom - top + 1; }
  int width() const { return right - left + 1; }
  friend bool operator==(const Viewport&, const Viewport&) = default;
};

// A position: row and column.
struct TextPosition {
  int row = 1;
  int column = 1;
  friend bool operator==(const TextPosition&, const TextPosition&) = default;
};

// Characters written at one place. An empty record is one blank flagged empty_record, which a
// copy turns into nothing (a bare line end when it is alone on its row).
struct TextRun {
  int row = 1;
  int first_column = 1;
  int end_column = 1;  // exclusive
  bool empty_record = false;
  std::string text;
  friend bool operator==(const TextRun&, const TextRun&) = default;
};

enum class Wrap { Off, On };

class TextModel {
 public:
  // A model without cells (nothing configured yet).
  TextModel() = default;

  // Starts afresh on a geometry: position (1, 1), the whole grid as viewport, wrap on, colours
  // 15 on 0, no runs; the image is cleared to the background through the canvas.
  void reset(const TextGeometry& geometry);
  // The canvas that output draws on; none draws nothing. Not owned.
  void set_canvas(TextCanvas* canvas) { canvas_ = canvas; }

  const TextGeometry& geometry() const { return geometry_; }
  int columns() const { return columns_; }
  int rows() const { return rows_; }
  bool configured() const { return columns_ > 0 && rows_ > 0; }

  const Viewport& viewport() const { return viewport_; }
  // Sets the viewport when it lies inside the grid (false otherwise) and moves the position to
  // its first cell.
  bool set_viewport(const Viewport& viewport);

  // Relative to the viewport. The column may stand one past the viewport's right column when
  // wrap is off and a line ran over the edge.
  TextPosition position() const { return position_; }
  // Clamped into the viewport.
  void set_position(TextPosition position);
  // The position's cell in pixels of the image.
  PixelRect position_rect() const;

  Wrap wrap() const { return wrap_; }
  void set_wrap(Wrap wrap) { wrap_ = wrap; }

  void set_colours(Colour text, Colour background) {
    text_colour_ = text;
    background_ = background;
  }

  // Writes bytes up to the first NUL: segments cut at CR, LF and (with wrap on) the viewport's
  // right column; a lone CR returns to column 1, LF, CR LF and LF CR end the line; a line end
  // right after a wrapped line adds no empty line; a line end on the viewport's last row scrolls
  // the viewport. An empty `bytes` is one blank flagged as an empty record.
  void write(std::string_view bytes);
  // One output record: its bytes (an empty record when there are none), then a line end.
  void write_record(std::string_view record);

  // Moves the position one cell back (from column 1 to the last column of the row above) and
  // blanks that cell. False, changing nothing, at the viewport's first cell.
  bool erase_back();

  // The runs, row by row, each row's runs in column order. They never overlap: later output
  // cuts or frees what it covers.
  std::vector<TextRun> runs() const;
  // Characters held by the runs: never more than the cells of the grid.
  std::size_t stored_characters() const;

  // The text of the cells [first_column, last_column] of rows first_row..last_row (absolute):
  // per row, the runs' characters with blanks for the gaps between them and before the first,
  // nothing after the last, then CR LF. An empty record gives nothing.
  std::string copy_text(int first_row, int first_column, int last_row, int last_column) const;

 private:
  struct Run {
    int first;
    int end;  // exclusive
    bool empty_record;
    std::string text;
  };
  using Row = std::vector<Run>;

  void write_segment(std::string_view segment, bool empty_record);
  void line_feed();
  void scroll_viewport();
  // Removes whatever the runs of `row` hold in columns [first, end).
  void cut(int row, int first, int end);
  // Takes the parts of the runs of `row` inside [first, end) out of it.
  Row extract(int row, int first, int end);
  void insert(int row, Run run);
  PixelRect cell_rect(int row, int column, int count) const;

  TextGeometry geometry_{0, 0, 8, 16};
  int columns_ = 0;
  int rows_ = 0;
  Viewport viewport_;
  TextPosition position_;
  Wrap wrap_ = Wrap::On;
  bool after_wrap_ = false;  // a wrap moved to a new line and nothing came since
  Colour text_colour_ = kDefaultTextColour;
  Colour background_ = kDefaultBackground;
  std::vector<Row> rows_of_runs_;  // index row - 1
  TextCanvas* canvas_ = nullptr;
};

}  // namespace console
