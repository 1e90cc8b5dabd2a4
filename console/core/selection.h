// A window's selection for Copy: text (whole cells) or graphics (a pixel rectangle), marked with
// the mouse or with the arrow and page keys. The model knows nothing of pausing: the commands
// pause the program before begin() or select_all() and resume it when the selection ends
// (pause.h; the second-pause rule keeps a program paused that was paused before).
//
// Positions given to the mouse functions are pixels of the window's image (the client position
// plus the scroll offsets); the model clamps them to the image. Text positions it reports are
// cells, 1-based (column, row) like the text model's; graphics positions are pixels, 0-based.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/core/text_model.h"  // TextModel, PixelRect (a rectangle of image pixels)

namespace console {

enum class SelectionMode { None, Text, Graphics };

struct Point {
  int x = 0;  // text: column; graphics: pixel
  int y = 0;  // text: row; graphics: pixel
  friend bool operator==(const Point&, const Point&) = default;
};

// A text selection in cells, in reading order (the anchor and the extent sorted): on the first
// row from first_column, on the last row up to last_column, whole rows between; both ends
// included.
struct TextRange {
  int first_row = 0;
  int first_column = 0;
  int last_row = 0;
  int last_column = 0;
  friend bool operator==(const TextRange&, const TextRange&) = default;

  struct Columns {
    int first = 0;
    int last = 0;  // included
    friend bool operator==(const Columns&, const Columns&) = default;
  };
  // The selected columns of a row between first_row and last_row, for a buffer `columns` wide.
  Columns columns_of(int row, int columns) const;
};

// What Copy puts on the clipboard for a text selection: its rows as TextModel::copy_text gives
// them, each cut to the row's selected columns (blanks for gaps and before the first run, nothing
// after the last run, CR LF per row, an empty record only its line end).
std::string selection_text(const TextModel& model, const TextRange& range);

// The window the selection is made in.
struct SelectionGeometry {
  int image_width = 0;  // pixels
  int image_height = 0;
  int cell_width = 8;
  int cell_height = 16;
  int page_width = 0;  // the visible client area, pixels: the step of a page key
  int page_height = 0;

  int columns() const { return cell_width > 0 ? image_width / cell_width : 0; }
  int rows() const { return cell_height > 0 ? image_height / cell_height : 0; }
};

enum class SelectionKey { Left, Right, Up, Down, PageUp, PageDown, PageLeft, PageRight };

// What the window does with the mouse after a mouse event.
enum class MouseAction {
  Ignore,   // not for the selection
  Capture,  // the anchor is set: capture the mouse
  Repaint,  // the extent moved: redraw the overlay
  Release,  // the button is up: release the capture and redraw the overlay
};

class Selection {
 public:
  SelectionMode mode() const { return mode_; }
  bool active() const { return mode_ != SelectionMode::None; }
  // Copy is possible: something is marked.
  bool has_extent() const { return extent_.has_value(); }

  // Select Text: marking starts with no anchor and the caret at `origin`, the cell at the
  // window's top left (the first key extends from there). Select Graphics: the anchor is
  // `origin`, the scroll position in pixels. Any earlier selection is dropped.
  void begin(SelectionMode mode, const SelectionGeometry& geometry, Point origin);
  // Select All: everything, anchor at the first cell or pixel, extent at the last.
  void select_all(SelectionMode mode, const SelectionGeometry& geometry);

  // Button down: a new anchor, no extent, and the mouse captured. Move with the button held: the
  // extent follows. Button up: the extent moves to the release point if the mouse has moved
  // off the anchor's cell or pixel, and the capture ends.
  MouseAction press(Point image_pixel);
  MouseAction move(Point image_pixel);
  MouseAction release(Point image_pixel);
  bool capturing() const { return capturing_; }

  // Arrow keys move the extent by a cell (a graphics selection: by a cell's size in pixels),
  // page keys by the visible client area; without an anchor the first key sets it at the caret.
  // False when no selection is active (the key then scrolls as usual).
  bool key(SelectionKey key);

  // Ends the selection (Copy, Esc, Resume); false when none was active.
  bool end();

  // "Mark Text - ", "Select Text - ", "Mark Graphics - ", "Select graphics in ", or empty.
  std::string_view title_prefix() const;
  // The title bar's text for a window titled `plain`.
  std::string title(std::string_view plain) const;

  // Where the block caret stands: the extent, else the anchor, else the origin given to begin.
  Point caret() const;
  // The copy ranges, once an extent exists.
  std::optional<TextRange> text_range() const;
  std::optional<PixelRect> graphics_rect() const;
  // The image pixels drawn inverted: for text whole cells, at most three rectangles (the first
  // row's part, the rows between, the last row's part); for graphics the rectangle. Empty
  // without an extent.
  std::vector<PixelRect> overlay() const;

 private:
  Point to_position(Point image_pixel) const;
  Point clamp(Point p) const;

  SelectionMode mode_ = SelectionMode::None;
  SelectionGeometry geometry_;
  Point origin_;
  std::optional<Point> anchor_;
  std::optional<Point> extent_;
  bool capturing_ = false;
};

}  // namespace console
