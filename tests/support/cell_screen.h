// A text canvas that keeps what a window would show as characters, one per cell, so that tests
// and the fuzz target can compare the model's runs with the screen.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "console/core/text_model.h"

namespace tavo::testing {

class CellScreen : public console::TextCanvas {
 public:
  struct Cell {
    char c = ' ';
    console::Colour text = console::kDefaultTextColour;
    console::Colour background = console::kDefaultBackground;
  };

  CellScreen(int columns, int rows, int cell_width = 8, int cell_height = 16)
      : columns_(columns),
        rows_(rows),
        cw_(cell_width),
        ch_(cell_height),
        cells_(static_cast<std::size_t>(columns * rows)) {}

  void draw_text(int x, int y, std::string_view bytes, console::Colour text,
                 console::Colour background) override {
    ++draws;
    const int row = y / ch_;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      const int column = x / cw_ + static_cast<int>(i);
      if (row < rows_ && column < columns_) at(row, column) = {bytes[i], text, background};
    }
  }
  void scroll_up(const console::PixelRect& area, int dy) override {
    ++scrolls;
    const int first = area.y / ch_;
    const int last = (area.y + area.height) / ch_;  // exclusive
    const int shift = dy / ch_;
    for (int row = first; row + shift < last; ++row) {
      for (int column = area.x / cw_; column < (area.x + area.width) / cw_; ++column)
        at(row, column) = at(row + shift, column);
    }
  }
  void fill(const console::PixelRect& area, console::Colour colour) override {
    ++fills;
    for (int row = area.y / ch_; row < std::min(rows_, (area.y + area.height) / ch_); ++row) {
      for (int column = area.x / cw_; column < std::min(columns_, (area.x + area.width) / cw_);
           ++column)
        at(row, column) = {' ', console::kDefaultTextColour, colour};
    }
  }

  // Row `row` (1-based) as shown, trailing blanks removed.
  std::string row_text(int row) const {
    std::string text;
    for (int column = 0; column < columns_; ++column) text += cells_[index(row - 1, column)].c;
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
  }
  const Cell& cell(int row, int column) const { return cells_[index(row - 1, column - 1)]; }

  int draws = 0;
  int scrolls = 0;
  int fills = 0;

 private:
  std::size_t index(int row, int column) const {
    return static_cast<std::size_t>(row * columns_ + column);
  }
  Cell& at(int row, int column) { return cells_[index(row, column)]; }

  int columns_, rows_, cw_, ch_;
  std::vector<Cell> cells_;
};

// Each row of a copy (CR LF per row), trailing blanks removed.
inline std::vector<std::string> copied_rows(std::string_view copy) {
  std::vector<std::string> rows;
  while (!copy.empty()) {
    std::size_t end = copy.find("\r\n");
    std::string row(copy.substr(0, end));
    row.erase(row.find_last_not_of(' ') + 1);
    rows.push_back(row);
    if (end == std::string_view::npos) break;
    copy.remove_prefix(end + 2);
  }
  return rows;
}

}  // namespace tavo::testing
