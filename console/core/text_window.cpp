#include "console/core/text_window.h"

#include <algorithm>
#include <cstdlib>

namespace console {

void TextWindow::attach_view(TextView* view) {
  std::lock_guard lock(draw_lock_);
  view_ = view;
  model_.set_canvas(view);
}

void TextWindow::written() {
  if (view_ != nullptr) view_->text_written();
}

void TextWindow::write(std::string_view bytes) {
  std::lock_guard lock(draw_lock_);
  model_.write(bytes);
  written();
}

void TextWindow::write_record(std::string_view record) {
  std::lock_guard lock(draw_lock_);
  model_.write_record(record);
  written();
}

bool TextWindow::erase_back() {
  std::lock_guard lock(draw_lock_);
  const bool erased = model_.erase_back();
  written();
  return erased;
}

bool TextWindow::cursor_at_first_cell() {
  std::lock_guard lock(draw_lock_);
  return model_.position() == TextPosition{1, 1};
}

std::string TextWindow::title() const {
  std::lock_guard lock(title_mutex_);
  return title_;
}

void TextWindow::set_title(std::string title) {
  std::lock_guard lock(title_mutex_);
  title_ = std::move(title);
}

CellSize matched_cell(CellSize requested, CellSize font) {
  const int dw = font.width - requested.width;
  const int dh = font.height - requested.height;
  if (dw >= -2 && dw <= 1 && std::abs(dh) <= 2) return requested;
  return font;
}

ResolvedConfig resolve_config(const WindowConfig& request, const DisplayMetrics& display,
                              const std::function<CellSize(CellSize)>& font_cell) {
  auto layout = [&](CellSize cell) {
    TextGeometry g;
    g.cell_width = cell.width;
    g.cell_height = cell.height;
    g.pixel_width = request.pixel_width > 0 ? request.pixel_width : display.screen_width;
    g.pixel_height = request.pixel_height > 0 ? request.pixel_height : display.screen_height;
    if (request.columns > 0) g.pixel_width = request.columns * cell.width;
    if (request.rows > 0) g.pixel_height = request.rows * cell.height;
    g.pixel_width = std::max(g.pixel_width, display.min_window_width);
    g.pixel_height = std::max(g.pixel_height, display.min_window_height);
    return g;
  };
  ResolvedConfig resolved;
  CellSize cell{request.cell_width > 0 ? request.cell_width : 8,
                request.cell_height > 0 ? request.cell_height : 16};
  resolved.font_request = cell;
  CellSize got = font_cell ? matched_cell(cell, font_cell(cell)) : cell;
  if (got != cell && got.width > 0 && got.height > 0) {
    // Once more with the font's own cell; its answer stands.
    cell = got;
    resolved.font_request = cell;
    if (font_cell) font_cell(cell);
  }
  resolved.geometry = layout(cell);
  const int colours = request.colours > 0 ? request.colours : 16;
  resolved.colours = std::min(colours, std::max(display.colours, 2));
  return resolved;
}

}  // namespace console
