#include "console/window/backing_image.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cstring>

#include "console/core/cp1252.h"

namespace console::window {
namespace {

QRgb blend(QRgb text, QRgb background, int coverage) {
  auto mix = [coverage](int t, int b) { return b + (t - b) * coverage / 255; };
  return qRgb(mix(qRed(text), qRed(background)), mix(qGreen(text), qGreen(background)),
              mix(qBlue(text), qBlue(background)));
}

}  // namespace

BackingImage::BackingImage(QSize size, QSize cell, const QFont& font)
    : image_(size, QImage::Format_RGB32), cell_(cell) {
  if (image_.isNull() || cell.isEmpty()) {
    image_ = QImage();
    return;
  }
  image_.fill(Qt::black);
  const int w = cell.width(), h = cell.height();
  glyphs_.assign(static_cast<std::size_t>(256 * w * h), 0);
  const QFontMetrics metrics(font);
  const int baseline = metrics.ascent() + std::max(0, (h - metrics.height()) / 2);
  QImage glyph(cell, QImage::Format_RGB32);
  for (int byte = 0; byte < 256; ++byte) {
    glyph.fill(Qt::black);
    {
      QPainter p(&glyph);
      p.setFont(font);
      p.setPen(Qt::white);
      p.drawText(QPoint(0, baseline),
                 QString(QChar(cp1252::to_unicode(static_cast<unsigned char>(byte)))));
    }
    std::uint8_t* mask = glyphs_.data() + static_cast<std::size_t>(byte * w * h);
    for (int y = 0; y < h; ++y) {
      const QRgb* line = reinterpret_cast<const QRgb*>(glyph.constScanLine(y));
      for (int x = 0; x < w; ++x) mask[y * w + x] = static_cast<std::uint8_t>(qGray(line[x]));
    }
  }
}

void BackingImage::draw_text(int x, int y, std::string_view bytes, QRgb text, QRgb background) {
  const int w = cell_.width(), h = cell_.height();
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const int left = x + static_cast<int>(i) * w;
    if (left < 0 || left + w > image_.width()) continue;
    const std::uint8_t* mask =
        glyphs_.data() + static_cast<std::size_t>(static_cast<unsigned char>(bytes[i]) * w * h);
    for (int dy = 0; dy < h; ++dy) {
      if (y + dy < 0 || y + dy >= image_.height()) continue;
      QRgb* out = row(y + dy) + left;
      for (int dx = 0; dx < w; ++dx) {
        const int coverage = mask[dy * w + dx];
        out[dx] = coverage == 0     ? background
                  : coverage == 255 ? text
                                    : blend(text, background, coverage);
      }
    }
  }
}

void BackingImage::fill(const QRect& area, QRgb colour) {
  const QRect r = area.intersected(image_.rect());
  for (int y = r.top(); y <= r.bottom(); ++y) std::fill_n(row(y) + r.left(), r.width(), colour);
}

void BackingImage::scroll_up(const QRect& area, int dy) {
  const QRect r = area.intersected(image_.rect());
  if (r.isEmpty() || dy <= 0) return;
  const std::size_t bytes = static_cast<std::size_t>(r.width()) * sizeof(QRgb);
  for (int y = r.top(); y + dy <= r.bottom(); ++y)
    std::memmove(row(y) + r.left(), row(y + dy) + r.left(), bytes);
}

}  // namespace console::window
