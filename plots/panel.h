// What every chart is drawn from, with QPainter alone so that any thread may draw into an image,
// SVG or PDF of its own: an axis with its ticks and labels, a plot of series, bands, error bars
// and horizontal lines in data coordinates, and the legend under it.
#pragma once

#include <QColor>
#include <QPainter>
#include <QPen>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <limits>
#include <vector>

#include "results/texts.h"

namespace plots::detail {

// The smallest and largest finite values seen.
struct Extent {
  double lo = std::numeric_limits<double>::infinity();
  double hi = -std::numeric_limits<double>::infinity();
  void add(double v);
  bool empty() const { return lo > hi; }
};

enum class Scale { Linear, Log };

struct Axis {
  Scale scale = Scale::Linear;
  double lo = 0, hi = 1;  // the range shown
  QString title;
  std::vector<double> ticks;  // labelled, each with a grid line
  std::vector<QString> labels;
  std::vector<double> minor;  // grid lines without a label

  // Whether the axis can show `v`: finite, and > 0 on a log axis.
  bool shows(double v) const;
  // Where `v` lies: 0 at lo, 1 at hi (a value it cannot show gives NaN).
  double fraction(double v) const;
};

// A log axis over `e` with a margin, labelled at powers of ten when at least two fall inside;
// otherwise at powers of two (mesh sizes are often halved), widened to take two. Over many
// decades, a label every few decades and no minor lines.
Axis log_axis(const Extent& e, const QString& title);
// A linear axis over `e` widened by `below` and `above` of its span on either side, then to
// whole steps of 1, 2, 2.5 or 5 times a power of ten, at most six of them.
Axis linear_axis(const Extent& e, double below, double above, const QString& title);

enum class Marker { None, Dot, Square, Diamond };

// Points joined in their order by `line` (Qt::NoPen for none), each with `marker`.
struct Series {
  std::vector<QPointF> points;
  QPen line = Qt::NoPen;
  Marker marker = Marker::None;
  QColor colour;
};

// A band over consecutive points (x, low, high); a band of one point is drawn as a narrow box.
struct Band {
  struct Point {
    double x, low, high;
  };
  std::vector<Point> points;
  QColor colour;
};

// Vertical bars from low to high at x, with caps.
struct ErrorBars {
  std::vector<Band::Point> bars;
  QColor colour;
};

// A horizontal line across the plot.
struct Level {
  double y;
  QPen pen;
};

struct LegendEntry {
  QString text;
  QPen line = Qt::NoPen;  // the series' line, if it has one
  Marker marker = Marker::None;
  bool bar = false;   // an error bar across the sample
  bool band = false;  // a box of the band's colour
};

// A column of the legend: a title in its colour over its entries.
struct LegendColumn {
  QString title;
  QColor colour;
  std::vector<LegendEntry> entries;
};

struct Plot {
  QString title;
  Axis x, y;
  // Drawn in this order, each over the ones before.
  std::vector<Band> bands;
  std::vector<Level> levels;
  std::vector<ErrorBars> bars;
  std::vector<Series> series;
  std::vector<LegendColumn> legend;
};

// Draws `plot` into `box`: its title, axes and grid, its contents clipped to the plot area, and
// under it its legend, its columns as wide as their texts side by side as many as fit, then in
// rows, in at least `legend_room` of height (so that plots side by side line up). The legend
// takes at most 40 % of the box: columns beyond are left out, and a last line says how many
// (texts.more_schemes).
void draw(QPainter& painter, const QRectF& box, const Plot& plot,
          const results::Texts::Charts& texts, qreal legend_room = 0);
// The height of the legend `draw` gives `plot` in `box` with `base` as the painter's font.
qreal legend_height(const QFont& base, const QRectF& box, const Plot& plot);

// A light fill of `colour`, for the markers of estimates and the legend's samples.
QColor lighter(const QColor& colour);

}  // namespace plots::detail
