// Convergence charts of one variable, on Qt Charts: left, the error |T - Te| of each scheme's
// solution and of its estimate Ti_a against h on log-log axes, with a line of the scheme's
// formal slope pL through its finest point; right, the apparent order pa against h with the two
// formal orders as horizontal lines. Labels in Portuguese, as the report's.
//
// Every function here needs a QApplication and must run on its thread (see application.h).
// Points a log axis cannot show (an error of zero, a value or size that is not finite or not
// > 0) are left out; the legend entry of their series says how many.
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

namespace plots {

enum class Format { Svg, Png, Pdf };

// "svg", "png", "pdf".
std::string_view extension(Format format);
// The format named by an extension (lower case), if any.
std::optional<Format> format_named(std::string_view name);

// The size of a chart file, in pixels (PNG), SVG user units or PDF pixels at 96 per inch.
inline constexpr QSize kFileSize{1600, 640};

// Paints the variable's heading and its two charts side by side into `target`.
void paint(QPainter& painter, const QRectF& target, const results::VariableResult& var);

// The charts rendered into a new image of `size` (white background), e.g. as the backing image
// of a window.
QImage render_image(const results::VariableResult& var, QSize size);

// The charts as the bytes of a file in `format`: vector graphics for SVG and PDF.
QByteArray encode(const results::VariableResult& var, Format format, QSize size = kFileSize);

// The chart file's name: the variable's number, a hyphen, a file-safe form of its name (letters
// without accents, digits, '.', '-' and '_', every other run of characters one '_', at most 60
// characters) and the extension; "7.svg" when nothing of the name is left.
std::string file_name(const model::Variable& var, Format format);

}  // namespace plots
