// The charts' images as PNG, with libpng set for speed: Qt's writer has libpng try all five
// filters on every row and compress at zlib's level 6, which made writing a chart's PNG four
// times as slow as drawing it. Here libpng chooses between the Sub and Up filters only (a chart
// is mostly long flat runs) and zlib compresses at level 3.
#pragma once

#include <QByteArray>
#include <QImage>

namespace plots {

// `image` as an 8-bit RGB PNG (alpha is dropped: the charts are opaque); empty for a null
// image or one too large for a PNG.
QByteArray encode_png(const QImage& image);

}  // namespace plots
