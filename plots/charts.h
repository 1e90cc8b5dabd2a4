// The charts of one variable, drawn with QPainter alone (plots/panel.h), each its own file:
//
// - Values: every scheme's value Th against h on a linear axis from h = 0, with the
//   Eca-Hoekstra uncertainty U of each mesh as error bars, the band Th +- GCI |Th| over the
//   meshes where the GCI is defined, the extrapolated value at h = 0 (the Eca-Hoekstra phi0 of
//   the chosen estimator, or Ti_a of the finest triplet when there is no estimate) and, when
//   known, the exact value as a horizontal line.
// - Convergence: left, the error |T - Te| of each scheme's solution and of its estimate Ti_a
//   against h on log-log axes, with a line of the scheme's formal slope pL through its finest
//   point; right, the apparent order pa against h with each formal order as a horizontal line.
//   Without an exact value there is no error to show: the order chart is drawn alone, in a file
//   half as wide.
//
// Any number of schemes; the legend gives each a column. Labels in the language asked for
// (results/texts.h), numbers with a decimal point. Points an axis cannot show (on a log axis an
// error of zero; anywhere a value or size that is not finite) are left out, and the legend
// entry of their series says how many.
//
// Every function here needs a QGuiApplication (for the fonts; see application.h) and may run
// on any thread: each call paints into its own device, and several threads may draw at once.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSize>
#include <optional>
#include <string>
#include <string_view>

#include "results/results.h"
#include "results/texts.h"

namespace plots {

enum class Format { Svg, Png, Pdf };

// "svg", "png", "pdf".
std::string_view extension(Format format);
// The format named by an extension (lower case), if any.
std::optional<Format> format_named(std::string_view name);

enum class Chart { Values, Convergence };
// In the order the files are written and the windows opened.
inline constexpr Chart kCharts[] = {Chart::Values, Chart::Convergence};

// The size of the convergence chart's file with both of its charts, in pixels (PNG), SVG user
// units or PDF pixels at 96 per inch.
inline constexpr QSize kFileSize{1600, 640};
// The size of `chart`'s file for `var`.
QSize file_size(Chart chart, const model::Variable& var);

// Paints the variable's heading and `chart` into `target`, as drawn at its file size and
// scaled alike in both directions to fit (the other direction then gets more room).
void paint(QPainter& painter, const QRectF& target, const results::VariableResult& var, Chart chart,
           results::Language language);

// The chart rendered into a new image of `size` (white background), e.g. as a window's.
QImage render_image(const results::VariableResult& var, Chart chart, results::Language language,
                    QSize size);

// The chart as the bytes of a file in `format`, at its file size unless another is given:
// vector graphics for SVG and PDF.
QByteArray encode(const results::VariableResult& var, Chart chart, Format format,
                  results::Language language, std::optional<QSize> size = std::nullopt);
// The convergence chart in English, as the first charts were drawn.
QByteArray encode(const results::VariableResult& var, Format format,
                  std::optional<QSize> size = std::nullopt);

// The chart file's name: the variable's number, a hyphen, a file-safe form of its name (letters
// without accents, digits, '.', '-' and '_', every other run of characters one '_', at most 60
// characters), "-values" for the value chart (in every language) and the extension; "7.svg"
// and "7-values.svg" when nothing of the name is left.
std::string file_name(const model::Variable& var, Format format, Chart chart = Chart::Convergence);

}  // namespace plots
