// The backing image of a text window and the glyphs it is drawn with. The glyphs of the 256
// code page 1252 bytes are rendered once, on the GUI thread, when the image is made; drawing
// afterwards touches only the image's memory (no painter, no font), so the thread that writes
// to the window draws under the window's DrawLock while the GUI thread paints from it.
#pragma once

#include <QFont>
#include <QImage>

#include <cstdint>
#include <string_view>
#include <vector>

namespace console::window {

class BackingImage {
 public:
  BackingImage() = default;
  // On the GUI thread: an image of `size` pixels, black, with the glyphs of `font` in cells of
  // `cell` pixels. A null image when the memory cannot be had.
  BackingImage(QSize size, QSize cell, const QFont& font);

  bool isNull() const { return image_.isNull(); }
  QSize size() const { return image_.size(); }
  QRect rect() const { return image_.rect(); }
  const QImage& image() const { return image_; }

  // From any thread, under the DrawLock. Each byte fills one cell from (x, y): the background,
  // then the glyph in the text colour; cells outside the image are left out.
  void draw_text(int x, int y, std::string_view bytes, QRgb text, QRgb background);
  void fill(const QRect& area, QRgb colour);
  // Moves the pixels of `area` up by `dy` (the rows at its bottom keep what they had).
  void scroll_up(const QRect& area, int dy);

 private:
  QRgb* row(int y) { return reinterpret_cast<QRgb*>(image_.scanLine(y)); }

  QImage image_;
  QSize cell_;
  std::vector<std::uint8_t> glyphs_;  // 256 coverage masks of cell width x height, 0..255
};

}  // namespace console::window
