#include "plots/charts.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "plots/application.h"

namespace plots {
namespace {

// A variable's numbers made by hand in arrays of its own, for values no analysis would give.
struct HandMade {
  struct Scheme {
    double formal_order = 1;
    std::vector<double> h, value, r, pa, ti_12, ti_a;
  };
  model::Variable numbers;
  Scheme schemes[2];
  results::VariableMeasures measures;

  // On five meshes: 1 + h and 1 + h^2, the estimates exact on some meshes.
  HandMade(int number, std::string name) {
    numbers.number = number;
    numbers.name = std::move(name);
    numbers.exact = 1;
    for (int k = 0; k < 2; ++k) {
      Scheme& s = schemes[k];
      s.formal_order = k + 1;
      s.h = {0.4, 0.2, 0.1, 0.05, 0.025};
      for (std::size_t j = 0; j < s.h.size(); ++j) {
        s.value.push_back(1 + std::pow(s.h[j], k + 1));
        s.ti_12.push_back(1);
        s.ti_a.push_back(j == 3 ? std::numeric_limits<double>::infinity() : 1 + 1e-6 * s.h[j]);
        s.pa.push_back(j == 4 ? 0 : k + 1);
        s.r.push_back(2);
      }
    }
  }
  // The view of the arrays as they are now, with its measures.
  results::VariableResult result() {
    auto w = [](const std::vector<double>& v) {
      return model::Strided<const double>(v.data(), v.size());
    };
    numbers.schemes.clear();
    for (int k = 0; k < 2; ++k) {
      const Scheme& s = schemes[k];
      numbers.schemes.push_back({.scheme = k == 0 ? "low" : "high",
                                 .formal_order = s.formal_order,
                                 .h = w(s.h),
                                 .value = w(s.value),
                                 .convergence_ratio = w(s.r),
                                 .apparent_order = w(s.pa),
                                 .ti_12 = w(s.ti_12),
                                 .ti_a = w(s.ti_a)});
    }
    measures = results::measure(numbers, {});
    return {numbers, measures};
  }
};

class ChartsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { thread_ = std::make_unique<ChartThread>(); }
  static void TearDownTestSuite() { thread_.reset(); }

  static std::unique_ptr<ChartThread> thread_;
};

std::unique_ptr<ChartThread> ChartsTest::thread_;

TEST_F(ChartsTest, RendersIntoAnImageOfTheGivenSize) {
  HandMade v(2,
             "Temperatura m\xC3\xA9"
             "dia");
  const QImage image = render_image(v.result(), QSize(900, 400));
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
  EXPECT_GT(count(0, 450, low), 100);
  EXPECT_GT(count(0, 450, high), 100);
  EXPECT_GT(count(450, 900, low), 100);
  EXPECT_GT(count(450, 900, high), 100);
}

TEST_F(ChartsTest, FilesAreValidSvgPngAndPdf) {
  HandMade made(1, "x");
  const results::VariableResult v = made.result();
  const QByteArray svg = encode(v, Format::Svg);
  EXPECT_TRUE(svg.startsWith("<?xml"));
  EXPECT_TRUE(svg.contains("<svg"));
  EXPECT_TRUE(svg.trimmed().endsWith("</svg>"));
  // The legend counts what a log axis could not show: mesh 4's infinite Ti_a per scheme.
  EXPECT_TRUE(svg.contains("Ti_a (1 ponto omitido)"));
  EXPECT_TRUE(svg.contains("inclina\xC3\xA7\xC3\xA3o pL = 2"));
  EXPECT_TRUE(svg.contains("Esquema de Ordem Alta"));
  EXPECT_TRUE(svg.contains("Vari\xC3\xA1vel 1: x"));

  const QByteArray png = encode(v, Format::Png, QSize(640, 300));
  EXPECT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n"));
  QImage read;
  ASSERT_TRUE(read.loadFromData(png, "PNG"));
  EXPECT_EQ(read.size(), QSize(640, 300));

  const QByteArray pdf = encode(v, Format::Pdf);
  EXPECT_TRUE(pdf.startsWith("%PDF-"));
  EXPECT_TRUE(pdf.trimmed().endsWith("%%EOF"));
}

TEST_F(ChartsTest, NothingShowableStillDraws) {
  HandMade v(3, "");
  v.numbers.exact = std::numeric_limits<double>::quiet_NaN();
  for (auto& s : v.schemes)
    for (double& pa : s.pa) pa = std::numeric_limits<double>::infinity();
  const QByteArray svg = encode(v.result(), Format::Svg);
  EXPECT_TRUE(svg.contains("Th (5 pontos omitidos)"));
  EXPECT_TRUE(svg.contains("pa (3 pontos omitidos)"));
}

TEST_F(ChartsTest, ExtremeValuesStillDraw) {
  HandMade v(4, "extremos");
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
  EXPECT_TRUE(encode(v.result(), Format::Svg).contains("</svg>"));
  EXPECT_EQ(render_image(v.result(), QSize(400, 200)).size(), QSize(400, 200));
}

TEST(ChartFileName, IndexAndAFileSafeName) {
  struct Case {
    int index;
    std::string name;
    Format format;
    std::string expected;
  };
  const Case cases[] = {
      {1, "Temperatura", Format::Svg, "1-Temperatura.svg"},
      {12,
       "Velocidade m\xC3\xA9"
       "dia na sa\xC3\xAD"
       "da (x=0,5)",
       Format::Png, "12-Velocidade_media_na_saida_x_0_5.png"},
      {3, "a/../../b", Format::Pdf, "3-a_.._.._b.pdf"},
      {4, "  ", Format::Svg, "4.svg"},
      {5, "\xC3\x87\xC3\x83O \xC3\x97 \xC3\x9F", Format::Svg, "5-CAO_s.svg"},
      {6, std::string(100, 'x'), Format::Svg, "6-" + std::string(60, 'x') + ".svg"},
      {7, "..", Format::Svg, "7.svg"},
  };
  for (const Case& c : cases) {
    model::Variable v;
    v.number = c.index;
    v.name = c.name;
    EXPECT_EQ(file_name(v, c.format), c.expected);
  }
  EXPECT_EQ(format_named("png"), Format::Png);
  EXPECT_EQ(format_named("gif"), std::nullopt);
}

}  // namespace
}  // namespace plots
