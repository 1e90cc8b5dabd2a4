#include "plots/panel.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace plots::detail {
namespace {

const QColor kGrid(0xdd, 0xdd, 0xdd);
const QColor kMinorGrid(0xef, 0xef, 0xef);
const QColor kAxisLine(0x99, 0x99, 0x99);
const QColor kLabel(0x44, 0x44, 0x44);

// How many integer powers of `base` lie in [lo, hi]: the labels a log axis of that base shows.
double powers_inside(double lo, double hi, double base) {
  return std::floor(std::log(hi) / std::log(base)) - std::ceil(std::log(lo) / std::log(base)) + 1;
}

bool inside(double v, double lo, double hi) {
  const double slack = 1e-9 * (hi - lo);
  return v >= lo - slack && v <= hi + slack;
}

// A point's coordinate from its fraction along an axis, kept within a few widths of the plot so
// that a value far outside never reaches the painter as an enormous or infinite number.
qreal along(qreal start, qreal length, double fraction) {
  return start + length * std::clamp(fraction, -4.0, 5.0);
}

QFont sized(QFont font, qreal points, bool bold) {
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

void draw_marker(QPainter& painter, QPointF centre, Marker marker, const QColor& colour,
                 qreal scale = 1) {
  switch (marker) {
    case Marker::None:
      return;
    case Marker::Dot: {
      const qreal r = 3.5 * scale;
      painter.setPen(Qt::NoPen);
      painter.setBrush(colour);
      painter.drawEllipse(centre, r, r);
      break;
    }
    case Marker::Square: {
      const qreal r = 4.5 * scale;
      painter.setPen(QPen(colour, 1));
      painter.setBrush(lighter(colour));
      painter.drawRect(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r));
      break;
    }
    case Marker::Diamond: {
      const qreal r = 6.5 * scale;
      painter.setPen(QPen(colour.darker(150), 1));
      painter.setBrush(colour);
      painter.drawPolygon(QPolygonF({centre + QPointF(0, -r), centre + QPointF(r, 0),
                                     centre + QPointF(0, r), centre + QPointF(-r, 0)}));
      break;
    }
  }
  painter.setBrush(Qt::NoBrush);
}

void draw_bar(QPainter& painter, qreal x, qreal top, qreal bottom, const QColor& colour) {
  constexpr qreal kCap = 4;
  painter.setPen(QPen(colour, 1.5, Qt::SolidLine, Qt::FlatCap));
  painter.drawLine(QPointF(x, top), QPointF(x, bottom));
  painter.drawLine(QPointF(x - kCap, top), QPointF(x + kCap, top));
  painter.drawLine(QPointF(x - kCap, bottom), QPointF(x + kCap, bottom));
}

QColor translucent(QColor colour, int alpha) {
  colour.setAlpha(alpha);
  return colour;
}

// The legend's layout: columns as wide as their texts, side by side as many as fit in a row
// and sharing what is left of its width, in rows.
struct LegendLayout {
  struct Row {
    std::size_t first = 0, end = 0;  // its columns
    qreal height = 0;
  };
  std::vector<Row> rows;
  std::vector<qreal> widths;  // of every column shown
  std::size_t shown = 0;      // the first columns, the others left out
  qreal row = 0;              // the height of one line
  qreal height = 0;
};

LegendLayout legend_layout(const std::vector<LegendColumn>& legend, qreal width, qreal limit,
                           const QFont& font) {
  LegendLayout l;
  const QFontMetricsF plain(font), bold(sized(font, font.pointSizeF(), true));
  l.row = plain.height() * 1.6;
  std::vector<qreal> natural;
  for (const LegendColumn& c : legend) {
    qreal text = 0;
    for (const LegendEntry& e : c.entries) text = std::max(text, plain.horizontalAdvance(e.text));
    natural.push_back(std::min(
        width, std::max(4.5 * l.row + text, bold.horizontalAdvance(c.title) + l.row) + l.row));
  }
  std::size_t first = 0;
  while (first < legend.size()) {
    std::size_t end = first;
    qreal used = 0;
    std::size_t lines = 0;
    while (end < legend.size() && (end == first || used + natural[end] <= width)) {
      used += natural[end];
      lines = std::max(lines, legend[end].entries.size());
      ++end;
    }
    const qreal height = static_cast<qreal>(lines + 1) * l.row;
    // The first row always; later ones while they fit, keeping a line for the note.
    if (first > 0 && l.height + height + (end < legend.size() ? l.row : 0) > limit) break;
    for (std::size_t c = first; c < end; ++c)
      l.widths.push_back(natural[c] + (width - used) / static_cast<qreal>(end - first));
    l.rows.push_back({first, end, height});
    l.height += height;
    l.shown = first = end;
  }
  if (l.shown < legend.size()) l.height += l.row;
  return l;
}

void draw_sample(QPainter& painter, const QRectF& sample, const LegendEntry& e,
                 const QColor& colour) {
  const QPointF middle = sample.center();
  if (e.band)
    painter.fillRect(QRectF(sample.left(), middle.y() - sample.height() * 0.3, sample.width(),
                            sample.height() * 0.6),
                     translucent(colour, 60));
  if (e.line.style() != Qt::NoPen) {
    painter.setPen(e.line);
    painter.drawLine(QPointF(sample.left(), middle.y()), QPointF(sample.right(), middle.y()));
  }
  if (e.bar)
    draw_bar(painter, middle.x(), sample.top() + sample.height() * 0.15,
             sample.bottom() - sample.height() * 0.15, colour);
  draw_marker(painter, middle, e.marker, colour, 0.9);
}

void draw_legend(QPainter& painter, const QRectF& box, const std::vector<LegendColumn>& legend,
                 const LegendLayout& l, const results::Texts::Charts& texts) {
  const QFont plain = painter.font();
  const QFont bold = sized(plain, plain.pointSizeF(), true);
  const qreal sample = 3 * l.row;
  qreal top = box.top();
  for (const LegendLayout::Row& r : l.rows) {
    qreal left = box.left();
    for (std::size_t c = r.first; c < r.end; ++c) {
      const LegendColumn& col = legend[c];
      const qreal width = l.widths[c];
      const qreal inner = left + l.row;
      const qreal text_left = inner + sample + l.row / 2;
      const qreal text_width = std::max<qreal>(left + width - l.row - text_left, 1);
      painter.setFont(bold);
      painter.setPen(col.colour);
      const qreal title_width = std::max<qreal>(width - 2 * l.row, 1);
      painter.drawText(QRectF(inner, top, title_width, l.row), Qt::AlignVCenter | Qt::AlignLeft,
                       painter.fontMetrics().elidedText(col.title, Qt::ElideRight,
                                                        static_cast<int>(title_width)));
      painter.setFont(plain);
      qreal y = top + l.row;
      for (const LegendEntry& e : col.entries) {
        draw_sample(painter, QRectF(inner, y, sample, l.row), e, col.colour);
        painter.setPen(Qt::black);
        painter.drawText(
            QRectF(text_left, y, text_width, l.row), Qt::AlignVCenter | Qt::AlignLeft,
            painter.fontMetrics().elidedText(e.text, Qt::ElideRight, static_cast<int>(text_width)));
        y += l.row;
      }
      left += width;
    }
    top += r.height;
  }
  if (l.shown < legend.size()) {
    painter.setPen(Qt::black);
    painter.drawText(QRectF(box.left() + l.row, top, box.width() - l.row, l.row),
                     Qt::AlignVCenter | Qt::AlignLeft,
                     QString::fromUtf8(texts.more_schemes.data(),
                                       static_cast<qsizetype>(texts.more_schemes.size()))
                         .arg(legend.size() - l.shown));
  }
}

// Where everything of a plot goes in its box.
struct Geometry {
  QFont labels_font, axis_title_font, title_font;
  qreal gap = 0;
  qreal widest_label = 0;  // of the y axis
  QRectF area;             // the plot area
  LegendLayout legend;
  qreal legend_top = 0;
};

Geometry geometry(const QFont& base, const QRectF& box, const Plot& plot, qreal legend_room) {
  Geometry g;
  g.labels_font = sized(base, 9, false);
  g.axis_title_font = sized(base, 9, true);
  g.title_font = sized(base, 11, true);
  const QFontMetricsF labels(g.labels_font), axis_titles(g.axis_title_font), titles(g.title_font);
  for (const QString& s : plot.y.labels)
    g.widest_label = std::max(g.widest_label, labels.horizontalAdvance(s));
  g.gap = labels.height() * 0.5;
  const qreal left = box.left() + g.gap + axis_titles.height() + g.gap + g.widest_label + g.gap;
  const qreal last_label =
      plot.x.labels.empty() ? 0 : labels.horizontalAdvance(plot.x.labels.back());
  const qreal right = std::max(box.right() - std::max(2 * g.gap, last_label / 2 + g.gap), left + 1);
  g.legend = legend_layout(plot.legend, right - left, box.height() * 0.4, g.labels_font);
  const qreal legend_height = std::max(g.legend.height, legend_room);
  const qreal top = box.top() + titles.height() * 2.2;
  g.legend_top = box.bottom() - legend_height;
  const qreal bottom = g.legend_top - (legend_height > 0 ? 2 * g.gap : 0) - g.gap -
                       labels.height() - g.gap - axis_titles.height() - g.gap;
  g.area = QRectF(QPointF(left, top), QPointF(right, std::max(bottom, top + 1)));
  return g;
}

}  // namespace

qreal legend_height(const QFont& base, const QRectF& box, const Plot& plot) {
  return geometry(base, box, plot, 0).legend.height;
}

void Extent::add(double v) {
  if (!std::isfinite(v)) return;
  lo = std::min(lo, v);
  hi = std::max(hi, v);
}

QColor lighter(const QColor& colour) {
  return colour.lighter(130);
}

bool Axis::shows(double v) const {
  return std::isfinite(v) && (scale == Scale::Linear || v > 0);
}

double Axis::fraction(double v) const {
  if (!shows(v)) return std::numeric_limits<double>::quiet_NaN();
  if (scale == Scale::Log)
    return (std::log10(v) - std::log10(lo)) / (std::log10(hi) - std::log10(lo));
  // In halves, so that no difference of two finite values overflows.
  return (v / 2 - lo / 2) / (hi / 2 - lo / 2);
}

Axis log_axis(const Extent& e, const QString& title) {
  double lo = 0.1, hi = 1;
  if (!e.empty()) {
    lo = e.lo / 1.3 > 0 ? e.lo / 1.3 : e.lo;
    hi = std::isfinite(e.hi * 1.3) ? e.hi * 1.3 : e.hi;
    if (!(hi > lo)) {
      hi = std::isfinite(lo * 10) ? lo * 10 : lo;
      lo = hi / 10;
    }
  }
  if (!(lo > 0 && std::isfinite(hi) && hi > lo)) {
    lo = 0.1;
    hi = 1;
  }
  // Labels at every power of 10, of 2, or of 10^k over many decades (k below).
  int decades_per_label = 1;
  bool binary = false;
  bool minor = true;
  if (powers_inside(lo, hi, 10) < 2) {
    binary = true;
    minor = false;
    if (powers_inside(lo, hi, 2) < 2) {
      const double below = std::exp2(std::floor(std::log2(lo))) * 0.99;
      const double above = std::exp2(std::ceil(std::log2(hi))) * 1.01;
      if (below > 0) lo = below;
      if (std::isfinite(above)) hi = above;
    }
  }
  const double decades = std::log10(hi) - std::log10(lo);
  if (decades > 12) {
    binary = false;
    minor = false;
    decades_per_label = static_cast<int>(std::ceil(decades / 10));
  }
  Axis a;
  a.scale = Scale::Log;
  a.lo = lo;
  a.hi = hi;
  a.title = title;
  const double step = binary ? 1.0 : decades_per_label;
  const double first = std::ceil((binary ? std::log2(lo) : std::log10(lo)) / step - 1e-9);
  const double last = std::floor((binary ? std::log2(hi) : std::log10(hi)) / step + 1e-9);
  for (double n = first; n <= last; ++n) {
    const double v = binary ? std::exp2(n) : std::pow(10.0, n * step);
    if (!inside(v, lo, hi)) continue;
    a.ticks.push_back(v);
    a.labels.push_back(QString::number(v, 'g', 3));
  }
  if (minor) {
    for (double n = std::floor(std::log10(lo)); n <= std::ceil(std::log10(hi)); ++n)
      for (int m = 2; m <= 9; ++m) {
        const double v = m * std::pow(10.0, n);
        if (v > lo && v < hi) a.minor.push_back(v);
      }
  }
  return a;
}

Axis linear_axis(const Extent& e, double below, double above, const QString& title) {
  double lo = 0, hi = 1;
  if (!e.empty()) {
    lo = e.lo;
    hi = e.hi;
    const double half = hi / 2 - lo / 2;
    if (half > 0) {
      const double l = lo - 2 * half * below, h = hi + 2 * half * above;
      if (std::isfinite(l)) lo = l;
      if (std::isfinite(h)) hi = h;
    } else {
      // One value: a tenth of it on either side.
      const double pad = 0.1 * std::fabs(lo);
      if (std::isfinite(lo - pad)) lo -= pad;
      if (std::isfinite(hi + pad)) hi += pad;
    }
    if (!(hi > lo)) {
      lo = e.lo - 1;
      hi = e.hi + 1;
    }
  }
  if (!(std::isfinite(lo) && std::isfinite(hi) && hi > lo)) {
    lo = -1;
    hi = 1;
  }
  Axis a;
  a.scale = Scale::Linear;
  a.title = title;
  // At most six steps of 1, 2, 2.5 or 5 times a power of ten.
  const double raw = (hi / 2 - lo / 2) / 3;
  double step = 0, first = 0, last = 0;
  int step_digits = 1;  // 2 for 2.5
  if (raw > 0) {
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 2.5, 5.0, 10.0})
      if (step == 0 && m * magnitude >= raw) {
        step = m * magnitude;
        step_digits = m == 2.5 ? 2 : 1;
      }
  }
  if (step > 0) {
    first = std::floor(lo / step);
    last = std::ceil(hi / step);
  }
  if (step > 0 && std::isfinite(first * step) && std::isfinite(last * step) && last - first <= 20 &&
      last > first) {
    a.lo = first * step;
    a.hi = last * step;
    const double largest = std::max(std::fabs(a.lo), std::fabs(a.hi));
    // Enough digits to tell the ticks apart, and no more.
    const int digits = std::clamp(
        static_cast<int>(std::floor(std::log10(largest)) - std::floor(std::log10(step))) +
            step_digits,
        1, 15);
    for (double k = first; k <= last; ++k) {
      const double v = k == 0 ? 0.0 : k * step;
      a.ticks.push_back(v);
      a.labels.push_back(QString::number(v, 'g', digits));
    }
  } else {
    a.lo = lo;
    a.hi = hi;
    for (int i = 0; i <= 4; ++i) {
      const double t = i / 4.0;
      const double v = lo * (1 - t) + hi * t;
      a.ticks.push_back(v);
      a.labels.push_back(QString::number(v, 'g', 6));
    }
  }
  return a;
}

void draw(QPainter& painter, const QRectF& box, const Plot& plot,
          const results::Texts::Charts& texts, qreal legend_room) {
  painter.save();
  const Geometry g = geometry(painter.font(), box, plot, legend_room);
  const QRectF& area = g.area;
  const qreal gap = g.gap, widest = g.widest_label;
  const QFontMetricsF labels(g.labels_font), axis_titles(g.axis_title_font);
  const QFont& label_font = g.labels_font;
  const QFont& axis_title_font = g.axis_title_font;
  const QFont& title_font = g.title_font;
  const qreal title_height = area.top() - box.top();

  auto x_at = [&](double v) { return along(area.left(), area.width(), plot.x.fraction(v)); };
  auto y_at = [&](double v) { return along(area.bottom(), -area.height(), plot.y.fraction(v)); };

  // Title, grid, axes and their labels.
  painter.setFont(title_font);
  painter.setPen(QColor(0x33, 0x33, 0x33));
  painter.drawText(QRectF(area.left(), box.top(), area.width(), title_height), Qt::AlignCenter,
                   plot.title);
  painter.setPen(QPen(kMinorGrid, 1));
  for (double v : plot.x.minor)
    painter.drawLine(QPointF(x_at(v), area.top()), QPointF(x_at(v), area.bottom()));
  for (double v : plot.y.minor)
    painter.drawLine(QPointF(area.left(), y_at(v)), QPointF(area.right(), y_at(v)));
  painter.setPen(QPen(kGrid, 1));
  for (double v : plot.x.ticks)
    painter.drawLine(QPointF(x_at(v), area.top()), QPointF(x_at(v), area.bottom()));
  for (double v : plot.y.ticks)
    painter.drawLine(QPointF(area.left(), y_at(v)), QPointF(area.right(), y_at(v)));
  painter.setPen(QPen(kAxisLine, 1));
  painter.drawLine(area.bottomLeft(), area.bottomRight());
  painter.drawLine(area.bottomLeft(), area.topLeft());

  painter.setFont(label_font);
  painter.setPen(kLabel);
  for (std::size_t i = 0; i < plot.x.ticks.size(); ++i) {
    const qreal x = x_at(plot.x.ticks[i]);
    painter.drawText(QRectF(x - 100, area.bottom() + gap, 200, labels.height()),
                     Qt::AlignHCenter | Qt::AlignTop, plot.x.labels[i]);
  }
  for (std::size_t i = 0; i < plot.y.ticks.size(); ++i) {
    const qreal y = y_at(plot.y.ticks[i]);
    painter.drawText(
        QRectF(area.left() - gap - widest - 1, y - labels.height() / 2, widest, labels.height()),
        Qt::AlignRight | Qt::AlignVCenter, plot.y.labels[i]);
  }
  painter.setFont(axis_title_font);
  painter.drawText(QRectF(area.left(), area.bottom() + gap + labels.height() + gap, area.width(),
                          axis_titles.height()),
                   Qt::AlignHCenter | Qt::AlignTop, plot.x.title);
  painter.save();
  painter.translate(box.left() + gap, area.center().y());
  painter.rotate(-90);
  painter.drawText(QRectF(-area.height() / 2, 0, area.height(), axis_titles.height()),
                   Qt::AlignHCenter | Qt::AlignTop, plot.y.title);
  painter.restore();

  // The contents, clipped to the plot area and a margin for the markers on its edges.
  painter.save();
  painter.setClipRect(area.adjusted(-8, -8, 8, 8));
  for (const Band& b : plot.bands) {
    if (b.points.empty()) continue;
    painter.setPen(Qt::NoPen);
    painter.setBrush(translucent(b.colour, 60));
    if (b.points.size() == 1) {
      const Band::Point& p = b.points.front();
      const qreal x = x_at(p.x);
      painter.drawRect(QRectF(QPointF(x - 7, y_at(p.high)), QPointF(x + 7, y_at(p.low))));
    } else {
      QPolygonF outline;
      for (const Band::Point& p : b.points) outline << QPointF(x_at(p.x), y_at(p.high));
      for (auto p = b.points.rbegin(); p != b.points.rend(); ++p)
        outline << QPointF(x_at(p->x), y_at(p->low));
      painter.drawPolygon(outline);
    }
    painter.setBrush(Qt::NoBrush);
  }
  for (const Level& l : plot.levels) {
    painter.setPen(l.pen);
    painter.drawLine(QPointF(area.left(), y_at(l.y)), QPointF(area.right(), y_at(l.y)));
  }
  for (const ErrorBars& b : plot.bars)
    for (const Band::Point& p : b.bars)
      draw_bar(painter, x_at(p.x), y_at(p.high), y_at(p.low), b.colour);
  for (const Series& s : plot.series) {
    std::vector<QPointF> points;
    points.reserve(s.points.size());
    for (const QPointF& p : s.points) points.emplace_back(x_at(p.x()), y_at(p.y()));
    if (s.line.style() != Qt::NoPen && points.size() > 1) {
      painter.setPen(s.line);
      painter.drawPolyline(points.data(), static_cast<int>(points.size()));
    }
    for (const QPointF& p : points) draw_marker(painter, p, s.marker, s.colour);
  }
  painter.restore();

  // The legend under the plot area, indented to it.
  painter.setFont(label_font);
  draw_legend(painter, QRectF(area.left(), g.legend_top, area.width(), g.legend.height),
              plot.legend, g.legend, texts);
  painter.restore();
}

}  // namespace plots::detail
