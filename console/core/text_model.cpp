#include "console/core/text_model.h"

#include <algorithm>

namespace console {
namespace {

bool is_line_end(char c) {
  return c == '\r' || c == '\n';
}

}  // namespace

std::uint32_t colour_rgb(Colour colour) {
  if (colour < 0) return static_cast<std::uint32_t>(-1 - colour) & 0xFFFFFFu;
  if (colour < static_cast<Colour>(kPalette.size())) return kPalette[colour];
  return 0;
}

void TextModel::reset(const TextGeometry& geometry) {
  geometry_ = geometry;
  columns_ = std::max(0, geometry.columns());
  rows_ = std::max(0, geometry.rows());
  viewport_ = {1, 1, std::max(rows_, 1), std::max(columns_, 1)};
  position_ = {};
  wrap_ = Wrap::On;
  after_wrap_ = false;
  text_colour_ = kDefaultTextColour;
  background_ = kDefaultBackground;
  rows_of_runs_.assign(static_cast<std::size_t>(rows_), Row{});
  if (canvas_ != nullptr)
    canvas_->fill({0, 0, geometry.pixel_width, geometry.pixel_height}, background_);
}

bool TextModel::set_viewport(const Viewport& v) {
  if (v.top < 1 || v.left < 1 || v.bottom > rows_ || v.right > columns_ || v.top > v.bottom ||
      v.left > v.right)
    return false;
  viewport_ = v;
  position_ = {};
  after_wrap_ = false;
  return true;
}

void TextModel::set_position(TextPosition p) {
  position_.row = std::clamp(p.row, 1, viewport_.height());
  position_.column = std::clamp(p.column, 1, viewport_.width());
  after_wrap_ = false;
}

PixelRect TextModel::cell_rect(int row, int column, int count) const {
  return {(column - 1) * geometry_.cell_width, (row - 1) * geometry_.cell_height,
          count * geometry_.cell_width, geometry_.cell_height};
}

PixelRect TextModel::position_rect() const {
  return cell_rect(viewport_.top + position_.row - 1, viewport_.left + position_.column - 1, 1);
}

void TextModel::write_record(std::string_view record) {
  write(record);
  write("\r\n");
}

void TextModel::write(std::string_view bytes) {
  if (!configured()) return;
  const bool empty_record = bytes.empty();
  if (empty_record) bytes = " ";
  bytes = bytes.substr(0, bytes.find('\0'));
  const int width = viewport_.width();
  std::size_t p = 0;
  const std::size_t n = bytes.size();
  for (;;) {
    if (wrap_ == Wrap::On && position_.column > width) {
      line_feed();
      position_.column = 1;
      after_wrap_ = true;
    }
    if (p == n) break;
    const char c = bytes[p];
    if (!is_line_end(c)) {
      const std::size_t limit = wrap_ == Wrap::On
                                    ? static_cast<std::size_t>(width - position_.column + 1)
                                    : std::string_view::npos;
      std::size_t q = p;
      while (q < n && !is_line_end(bytes[q]) && q - p < limit) ++q;
      write_segment(bytes.substr(p, q - p), empty_record);
      after_wrap_ = false;
      p = q;
      continue;
    }
    ++p;
    // CR LF and LF CR are one line end; a lone CR only returns to column 1.
    const bool pair = p < n && is_line_end(bytes[p]) && bytes[p] != c;
    if (after_wrap_) {
      // The wrap has already moved to a new line.
      after_wrap_ = false;
    } else if (c == '\n' || pair) {
      line_feed();
    }
    position_.column = 1;
    if (pair) ++p;
  }
}

void TextModel::write_segment(std::string_view segment, bool empty_record) {
  const int width = viewport_.width();
  const int room = std::max(0, width - position_.column + 1);
  const int visible = static_cast<int>(std::min<std::size_t>(segment.size(), room));
  if (visible > 0) {
    const int row = viewport_.top + position_.row - 1;
    const int column = viewport_.left + position_.column - 1;
    const std::string_view shown = segment.substr(0, static_cast<std::size_t>(visible));
    if (canvas_ != nullptr) {
      const PixelRect at = cell_rect(row, column, visible);
      canvas_->draw_text(at.x, at.y, shown, text_colour_, background_);
    }
    cut(row, column, column + visible);
    insert(row, Run{column, column + visible, empty_record, std::string(shown)});
  }
  // Past the right column only a wrap or a line end moves on; with wrap off the rest is clipped.
  position_.column += static_cast<int>(std::min<std::size_t>(segment.size(), room + 1));
  position_.column = std::min(position_.column, width + 1);
}

void TextModel::line_feed() {
  if (position_.row >= viewport_.height()) {
    position_.row = viewport_.height();
    scroll_viewport();
  } else {
    ++position_.row;
  }
}

void TextModel::scroll_viewport() {
  const Viewport& v = viewport_;
  if (canvas_ != nullptr) {
    const PixelRect area = cell_rect(v.top, v.left, v.width());
    const PixelRect whole{area.x, area.y, area.width, area.height * v.height()};
    canvas_->scroll_up(whole, geometry_.cell_height);
    canvas_->fill(cell_rect(v.bottom, v.left, v.width()), background_);
  }
  if (v.left == 1 && v.right == columns_) {
    auto first = rows_of_runs_.begin() + (v.top - 1);
    auto last = rows_of_runs_.begin() + v.bottom;
    first->clear();
    std::rotate(first, first + 1, last);
    return;
  }
  // A viewport narrower than the grid: only the parts inside its columns move.
  extract(v.top, v.left, v.right + 1);
  for (int row = v.top + 1; row <= v.bottom; ++row) {
    for (Run& run : extract(row, v.left, v.right + 1)) insert(row - 1, std::move(run));
  }
}

void TextModel::cut(int row, int first, int end) {
  Row& runs = rows_of_runs_[static_cast<std::size_t>(row - 1)];
  for (std::size_t i = 0; i < runs.size();) {
    Run& run = runs[i];
    if (run.end <= first || run.first >= end) {
      ++i;
    } else if (run.first >= first && run.end <= end) {
      runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(i));  // wholly covered: freed
    } else if (run.first < first && run.end > end) {
      Run right{end, run.end, false, run.text.substr(static_cast<std::size_t>(end - run.first))};
      run.text.resize(static_cast<std::size_t>(first - run.first));
      run.end = first;
      runs.insert(runs.begin() + static_cast<std::ptrdiff_t>(i + 1), std::move(right));
      i += 2;
    } else if (run.first < first) {
      run.text.resize(static_cast<std::size_t>(first - run.first));
      run.end = first;
      ++i;
    } else {
      run.text.erase(0, static_cast<std::size_t>(end - run.first));
      run.first = end;
      ++i;
    }
  }
}

TextModel::Row TextModel::extract(int row, int first, int end) {
  Row taken;
  for (const Run& run : rows_of_runs_[static_cast<std::size_t>(row - 1)]) {
    const int a = std::max(run.first, first);
    const int b = std::min(run.end, end);
    if (a >= b) continue;
    taken.push_back({a, b, run.empty_record,
                     run.text.substr(static_cast<std::size_t>(a - run.first),
                                     static_cast<std::size_t>(b - a))});
  }
  cut(row, first, end);
  return taken;
}

void TextModel::insert(int row, Run run) {
  Row& runs = rows_of_runs_[static_cast<std::size_t>(row - 1)];
  auto at = std::lower_bound(runs.begin(), runs.end(), run.first,
                             [](const Run& r, int column) { return r.first < column; });
  if (at != runs.begin()) {
    Run& before = *(at - 1);
    if (before.end == run.first && !before.empty_record && !run.empty_record) {
      before.text += run.text;  // typed echo arrives a character at a time
      before.end = run.end;
      return;
    }
  }
  runs.insert(at, std::move(run));
}

bool TextModel::erase_back() {
  if (!configured()) return false;
  if (position_.row == 1 && position_.column == 1) return false;
  if (position_.column == 1) {
    --position_.row;
    position_.column = viewport_.width();
  } else {
    position_.column = std::min(position_.column, viewport_.width() + 1) - 1;
  }
  after_wrap_ = false;
  const int row = viewport_.top + position_.row - 1;
  const int column = viewport_.left + position_.column - 1;
  cut(row, column, column + 1);
  if (canvas_ != nullptr) canvas_->fill(cell_rect(row, column, 1), background_);
  return true;
}

std::vector<TextRun> TextModel::runs() const {
  std::vector<TextRun> all;
  for (std::size_t r = 0; r < rows_of_runs_.size(); ++r) {
    for (const Run& run : rows_of_runs_[r])
      all.push_back({static_cast<int>(r) + 1, run.first, run.end, run.empty_record, run.text});
  }
  return all;
}

std::size_t TextModel::stored_characters() const {
  std::size_t n = 0;
  for (const Row& row : rows_of_runs_) {
    for (const Run& run : row) n += run.text.size();
  }
  return n;
}

std::string TextModel::copy_text(int first_row, int first_column, int last_row,
                                 int last_column) const {
  std::string text;
  first_row = std::max(first_row, 1);
  last_row = std::min(last_row, rows_);
  for (int row = first_row; row <= last_row; ++row) {
    int column = first_column;
    for (const Run& run : rows_of_runs_[static_cast<std::size_t>(row - 1)]) {
      const int a = std::max(run.first, first_column);
      const int b = std::min(run.end, last_column + 1);
      if (a >= b || run.empty_record) continue;
      text.append(static_cast<std::size_t>(a - column), ' ');
      text.append(run.text, static_cast<std::size_t>(a - run.first),
                  static_cast<std::size_t>(b - a));
      column = b;
    }
    text += "\r\n";
  }
  return text;
}

}  // namespace console
