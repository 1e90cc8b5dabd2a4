#include "console/core/selection.h"

#include <algorithm>

namespace console {

TextRange::Columns TextRange::columns_of(int row, int columns) const {
  if (row < first_row || row > last_row) return {};
  return {row == first_row ? first_column : 1, row == last_row ? last_column : columns};
}

std::string selection_text(const TextModel& model, const TextRange& range) {
  std::string text;
  for (int row = range.first_row; row <= range.last_row; ++row) {
    const TextRange::Columns columns = range.columns_of(row, model.columns());
    text += model.copy_text(row, columns.first, row, columns.last);
  }
  return text;
}

void Selection::begin(SelectionMode mode, const SelectionGeometry& geometry, Point origin) {
  mode_ = mode;
  geometry_ = geometry;
  origin_ = clamp(origin);
  anchor_.reset();
  extent_.reset();
  capturing_ = false;
  if (mode_ == SelectionMode::Graphics) anchor_ = origin_;
}

void Selection::select_all(SelectionMode mode, const SelectionGeometry& geometry) {
  begin(mode, geometry, {});
  if (mode_ == SelectionMode::Text) {
    anchor_ = Point{1, 1};
    extent_ = clamp({geometry_.columns(), geometry_.rows()});
  } else if (mode_ == SelectionMode::Graphics) {
    anchor_ = Point{0, 0};
    extent_ = clamp({geometry_.image_width - 1, geometry_.image_height - 1});
  }
}

Point Selection::clamp(Point p) const {
  if (mode_ == SelectionMode::Text) {
    return {std::clamp(p.x, 1, std::max(1, geometry_.columns())),
            std::clamp(p.y, 1, std::max(1, geometry_.rows()))};
  }
  return {std::clamp(p.x, 0, std::max(0, geometry_.image_width - 1)),
          std::clamp(p.y, 0, std::max(0, geometry_.image_height - 1))};
}

Point Selection::to_position(Point pixel) const {
  if (mode_ != SelectionMode::Text) return clamp(pixel);
  // Floor division, so that a pixel left of or above the image lands in the first cell.
  auto cell = [](int v, int size) {
    if (size <= 0) return 1;
    return (v >= 0 ? v / size : (v - size + 1) / size) + 1;
  };
  return clamp({cell(pixel.x, geometry_.cell_width), cell(pixel.y, geometry_.cell_height)});
}

MouseAction Selection::press(Point image_pixel) {
  if (!active()) return MouseAction::Ignore;
  anchor_ = to_position(image_pixel);
  extent_.reset();
  capturing_ = true;
  return MouseAction::Capture;
}

MouseAction Selection::move(Point image_pixel) {
  if (!active() || !capturing_) return MouseAction::Ignore;
  const Point p = to_position(image_pixel);
  if (!extent_ && p == *anchor_) return MouseAction::Ignore;
  extent_ = p;
  return MouseAction::Repaint;
}

MouseAction Selection::release(Point image_pixel) {
  if (!active() || !capturing_) return MouseAction::Ignore;
  move(image_pixel);
  capturing_ = false;
  return MouseAction::Release;
}

bool Selection::key(SelectionKey key) {
  if (!active()) return false;
  const bool text = mode_ == SelectionMode::Text;
  int step_x = text ? 1 : geometry_.cell_width;
  int step_y = text ? 1 : geometry_.cell_height;
  int page_x =
      text ? geometry_.page_width / std::max(1, geometry_.cell_width) : geometry_.page_width;
  int page_y =
      text ? geometry_.page_height / std::max(1, geometry_.cell_height) : geometry_.page_height;
  page_x = std::max(page_x, 1);
  page_y = std::max(page_y, 1);
  int dx = 0, dy = 0;
  switch (key) {
    case SelectionKey::Left:
      dx = -step_x;
      break;
    case SelectionKey::Right:
      dx = step_x;
      break;
    case SelectionKey::Up:
      dy = -step_y;
      break;
    case SelectionKey::Down:
      dy = step_y;
      break;
    case SelectionKey::PageUp:
      dy = -page_y;
      break;
    case SelectionKey::PageDown:
      dy = page_y;
      break;
    case SelectionKey::PageLeft:
      dx = -page_x;
      break;
    case SelectionKey::PageRight:
      dx = page_x;
      break;
  }
  if (!anchor_) anchor_ = origin_;
  const Point from = extent_.value_or(*anchor_);
  extent_ = clamp({from.x + dx, from.y + dy});
  return true;
}

bool Selection::end() {
  const bool was_active = active();
  mode_ = SelectionMode::None;
  anchor_.reset();
  extent_.reset();
  capturing_ = false;
  return was_active;
}

std::string_view Selection::title_prefix() const {
  switch (mode_) {
    case SelectionMode::None:
      return {};
    case SelectionMode::Text:
      return has_extent() ? "Select Text - " : "Mark Text - ";
    case SelectionMode::Graphics:
      return has_extent() ? "Select graphics in " : "Mark Graphics - ";
  }
  return {};
}

std::string Selection::title(std::string_view plain) const {
  std::string text(title_prefix());
  text += plain;
  return text;
}

Point Selection::caret() const {
  if (extent_) return *extent_;
  if (anchor_) return *anchor_;
  return origin_;
}

std::optional<TextRange> Selection::text_range() const {
  if (mode_ != SelectionMode::Text || !extent_) return std::nullopt;
  Point a = *anchor_, b = *extent_;
  if (b.y < a.y || (b.y == a.y && b.x < a.x)) std::swap(a, b);
  return TextRange{a.y, a.x, b.y, b.x};
}

std::optional<PixelRect> Selection::graphics_rect() const {
  if (mode_ != SelectionMode::Graphics || !extent_) return std::nullopt;
  const int x0 = std::min(anchor_->x, extent_->x), x1 = std::max(anchor_->x, extent_->x);
  const int y0 = std::min(anchor_->y, extent_->y), y1 = std::max(anchor_->y, extent_->y);
  return PixelRect{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

std::vector<PixelRect> Selection::overlay() const {
  if (std::optional<PixelRect> rect = graphics_rect()) return {*rect};
  std::optional<TextRange> range = text_range();
  if (!range) return {};
  const int cw = geometry_.cell_width, ch = geometry_.cell_height;
  const int columns = geometry_.columns();
  // Columns first..last (included) of rows top..bottom.
  auto cells = [&](int first, int last, int top, int bottom) {
    return PixelRect{(first - 1) * cw, (top - 1) * ch, (last - first + 1) * cw,
                     (bottom - top + 1) * ch};
  };
  if (range->first_row == range->last_row)
    return {cells(range->first_column, range->last_column, range->first_row, range->first_row)};
  std::vector<PixelRect> rects;
  rects.push_back(cells(range->first_column, columns, range->first_row, range->first_row));
  if (range->last_row - range->first_row > 1)
    rects.push_back(cells(1, columns, range->first_row + 1, range->last_row - 1));
  rects.push_back(cells(1, range->last_column, range->last_row, range->last_row));
  return rects;
}

}  // namespace console
