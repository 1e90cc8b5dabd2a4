#include "plots/charts.h"

#include <QBuffer>
#include <QChart>
#include <QFont>
#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QLegend>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPdfWriter>
#include <QScatterSeries>
#include <QSvgGenerator>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "results/file_safe.h"

namespace plots {
namespace {

constexpr int kLow = 0;
constexpr int kHigh = 1;

const QColor kSchemeColour[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28)};

bool on_log_axis(double v) {
  return std::isfinite(v) && v > 0;
}

// A legend entry, with the count of points a log axis could not show.
QString entry(const QString& name, int omitted) {
  if (omitted == 0) return name;
  return name + (omitted == 1 ? QStringLiteral(" (1 ponto omitido)")
                              : QStringLiteral(" (%1 pontos omitidos)").arg(omitted));
}

QString number(double v) {
  return QString::number(v, 'g', 6);
}

// The smallest and largest values seen, for the axes' ranges.
struct Extent {
  double lo = std::numeric_limits<double>::infinity();
  double hi = -std::numeric_limits<double>::infinity();
  void add(double v) {
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  bool empty() const { return lo > hi; }
};

// How many integer powers of `base` lie in [lo, hi]: the labels a log axis of that base shows.
double powers_inside(double lo, double hi, double base) {
  return std::floor(std::log(hi) / std::log(base)) - std::ceil(std::log(lo) / std::log(base)) + 1;
}

// The values with a margin, in finite positive numbers, labelled at powers of ten when at least
// two fall inside; otherwise at powers of two (mesh sizes are often halved), widened to take two.
// Over many decades, a label every few decades and no minor lines, which would otherwise number
// in the thousands.
void set_log_range(QLogValueAxis* axis, const Extent& e) {
  double lo = 0.1, hi = 1;
  if (!e.empty()) {
    lo = e.lo / 1.3 > 0 ? e.lo / 1.3 : e.lo;
    hi = std::isfinite(e.hi * 1.3) ? e.hi * 1.3 : e.hi;
    if (!(hi > lo)) {
      hi = std::isfinite(lo * 10) ? lo * 10 : lo;
      lo = hi / 10;
    }
  }
  double base = 10;
  int minor_ticks = 8;
  if (powers_inside(lo, hi, 10) < 2) {
    base = 2;
    minor_ticks = 0;
    if (powers_inside(lo, hi, 2) < 2) {
      const double below = std::exp2(std::floor(std::log2(lo))) * 0.99;
      const double above = std::exp2(std::ceil(std::log2(hi))) * 1.01;
      if (below > 0) lo = below;
      if (std::isfinite(above)) hi = above;
    }
  }
  const double decades = std::log10(hi) - std::log10(lo);
  if (decades > 12) {
    base = std::pow(10.0, std::ceil(decades / 10));
    minor_ticks = 0;
  }
  axis->setRange(lo, hi);
  axis->setBase(base);
  axis->setMinorTickCount(minor_ticks);
}

QPen pen(const QColor& colour, Qt::PenStyle style, qreal width = 2) {
  QPen p(colour, width, style);
  p.setCapStyle(Qt::FlatCap);
  return p;
}

// One line of a chart's legend, drawn under the chart in its scheme's column.
struct LegendEntry {
  int scheme = kLow;
  QString text;
  QPen line = Qt::NoPen;  // the series' line, if it has one
  bool marker = false;    // a dot (on a line) or a square (alone)
};
using Legend = std::vector<LegendEntry>;

class ChartBuilder {
 public:
  explicit ChartBuilder(const results::VariableResult& var) : var_(var) {}

  const Legend& errors_legend() const { return errors_legend_; }
  const Legend& orders_legend() const { return orders_legend_; }

  QChart* errors() {
    auto* chart = new_chart(QStringLiteral("Erro em relação à solução exata"));
    auto* x = log_axis(QStringLiteral("h"));
    auto* y = log_axis(QStringLiteral("|T − Te|"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    Extent hx, ey;
    for (int k : {kLow, kHigh}) {
      const model::Series& s = var_.numbers.schemes[k];
      const double exact = var_.numbers.exact;
      auto* solution = new QLineSeries;
      auto* estimate = new QScatterSeries;
      int solution_omitted = 0, estimate_omitted = 0;
      double finest_h = 0, finest_e = 0;
      Extent scheme_h;
      for (std::size_t i = 0; i < s.mesh_count(); ++i) {
        const double h = s.h[i];
        const double e = std::fabs(s.value[i] - exact);
        if (on_log_axis(h) && on_log_axis(e)) {
          solution->append(h, e);
          hx.add(h);
          ey.add(e);
          scheme_h.add(h);
          if (finest_h == 0 || h < finest_h) {
            finest_h = h;
            finest_e = e;
          }
        } else {
          ++solution_omitted;
        }
        if (!model::ends_triplet(i)) continue;
        const double ea = std::fabs(s.ti_a[i] - exact);
        if (on_log_axis(h) && on_log_axis(ea)) {
          estimate->append(h, ea);
          hx.add(h);
          ey.add(ea);
        } else {
          ++estimate_omitted;
        }
      }
      solution->setPen(pen(kSchemeColour[k], Qt::SolidLine));
      solution->setPointsVisible(true);
      errors_legend_.push_back({k, entry("Th", solution_omitted), solution->pen(), true});
      errors_legend_.push_back({k, entry("Ti_a", estimate_omitted), Qt::NoPen, true});
      estimate->setColor(kSchemeColour[k].lighter(130));
      estimate->setBorderColor(kSchemeColour[k]);
      estimate->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
      estimate->setMarkerSize(9);
      add(chart, solution, x, y);
      add(chart, estimate, x, y);

      // The formal order's slope through the finest point shown, across the scheme's sizes.
      const double pl = s.formal_order;
      if (finest_h > 0 && std::isfinite(pl)) {
        auto* reference = new QLineSeries;
        for (double h : {scheme_h.lo, scheme_h.hi}) {
          const double e = finest_e * std::pow(h / finest_h, pl);
          if (!on_log_axis(e)) continue;
          reference->append(h, e);
          ey.add(e);
        }
        reference->setPen(pen(kSchemeColour[k], Qt::DashLine, 1.5));
        add(chart, reference, x, y);
        errors_legend_.push_back(
            {k, QStringLiteral("inclinação pL = %1").arg(number(pl)), reference->pen(), false});
      }
    }
    set_log_range(x, hx);
    set_log_range(y, ey);
    h_extent_ = hx;
    return chart;
  }

  QChart* orders() {
    auto* chart = new_chart(QStringLiteral("Ordem aparente"));
    auto* x = log_axis(QStringLiteral("h"));
    auto* y = new QValueAxis;
    y->setTitleText(QStringLiteral("pa"));
    y->setLabelFormat("%g");
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    Extent hx = h_extent_, py;
    for (int k : {kLow, kHigh}) {
      const model::Series& s = var_.numbers.schemes[k];
      auto* orders = new QLineSeries;
      int omitted = 0;
      for (std::size_t i = model::kFirstTripletMesh; i < s.mesh_count(); ++i) {
        const double h = s.h[i];
        const double pa = s.apparent_order[i];
        if (on_log_axis(h) && std::isfinite(pa)) {
          orders->append(h, pa);
          hx.add(h);
          py.add(pa);
        } else {
          ++omitted;
        }
      }
      orders->setPen(pen(kSchemeColour[k], Qt::SolidLine));
      orders->setPointsVisible(true);
      add(chart, orders, x, y);
      orders_legend_.push_back({k, entry("pa", omitted), orders->pen(), true});
    }
    set_log_range(x, hx);
    for (int k : {kLow, kHigh}) {
      const double pl = var_.numbers.schemes[k].formal_order;
      if (!std::isfinite(pl)) continue;
      auto* formal = new QLineSeries;
      formal->append(x->min(), pl);
      formal->append(x->max(), pl);
      py.add(pl);
      formal->setPen(pen(kSchemeColour[k], Qt::DashLine, 1.5));
      add(chart, formal, x, y);
      orders_legend_.push_back(
          {k, QStringLiteral("ordem assintótica pL = %1").arg(number(pl)), formal->pen(), false});
    }
    double lo = py.empty() ? 0 : py.lo, hi = py.empty() ? 1 : py.hi;
    const double pad = hi > lo ? 0.08 * (hi - lo) : std::max(0.5, 0.08 * std::fabs(lo));
    if (std::isfinite(lo - pad) && std::isfinite(hi + pad)) {
      lo -= pad;
      hi += pad;
    }
    y->setRange(lo, hi);
    if (hi - lo < 1e300) y->applyNiceNumbers();
    return chart;
  }

 private:
  static QChart* new_chart(const QString& title) {
    auto* chart = new QChart;
    chart->setTitle(title);
    QFont f = chart->titleFont();
    f.setPointSizeF(f.pointSizeF() * 1.2);
    f.setBold(true);
    chart->setTitleFont(f);
    chart->setBackgroundRoundness(0);
    chart->setAnimationOptions(QChart::NoAnimation);
    // The charts' own legend lays its entries out on one line and cuts them short; ours
    // (draw_legend) gives each scheme a column.
    chart->legend()->hide();
    return chart;
  }

  static QLogValueAxis* log_axis(const QString& title) {
    auto* axis = new QLogValueAxis;
    axis->setBase(10);
    axis->setLabelFormat("%.3g");
    axis->setTitleText(title);
    return axis;
  }

  static void add(QChart* chart, QXYSeries* series, QAbstractAxis* x, QAbstractAxis* y) {
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
  }

  const results::VariableResult& var_;
  Extent h_extent_;
  Legend errors_legend_;
  Legend orders_legend_;
};

constexpr int kLegendRows = 4;  // the scheme's title and at most three entries

// The legend of one chart in `box`: a column per scheme headed by its title as in the report.
void draw_legend(QPainter& painter, const QRectF& box, const Legend& legend) {
  static const QString kTitle[] = {QStringLiteral("Esquema de Ordem Baixa"),
                                   QStringLiteral("Esquema de Ordem Alta")};
  const qreal row = box.height() / kLegendRows;
  const qreal column = box.width() / 2;
  const qreal sample = 3 * row;
  QFont plain = painter.font();
  plain.setBold(false);
  QFont bold = plain;
  bold.setBold(true);
  for (int k : {kLow, kHigh}) {
    const qreal left = box.left() + k * column + row;
    painter.setFont(bold);
    painter.setPen(kSchemeColour[k]);
    painter.drawText(QRectF(left, box.top(), column - row, row), Qt::AlignVCenter | Qt::AlignLeft,
                     kTitle[k]);
    painter.setFont(plain);
    int line = 1;
    for (const LegendEntry& e : legend) {
      if (e.scheme != k) continue;
      const qreal y = box.top() + (line + 0.5) * row;
      const QPointF middle(left + sample / 2, y);
      if (e.line.style() != Qt::NoPen) {
        painter.setPen(e.line);
        painter.drawLine(QPointF(left, y), QPointF(left + sample, y));
      }
      if (e.marker) {
        painter.setPen(QPen(kSchemeColour[k], 1));
        painter.setBrush(e.line.style() == Qt::NoPen ? kSchemeColour[k].lighter(130)
                                                     : kSchemeColour[k]);
        const qreal r = e.line.style() == Qt::NoPen ? row * 0.28 : row * 0.18;
        const QRectF dot(middle.x() - r, middle.y() - r, 2 * r, 2 * r);
        if (e.line.style() == Qt::NoPen) {
          painter.drawRect(dot);
        } else {
          painter.drawEllipse(dot);
        }
        painter.setBrush(Qt::NoBrush);
      }
      painter.setPen(Qt::black);
      const QRectF text(left + sample + row / 2, y - row / 2, column - sample - 2 * row, row);
      painter.drawText(
          text, Qt::AlignVCenter | Qt::AlignLeft,
          painter.fontMetrics().elidedText(e.text, Qt::ElideRight, static_cast<int>(text.width())));
      ++line;
    }
  }
}

}  // namespace

std::string_view extension(Format format) {
  switch (format) {
    case Format::Png:
      return "png";
    case Format::Pdf:
      return "pdf";
    case Format::Svg:
      break;
  }
  return "svg";
}

std::optional<Format> format_named(std::string_view name) {
  for (Format f : {Format::Svg, Format::Png, Format::Pdf})
    if (extension(f) == name) return f;
  return std::nullopt;
}

void paint(QPainter& painter, const QRectF& target, const results::VariableResult& var) {
  painter.save();
  painter.fillRect(target, Qt::white);
  QFont heading = painter.font();
  heading.setPointSizeF(13);
  heading.setBold(true);
  painter.setFont(heading);
  const qreal heading_height = QFontMetricsF(heading).height() * 1.8;
  const QRectF heading_box(target.left(), target.top(), target.width(), heading_height);
  const QString name = QString::fromStdString(var.numbers.name);
  painter.setPen(Qt::black);
  painter.drawText(heading_box, Qt::AlignCenter,
                   QStringLiteral("Variável %1%2")
                       .arg(var.numbers.number)
                       .arg(name.isEmpty() ? QString() : ": " + name));

  QFont legend_font = painter.font();
  legend_font.setPointSizeF(9);
  legend_font.setBold(false);
  const qreal legend_height = QFontMetricsF(legend_font).height() * 1.6 * kLegendRows;

  QGraphicsScene scene;
  ChartBuilder builder(var);
  QChart* left = builder.errors();
  QChart* right = builder.orders();
  scene.addItem(left);
  scene.addItem(right);
  const qreal w = target.width() / 2;
  const qreal h = std::max<qreal>(target.height() - heading_height - legend_height, 1);
  left->setGeometry(QRectF(0, 0, w, h));
  right->setGeometry(QRectF(w, 0, w, h));
  scene.setSceneRect(0, 0, target.width(), h);
  const qreal top = target.top() + heading_height;
  scene.render(&painter, QRectF(target.left(), top, target.width(), h), scene.sceneRect());

  painter.setFont(legend_font);
  const qreal legend_top = top + h;
  // Under each chart, indented to its plot area.
  for (int side = 0; side < 2; ++side) {
    QChart* chart = side == 0 ? left : right;
    const QRectF plot = chart->plotArea();
    const QRectF box(target.left() + side * w + plot.left(), legend_top, plot.width(),
                     legend_height);
    draw_legend(painter, box, side == 0 ? builder.errors_legend() : builder.orders_legend());
  }
  painter.restore();
}

QImage render_image(const results::VariableResult& var, QSize size) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  paint(painter, QRectF(QPointF(0, 0), QSizeF(size)), var);
  return image;
}

QByteArray encode(const results::VariableResult& var, Format format, QSize size) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  const QRectF area(QPointF(0, 0), QSizeF(size));
  switch (format) {
    case Format::Png:
      render_image(var, size).save(&buffer, "PNG");
      break;
    case Format::Svg: {
      QSvgGenerator svg;
      svg.setOutputDevice(&buffer);
      svg.setSize(size);
      svg.setViewBox(area);
      svg.setResolution(96);
      svg.setTitle(QStringLiteral("Tavo"));
      QPainter painter(&svg);
      painter.setRenderHint(QPainter::Antialiasing);
      paint(painter, area, var);
      break;
    }
    case Format::Pdf: {
      QPdfWriter pdf(&buffer);
      pdf.setResolution(96);
      pdf.setPageSize(QPageSize(QSizeF(size) * 72.0 / 96.0, QPageSize::Point));
      pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
      pdf.setCreator(QStringLiteral("Tavo"));
      QPainter painter(&pdf);
      painter.setRenderHint(QPainter::Antialiasing);
      paint(painter, area, var);
      break;
    }
  }
  return bytes;
}

std::string file_name(const model::Variable& var, Format format) {
  const std::string safe = results::file_safe(var.name);
  std::string name = std::to_string(var.number);
  if (!safe.empty()) name += "-" + safe;
  return name + "." + std::string(extension(format));
}

}  // namespace plots
