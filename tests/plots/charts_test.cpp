#include "plots/charts.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QLocale>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "plots/application.h"

namespace plots {
namespace {

using results::Language;

constexpr double kExact = 1.5;

// A variable's numbers made by hand in arrays of its own, for values no analysis would give:
// scheme k holds 1.5 + h^(k+1) on halved meshes from 0.4, Ti_a close to the exact value but
// infinite on mesh 3, and pa = k + 1 but 0 on mesh 4 (so the finest mesh has no GCI).
struct HandMade {
  struct Scheme {
    std::string name;
    double formal_order = 1;
    std::vector<double> h, value, r, pa, ti_12, ti_a;
  };
  model::Variable numbers;
  std::vector<Scheme> schemes;
  results::VariableMeasures measures;

  HandMade(int number, std::string name, std::size_t scheme_count = 2, std::size_t meshes = 5,
           bool exact = true) {
    numbers.number = number;
    numbers.name = std::move(name);
    numbers.exact = exact ? kExact : model::kUndefined;
    for (std::size_t k = 0; k < scheme_count; ++k) {
      Scheme s;
      s.name = scheme_count == 2   ? (k == 0 ? "low" : "high")
               : scheme_count == 1 ? "solution"
                                   : "scheme-" + std::to_string(k + 1);
      s.formal_order = double(k + 1);
      for (std::size_t j = 0; j < meshes; ++j) {
        s.h.push_back(0.4 / std::exp2(double(j)));
        s.value.push_back(kExact + std::pow(s.h[j], double(k + 1)));
        s.ti_12.push_back(kExact);
        s.ti_a.push_back(j == 3 ? std::numeric_limits<double>::infinity() : kExact + 1e-6 * s.h[j]);
        s.pa.push_back(j == 4 ? 0 : double(k + 1));
        s.r.push_back(2);
      }
      schemes.push_back(std::move(s));
    }
  }
  // The view of the arrays as they are now, with its measures.
  results::VariableResult result() {
    auto w = [](const std::vector<double>& v) {
      return model::Strided<const double>(v.data(), v.size());
    };
    numbers.schemes.clear();
    for (const Scheme& s : schemes)
      numbers.schemes.push_back({.scheme = s.name,
                                 .formal_order = s.formal_order,
                                 .h = w(s.h),
                                 .value = w(s.value),
                                 .convergence_ratio = w(s.r),
                                 .apparent_order = w(s.pa),
                                 .ti_12 = w(s.ti_12),
                                 .ti_a = w(s.ti_a)});
    measures = results::measure(numbers, {});
    return {numbers, measures};
  }
};

const char* const kColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e"};

// What a chart's SVG draws, told apart by the style the charts give each kind of element.
struct Drawn {
  std::map<std::string, int> bars;      // vertical strokes of 1.5 by colour: the error bars
  std::map<std::string, int> bands;     // translucent areas by colour: the GCI bands
  std::map<std::string, int> diamonds;  // filled and outlined paths by colour
  std::vector<double> diamond_x;        // their centres
  int exact_lines = 0;                  // dash-dotted near-black lines
  double axis_x = std::numeric_limits<double>::quiet_NaN();  // the vertical axis line
  QString view_box;
  QString texts;  // every text, a line per group
};

std::vector<QPointF> points_of(const QString& list) {
  std::vector<QPointF> points;
  for (const QString& pair : list.split(QRegularExpression("[ MLZ]+"), Qt::SkipEmptyParts)) {
    const QStringList xy = pair.split(',');
    if (xy.size() == 2) points.emplace_back(xy[0].toDouble(), xy[1].toDouble());
  }
  return points;
}

Drawn scan(const QByteArray& svg) {
  Drawn d;
  QXmlStreamReader xml(svg);
  std::vector<QXmlStreamAttributes> groups;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isEndElement() && xml.name() == u"g") {
      groups.pop_back();
      d.texts += "\n";
      continue;
    }
    if (!xml.isStartElement()) continue;
    const auto tag = xml.name();
    if (tag == u"svg") d.view_box = xml.attributes().value("viewBox").toString();
    if (tag == u"g") {
      groups.push_back(xml.attributes());
      continue;
    }
    if (tag == u"text") {
      d.texts += xml.readElementText();  // a text may come in runs of one script each
      continue;
    }
    if (groups.empty()) continue;
    const QXmlStreamAttributes& g = groups.back();
    const std::string fill = g.value("fill").toString().toStdString();
    const std::string stroke = g.value("stroke").toString().toStdString();
    const bool dashed = g.hasAttribute("stroke-dasharray");
    if (tag == u"polyline") {
      const std::vector<QPointF> p = points_of(xml.attributes().value("points").toString());
      const bool vertical = p.size() == 2 && p[0].x() == p[1].x() && p[0].y() != p[1].y();
      if (stroke == "#222222" && dashed) ++d.exact_lines;
      if (vertical && !dashed && g.value("stroke-width") == u"1.5") ++d.bars[stroke];
      if (vertical && stroke == "#999999") d.axis_x = p[0].x();
    } else if (tag == u"path" || tag == u"rect") {
      if (g.value("fill-opacity") == u"0.235294") ++d.bands[fill];
      if (tag == u"path" && fill != "none" && g.value("fill-opacity") == u"1" && stroke != "none") {
        ++d.diamonds[fill];
        const std::vector<QPointF> p = points_of(xml.attributes().value("d").toString());
        if (!p.empty()) d.diamond_x.push_back(p[0].x());
      }
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  return d;
}

QString text(std::string_view s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

class ChartsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    thread_ = std::make_unique<ChartThread>();
    // Numbers keep their decimal point whatever the locale.
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
  }
  static void TearDownTestSuite() {
    QLocale::setDefault(QLocale::c());
    thread_.reset();
  }

  static std::unique_ptr<ChartThread> thread_;
};

std::unique_ptr<ChartThread> ChartsTest::thread_;

// Each case's two charts as SVG: every element the value chart draws for its schemes, meshes
// and exact value, the convergence chart's panels, and the texts of its language and none of
// the other's.
TEST_F(ChartsTest, ChartsShowWhatTheirVariableHas) {
  struct Case {
    const char* what;
    std::size_t schemes;
    std::size_t meshes;
    bool exact;
    Language language;
  };
  const Case cases[] = {
      {"a run: low and high, an exact value", 2, 5, true, Language::English},
      {"a study of one scheme without an exact value", 1, 5, false, Language::Portuguese},
      {"three schemes", 3, 5, true, Language::Portuguese},
      {"three meshes: no uncertainty, Ti_a at h = 0", 2, 3, false, Language::English},
      {"two meshes: nothing drawn from a triplet", 1, 2, true, Language::English},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HandMade made(7, "x", c.schemes, c.meshes, c.exact);
    const results::VariableResult v = made.result();
    const results::Texts& t = results::texts(c.language);
    const results::Texts& other =
        results::texts(c.language == Language::English ? Language::Portuguese : Language::English);

    const Drawn values = scan(encode(v, Chart::Values, Format::Svg, c.language));
    EXPECT_EQ(values.view_box, "0 0 1200 800");
    EXPECT_TRUE(values.texts.contains(text(t.variable) + " 7: x"));
    EXPECT_TRUE(values.texts.contains(text(t.chart.values_title)));
    EXPECT_FALSE(values.texts.contains(text(other.chart.values_title)));
    // The legend draws one more of each, its sample.
    for (std::size_t k = 0; k < c.schemes; ++k) {
      SCOPED_TRACE(k);
      const char* colour = kColours[k];
      const results::SchemeMeasures& m = v.measures.schemes[k];
      // U from four meshes on, on every mesh.
      EXPECT_EQ(values.bars.count(colour) ? values.bars.at(colour) : 0,
                c.meshes >= 4 ? int(c.meshes) + 1 : 0);
      // The GCI from the third mesh on, where pa > 0: one band (a box for one mesh).
      EXPECT_EQ(values.bands.count(colour) ? values.bands.at(colour) : 0, c.meshes >= 3 ? 2 : 0);
      EXPECT_EQ(values.diamonds.count(colour) ? values.diamonds.at(colour) : 0,
                c.meshes >= 3 ? 2 : 0);
      if (c.meshes >= 4) {
        ASSERT_EQ(m.uncertainty.outcome, results::UncertaintyOutcome::Estimated);
        EXPECT_TRUE(values.texts.contains("φ0 = " + QString::number(m.uncertainty.phi0, 'g', 6) +
                                          " (Eça-Hoekstra, "));
      } else if (c.meshes == 3) {
        EXPECT_TRUE(values.texts.contains(
            text(t.chart.finest_ti_a).arg(QString::number(made.schemes[k].ti_a[2], 'g', 6))));
      }
    }
    // The extrapolated values sit on the axis h = 0.
    const auto on_axis =
        std::count(values.diamond_x.begin(), values.diamond_x.end(), values.axis_x);
    EXPECT_EQ(on_axis, c.meshes >= 3 ? long(c.schemes) : 0);
    EXPECT_EQ(values.exact_lines, c.exact ? 2 : 0);
    EXPECT_EQ(values.texts.contains("Te = 1.5"), c.exact);
    EXPECT_FALSE(values.bars.count(kColours[c.schemes]));  // no more schemes than there are

    const Drawn convergence = scan(encode(v, Chart::Convergence, Format::Svg, c.language));
    EXPECT_EQ(convergence.view_box, c.exact ? "0 0 1600 640" : "0 0 800 640");
    EXPECT_EQ(convergence.texts.contains(text(t.chart.errors_title)), c.exact);
    EXPECT_TRUE(convergence.texts.contains(text(t.chart.orders_title)));
    EXPECT_FALSE(convergence.texts.contains(text(other.chart.orders_title)));
    EXPECT_EQ(convergence.exact_lines, 0);
    if (c.schemes == 2) {
      EXPECT_TRUE(convergence.texts.contains(text(t.chart.high_scheme)));
    } else {
      EXPECT_TRUE(convergence.texts.contains(QString::fromStdString(made.schemes.back().name)));
    }
  }
}

TEST_F(ChartsTest, RendersIntoAnImageOfTheGivenSize) {
  HandMade v(2,
             "Temperatura m\xC3\xA9"
             "dia");
  const QImage image = render_image(v.result(), Chart::Convergence, Language::English, {900, 400});
  ASSERT_EQ(image.size(), QSize(900, 400));
  // Both schemes' colours appear in both halves: the charts were drawn, not only a background.
  auto count = [&](int x0, int x1, QColor colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = x0; x < x1; ++x) {
        QColor c = image.pixelColor(x, y);
        if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                std::abs(c.blue() - colour.blue()) <
            40)
          ++n;
      }
    return n;
  };
  const QColor low(0x1f, 0x77, 0xb4), high(0xd6, 0x27, 0x28);
  EXPECT_GT(count(0, 450, low), 40);
  EXPECT_GT(count(0, 450, high), 40);
  EXPECT_GT(count(450, 900, low), 40);
  EXPECT_GT(count(450, 900, high), 40);
}

TEST_F(ChartsTest, FilesAreValidSvgPngAndPdf) {
  HandMade made(1, "x");
  const results::VariableResult v = made.result();
  for (Chart chart : kCharts) {
    const QByteArray svg = encode(v, chart, Format::Svg, Language::Portuguese);
    EXPECT_TRUE(svg.startsWith("<?xml"));
    EXPECT_TRUE(svg.trimmed().endsWith("</svg>"));
    EXPECT_TRUE(svg.contains("Vari\xC3\xA1vel 1: x"));
    // Every text names a family a browser finds, with fallbacks of the same widths.
    const QByteArray family = "font-family=\"Liberation Sans, Arial, Helvetica, sans-serif\"";
    EXPECT_GT(svg.count(family), 0);
    EXPECT_EQ(svg.count("font-family="), svg.count(family));
    // The PNG holds the image drawn, pixel for pixel.
    for (QSize size : {QSize(640, 300), QSize(1, 1), QSize(5, 2)}) {
      const QByteArray png = encode(v, chart, Format::Png, Language::English, size);
      EXPECT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n"));
      QImage read;
      ASSERT_TRUE(read.loadFromData(png, "PNG"));
      EXPECT_EQ(read.convertToFormat(QImage::Format_RGB32),
                render_image(v, chart, Language::English, size));
    }
    const QByteArray pdf = encode(v, chart, Format::Pdf, Language::English);
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_TRUE(pdf.trimmed().endsWith("%%EOF"));
  }
  // The legend counts what a log axis could not show: mesh 3's infinite Ti_a per scheme.
  const QByteArray svg = encode(v, Chart::Convergence, Format::Svg, Language::Portuguese);
  EXPECT_TRUE(svg.contains("Ti_a (1 ponto omitido)"));
  EXPECT_TRUE(svg.contains("inclina\xC3\xA7\xC3\xA3o pL = 2"));
  // The first charts' call: the convergence chart in English.
  EXPECT_EQ(encode(v, Format::Svg), encode(v, Chart::Convergence, Format::Svg, Language::English));
}

TEST_F(ChartsTest, NothingShowableStillDraws) {
  HandMade v(3, "");
  for (auto& s : v.schemes)
    for (double& pa : s.pa) pa = std::numeric_limits<double>::infinity();
  v.numbers.exact = 2;
  for (auto& s : v.schemes) s.value.assign(s.value.size(), 2);  // an error of 0 everywhere
  const QByteArray svg = encode(v.result(), Chart::Convergence, Format::Svg, Language::English);
  EXPECT_TRUE(svg.contains("Th (5 points omitted)"));
  EXPECT_TRUE(svg.contains("pa (3 points omitted)"));
  for (auto& s : v.schemes) s.value.assign(s.value.size(), std::nan(""));
  EXPECT_TRUE(encode(v.result(), Chart::Values, Format::Svg, Language::English)
                  .contains("Th (5 points omitted; "));
}

TEST_F(ChartsTest, ExtremeValuesStillDraw) {
  HandMade v(4, "extremos", 3);
  const double big = std::numeric_limits<double>::max();
  v.numbers.exact = 0;
  const double values[] = {big, -big, 5e-324, 1e-310, 1};
  const double sizes[] = {big, 1e300, 1, 1e-300, 5e-324};
  for (auto& s : v.schemes) {
    for (std::size_t j = 0; j < s.h.size(); ++j) {
      s.h[j] = sizes[j];
      s.value[j] = values[j];
      s.ti_a[j] = values[4 - j];
      s.pa[j] = j % 2 == 0 ? big : -big;
    }
    s.formal_order = 1e300;
  }
  for (Chart chart : kCharts) {
    EXPECT_TRUE(encode(v.result(), chart, Format::Svg, Language::English).contains("</svg>"));
    EXPECT_EQ(render_image(v.result(), chart, Language::English, QSize(400, 200)).size(),
              QSize(400, 200));
  }
}

// Several threads drawing at once draw what one thread draws.
TEST_F(ChartsTest, ThreadsDrawAtOnceAsOneDoes) {
  const QSize kSize(480, 320);
  std::vector<std::unique_ptr<HandMade>> made;
  std::vector<QByteArray> alone;
  for (std::size_t i = 0; i < 4; ++i) {
    made.push_back(std::make_unique<HandMade>(int(i), "v", 1 + i % 3));
    for (Format f : {Format::Svg, Format::Png, Format::Pdf})
      alone.push_back(
          encode(made.back()->result(), kCharts[i % 2], f, Language::Portuguese, kSize));
  }
  std::vector<QByteArray> together(alone.size());
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < made.size(); ++i)
    threads.emplace_back([&, i] {
      const results::VariableResult v{made[i]->numbers, made[i]->measures};
      for (int round = 0; round < 2; ++round)
        for (std::size_t f = 0; f < 3; ++f)
          together[3 * i + f] = encode(v, kCharts[i % 2], Format(f), Language::Portuguese, kSize);
    });
  for (std::thread& t : threads) t.join();
  for (std::size_t i = 0; i < alone.size(); ++i) {
    // A PDF carries the time it was made.
    if (i % 3 == 2) {
      EXPECT_EQ(alone[i].size(), together[i].size()) << i;
    } else {
      EXPECT_EQ(alone[i], together[i]) << i;
    }
  }
}

TEST(ChartFileName, IndexAndAFileSafeName) {
  struct Case {
    int index;
    std::string name;
    Format format;
    Chart chart;
    std::string expected;
  };
  const Case cases[] = {
      {1, "Temperatura", Format::Svg, Chart::Convergence, "1-Temperatura.svg"},
      {1, "Temperatura", Format::Svg, Chart::Values, "1-Temperatura-values.svg"},
      {12,
       "Velocidade m\xC3\xA9"
       "dia na sa\xC3\xAD"
       "da (x=0,5)",
       Format::Png, Chart::Convergence, "12-Velocidade_media_na_saida_x_0_5.png"},
      {3, "a/../../b", Format::Pdf, Chart::Convergence, "3-a_.._.._b.pdf"},
      {4, "  ", Format::Svg, Chart::Convergence, "4.svg"},
      {4, "  ", Format::Png, Chart::Values, "4-values.png"},
      {5, "\xC3\x87\xC3\x83O \xC3\x97 \xC3\x9F", Format::Svg, Chart::Convergence, "5-CAO_s.svg"},
      {6, std::string(100, 'x'), Format::Svg, Chart::Values,
       "6-" + std::string(60, 'x') + "-values.svg"},
      {7, "..", Format::Svg, Chart::Convergence, "7.svg"},
  };
  for (const Case& c : cases) {
    model::Variable v;
    v.number = c.index;
    v.name = c.name;
    EXPECT_EQ(file_name(v, c.format, c.chart), c.expected);
  }
  EXPECT_EQ(format_named("png"), Format::Png);
  EXPECT_EQ(format_named("gif"), std::nullopt);
}

}  // namespace
}  // namespace plots
