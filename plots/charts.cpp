#include "plots/charts.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <vector>

#include "plots/panel.h"
#include "plots/png.h"
#include "results/eca_hoekstra.h"
#include "results/file_safe.h"

namespace plots {
namespace {

using namespace detail;

constexpr const char* kFontFamily = "Liberation Sans";

// The generator names the painter's family alone, and the device's default for its outer
// group: every text gets the chart family with fallbacks of the same widths instead.
void name_font_fallbacks(QByteArray& svg) {
  static const QByteArray attribute = "font-family=\"";
  static const QByteArray families = QByteArray(kFontFamily) + ", Arial, Helvetica, sans-serif";
  for (qsizetype at = svg.indexOf(attribute); at >= 0; at = svg.indexOf(attribute, at)) {
    at += attribute.size();
    const qsizetype end = svg.indexOf('"', at);
    if (end < 0) break;
    svg.replace(at, end - at, families);
    at += families.size() + 1;
  }
}

// Low and high as the report's charts always had them, then more for a study's schemes.
constexpr QRgb kPalette[] = {0x1f77b4, 0xd62728, 0x2ca02c, 0xff7f0e, 0x9467bd,
                             0x8c564b, 0xe377c2, 0x7f7f7f, 0xbcbd22, 0x17becf};

QColor colour_of(std::size_t scheme) {
  return QColor(kPalette[scheme % std::size(kPalette)]);
}

QString text(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString number(double v) {
  return QString::number(v, 'g', 6);
}

bool on_log_axis(double v) {
  return std::isfinite(v) && v > 0;
}

QPen pen(const QColor& colour, Qt::PenStyle style, qreal width = 2) {
  QPen p(colour, width, style);
  p.setCapStyle(Qt::FlatCap);
  return p;
}

const QPen kExactPen = [] {
  QPen p(QColor(0x22, 0x22, 0x22), 1.5, Qt::DashDotLine);
  p.setCapStyle(Qt::FlatCap);
  return p;
}();

bool has_exact(const model::Variable& var) {
  return std::isfinite(var.exact);
}

Series series_of(const QPen& line, Marker marker, const QColor& colour) {
  Series s;
  s.line = line;
  s.marker = marker;
  s.colour = colour;
  return s;
}

LegendEntry entry(const QString& text, const QPen& line = Qt::NoPen, Marker marker = Marker::None) {
  LegendEntry e;
  e.text = text;
  e.line = line;
  e.marker = marker;
  return e;
}

// What a chart of one variable is made from, in one language.
class Builder {
 public:
  Builder(const results::VariableResult& var, const results::Texts& texts)
      : var_(var), texts_(texts), t_(texts.chart) {
    for (const model::Series& s : var.numbers.schemes)
      for (std::size_t i = 0; i < s.mesh_count(); ++i)
        if (on_log_axis(s.h[i])) sizes_.add(s.h[i]);
  }

  // Every scheme's error of Th and of Ti_a, each with its formal slope.
  Plot errors() const {
    Plot plot;
    plot.title = text(t_.errors_title);
    Extent errors;
    const double exact = var_.numbers.exact;
    for (std::size_t k = 0; k < scheme_count(); ++k) {
      const model::Series& s = var_.numbers.schemes[k];
      const QColor colour = colour_of(k);
      Series solution = series_of(pen(colour, Qt::SolidLine), Marker::Dot, colour);
      Series estimate = series_of(Qt::NoPen, Marker::Square, colour);
      int solution_omitted = 0, estimate_omitted = 0;
      std::optional<QPointF> finest;
      Extent scheme_sizes;
      for (std::size_t i = 0; i < s.mesh_count(); ++i) {
        const double h = s.h[i];
        const double e = std::fabs(s.value[i] - exact);
        if (on_log_axis(h) && on_log_axis(e)) {
          solution.points.emplace_back(h, e);
          errors.add(e);
          scheme_sizes.add(h);
          if (!finest || h < finest->x()) finest = QPointF(h, e);
        } else {
          ++solution_omitted;
        }
        if (!model::ends_triplet(i)) continue;
        const double ea = std::fabs(s.ti_a[i] - exact);
        if (on_log_axis(h) && on_log_axis(ea)) {
          estimate.points.emplace_back(h, ea);
          errors.add(ea);
        } else {
          ++estimate_omitted;
        }
      }
      LegendColumn column{scheme_title(k), colour, {}};
      column.entries.push_back(entry(omitted("Th", solution_omitted), solution.line, Marker::Dot));
      column.entries.push_back(entry(omitted("Ti_a", estimate_omitted), Qt::NoPen, Marker::Square));
      plot.series.push_back(std::move(solution));
      plot.series.push_back(std::move(estimate));

      // The formal order's slope through the finest point shown, across the scheme's sizes.
      const double pl = s.formal_order;
      if (finest && std::isfinite(pl)) {
        Series reference = series_of(pen(colour, Qt::DashLine, 1.5), Marker::None, colour);
        for (double h : {scheme_sizes.hi, scheme_sizes.lo}) {
          const double e = finest->y() * std::pow(h / finest->x(), pl);
          if (!on_log_axis(e)) continue;
          reference.points.emplace_back(h, e);
          errors.add(e);
        }
        column.entries.push_back(entry(text(t_.slope).arg(number(pl)), reference.line));
        // Drawn first, under the points.
        plot.series.insert(plot.series.begin(), std::move(reference));
      }
      plot.legend.push_back(std::move(column));
    }
    plot.x = log_axis(sizes_, QStringLiteral("h"));
    plot.y = log_axis(errors, QStringLiteral("|T − Te|"));
    return plot;
  }

  // Every scheme's apparent order, with its formal order as a level.
  Plot orders() const {
    Plot plot;
    plot.title = text(t_.orders_title);
    Extent orders;
    for (std::size_t k = 0; k < scheme_count(); ++k) {
      const model::Series& s = var_.numbers.schemes[k];
      const QColor colour = colour_of(k);
      Series series = series_of(pen(colour, Qt::SolidLine), Marker::Dot, colour);
      int omitted_points = 0;
      for (std::size_t i = model::kFirstTripletMesh; i < s.mesh_count(); ++i) {
        const double h = s.h[i], pa = s.apparent_order[i];
        if (on_log_axis(h) && std::isfinite(pa)) {
          series.points.emplace_back(h, pa);
          orders.add(pa);
        } else {
          ++omitted_points;
        }
      }
      LegendColumn column{scheme_title(k), colour, {}};
      column.entries.push_back(entry(omitted("pa", omitted_points), series.line, Marker::Dot));
      const double pl = s.formal_order;
      if (std::isfinite(pl)) {
        plot.levels.push_back({pl, pen(colour, Qt::DashLine, 1.5)});
        orders.add(pl);
        column.entries.push_back(
            entry(text(t_.formal_order).arg(number(pl)), plot.levels.back().pen));
      }
      plot.series.push_back(std::move(series));
      plot.legend.push_back(std::move(column));
    }
    plot.x = log_axis(sizes_, QStringLiteral("h"));
    plot.y = linear_axis(orders, 0.08, 0.08, QStringLiteral("pa"));
    return plot;
  }

  // Every scheme's values with their uncertainty, GCI band and extrapolation to h = 0, and the
  // exact value.
  Plot values() const {
    Plot plot;
    plot.title = text(t_.values_title);
    Extent sizes, values;
    sizes.add(0);
    const double exact = var_.numbers.exact;
    if (has_exact(var_.numbers)) {
      LegendColumn column{text(t_.exact_solution), kExactPen.color(), {}};
      column.entries.push_back(entry("Te = " + number(exact), kExactPen));
      plot.legend.push_back(std::move(column));
      plot.levels.push_back({exact, kExactPen});
      values.add(exact);
    }
    for (std::size_t k = 0; k < scheme_count(); ++k) {
      const model::Series& s = var_.numbers.schemes[k];
      const results::SchemeMeasures* m = measures(k);
      const QColor colour = colour_of(k);
      Series series = series_of(pen(colour, Qt::SolidLine), Marker::Dot, colour);
      ErrorBars bars{{}, colour};
      Band band{{}, colour};
      int omitted_points = 0;
      bool any_band = false;
      auto end_band = [&] {
        if (band.points.empty()) return;
        any_band = true;
        plot.bands.push_back(std::move(band));
        band = Band{{}, colour};
      };
      for (std::size_t i = 0; i < s.mesh_count(); ++i) {
        const double h = s.h[i], v = s.value[i];
        if (!(std::isfinite(h) && std::isfinite(v))) {
          ++omitted_points;
          end_band();
          continue;
        }
        series.points.emplace_back(h, v);
        sizes.add(h);
        values.add(v);
        const double u = m != nullptr && i < m->u.size() ? m->u[i] : model::kUndefined;
        if (std::isfinite(u) && u > 0) {
          bars.bars.push_back({h, v - u, v + u});
          values.add(v - u);
          values.add(v + u);
        }
        const double gci = m != nullptr && i < m->gci.size() ? m->gci[i] : model::kUndefined;
        const double half = gci * std::fabs(v);
        if (std::isfinite(half) && half >= 0) {
          band.points.push_back({h, v - half, v + half});
          values.add(v - half);
          values.add(v + half);
        } else {
          end_band();
        }
      }
      end_band();

      LegendColumn column{scheme_title(k), colour, {}};
      const bool with_u = !bars.bars.empty();
      column.entries.push_back(
          entry(with_u ? omitted(text(t_.value_with_u), omitted_points)
                       : omitted(QStringLiteral("Th"), omitted_points, no_uncertainty(m)),
                series.line, Marker::Dot));
      column.entries.back().bar = with_u;
      if (any_band) {
        column.entries.push_back(entry(text(t_.gci_band)));
        column.entries.back().band = true;
      }
      if (const std::optional<std::pair<double, QString>> at_zero = extrapolated(s, m)) {
        plot.series.push_back(series_of(Qt::NoPen, Marker::Diamond, colour));
        plot.series.back().points.emplace_back(0, at_zero->first);
        values.add(at_zero->first);
        column.entries.push_back(entry(at_zero->second, Qt::NoPen, Marker::Diamond));
      }
      plot.bars.push_back(std::move(bars));
      // Under the extrapolated values' markers, which come first.
      plot.series.insert(plot.series.begin(), std::move(series));
      plot.legend.push_back(std::move(column));
    }
    plot.x = linear_axis(sizes, 0, 0, QStringLiteral("h"));
    plot.y = linear_axis(values, 0.06, 0.06, QStringLiteral("T"));
    return plot;
  }

 private:
  std::size_t scheme_count() const { return var_.numbers.schemes.size(); }

  const results::SchemeMeasures* measures(std::size_t k) const {
    return k < var_.measures.schemes.size() ? &var_.measures.schemes[k] : nullptr;
  }

  // The run's two schemes by the report's titles, a study's by their names.
  QString scheme_title(std::size_t k) const {
    const std::string_view name = var_.numbers.schemes[k].scheme;
    if (name == "low") return text(t_.low_scheme);
    if (name == "high") return text(t_.high_scheme);
    return text(name);
  }

  // A legend entry with the count of points an axis could not show, then `note`.
  QString omitted(const QString& name, int count, const QString& note = QString()) const {
    QStringList parts;
    if (count > 0) parts << (count == 1 ? text(t_.one_omitted) : text(t_.omitted).arg(count));
    if (!note.isEmpty()) parts << note;
    return parts.isEmpty() ? name : name + " (" + parts.join("; ") + ")";
  }

  // Why a scheme has no U, if it has none.
  QString no_uncertainty(const results::SchemeMeasures* m) const {
    if (m == nullptr) return QString();
    std::string_view why;
    switch (m->uncertainty.outcome) {
      case results::UncertaintyOutcome::TooFewMeshes:
        why = texts_.too_few_meshes;
        break;
      case results::UncertaintyOutcome::InvalidData:
        why = texts_.invalid_data;
        break;
      case results::UncertaintyOutcome::NoFit:
        why = texts_.no_fit;
        break;
      case results::UncertaintyOutcome::Estimated:
      case results::UncertaintyOutcome::GridIndependent:
        return QString();
    }
    return text(texts_.no_uncertainty) + ": " + text(why);
  }

  // The value at h = 0 and its legend entry: the Eca-Hoekstra phi0 when there is an estimate,
  // else Ti_a of the finest triplet.
  std::optional<std::pair<double, QString>> extrapolated(const model::Series& s,
                                                         const results::SchemeMeasures* m) const {
    if (m != nullptr) {
      const results::Uncertainty& u = m->uncertainty;
      if (u.outcome == results::UncertaintyOutcome::Estimated && std::isfinite(u.phi0)) {
        const QString how =
            text(results::expansion_name(u.estimator)) + ", " +
            text(u.weighting == results::Weighting::Weighted ? texts_.weighted : texts_.unweighted);
        return std::pair{u.phi0, text(t_.phi0).arg(number(u.phi0), how)};
      }
      if (u.outcome == results::UncertaintyOutcome::GridIndependent && std::isfinite(u.phi0))
        return std::pair{u.phi0, text(t_.phi0).arg(number(u.phi0), text(texts_.grid_independent))};
    }
    const std::size_t n = s.mesh_count();
    if (n > model::kFirstTripletMesh && std::isfinite(s.ti_a[n - 1]))
      return std::pair{s.ti_a[n - 1], text(t_.finest_ti_a).arg(number(s.ti_a[n - 1]))};
    return std::nullopt;
  }

  const results::VariableResult& var_;
  const results::Texts& texts_;
  const results::Texts::Charts& t_;
  Extent sizes_;  // every positive size of every scheme, for the log axes
};

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

QSize file_size(Chart chart, const model::Variable& var) {
  if (chart == Chart::Values) return {1200, 800};
  return has_exact(var) ? kFileSize : QSize(kFileSize.width() / 2, kFileSize.height());
}

void paint(QPainter& painter, const QRectF& target, const results::VariableResult& var, Chart chart,
           results::Language language) {
  const QSizeF natural(file_size(chart, var.numbers));
  const qreal scale =
      std::min(target.width() / natural.width(), target.height() / natural.height());
  if (!(scale > 0)) return;
  painter.save();
  painter.fillRect(target, Qt::white);
  painter.translate(target.topLeft());
  painter.scale(scale, scale);
  const QRectF box(0, 0, target.width() / scale, target.height() / scale);
  const results::Texts& texts = results::texts(language);

  // One family on every machine (setup installs it), whose widths the SVG's readers also get
  // from Arial or Helvetica: a text run placed for one font's widths and shown in another's
  // leaves gaps or overlaps.
  QFont heading(QString::fromLatin1(kFontFamily));
  heading.setStyleHint(QFont::SansSerif);
  heading.setPointSizeF(13);
  heading.setBold(true);
  painter.setFont(heading);
  const qreal heading_height = QFontMetricsF(heading).height() * 1.8;
  const QString name = QString::fromStdString(var.numbers.name);
  painter.setPen(Qt::black);
  painter.drawText(QRectF(box.left(), box.top(), box.width(), heading_height), Qt::AlignCenter,
                   text(texts.variable) + " " + QString::number(var.numbers.number) +
                       (name.isEmpty() ? QString() : ": " + name));
  heading.setPointSizeF(9);
  heading.setBold(false);
  painter.setFont(heading);

  const Builder builder(var, texts);
  std::vector<Plot> plots;
  if (chart == Chart::Values) {
    plots.push_back(builder.values());
  } else {
    if (has_exact(var.numbers)) plots.push_back(builder.errors());
    plots.push_back(builder.orders());
  }
  const qreal width = box.width() / static_cast<qreal>(plots.size());
  auto panel = [&](std::size_t i) {
    return QRectF(box.left() + static_cast<qreal>(i) * width, heading_height, width,
                  box.height() - heading_height);
  };
  // Side by side, the plots keep one height: the tallest legend's room under each.
  qreal legend_room = 0;
  for (std::size_t i = 0; i < plots.size(); ++i)
    legend_room = std::max(legend_room, legend_height(painter.font(), panel(i), plots[i]));
  for (std::size_t i = 0; i < plots.size(); ++i)
    draw(painter, panel(i), plots[i], texts.chart, legend_room);
  painter.restore();
}

QImage render_image(const results::VariableResult& var, Chart chart, results::Language language,
                    QSize size) {
  QImage image(size, QImage::Format_RGB32);
  if (image.isNull()) return image;
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  paint(painter, QRectF(QPointF(0, 0), QSizeF(size)), var, chart, language);
  return image;
}

QByteArray encode(const results::VariableResult& var, Chart chart, Format format,
                  results::Language language, std::optional<QSize> size) {
  const QSize file = size.value_or(file_size(chart, var.numbers));
  if (format == Format::Png) return encode_png(render_image(var, chart, language, file));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  const QRectF area(QPointF(0, 0), QSizeF(file));
  switch (format) {
    case Format::Png:
      break;
    case Format::Svg: {
      QSvgGenerator svg;
      svg.setOutputDevice(&buffer);
      svg.setSize(file);
      svg.setViewBox(area);
      svg.setResolution(96);
      svg.setTitle(QStringLiteral("Tavo"));
      {
        QPainter painter(&svg);
        painter.setRenderHint(QPainter::Antialiasing);
        paint(painter, area, var, chart, language);
      }
      name_font_fallbacks(bytes);
      break;
    }
    case Format::Pdf: {
      QPdfWriter pdf(&buffer);
      pdf.setResolution(96);
      pdf.setPageSize(QPageSize(QSizeF(file) * 72.0 / 96.0, QPageSize::Point));
      pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
      pdf.setCreator(QStringLiteral("Tavo"));
      QPainter painter(&pdf);
      painter.setRenderHint(QPainter::Antialiasing);
      paint(painter, area, var, chart, language);
      break;
    }
  }
  return bytes;
}

QByteArray encode(const results::VariableResult& var, Format format, std::optional<QSize> size) {
  return encode(var, Chart::Convergence, format, results::Language::English, size);
}

std::string file_name(const model::Variable& var, Format format, Chart chart) {
  const std::string safe = results::file_safe(var.name);
  std::string name = std::to_string(var.number);
  if (!safe.empty()) name += "-" + safe;
  if (chart == Chart::Values) name += "-values";
  return name + "." + std::string(extension(format));
}

}  // namespace plots
