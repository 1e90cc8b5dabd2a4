#include "plots/png.h"

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <vector>

namespace plots {
namespace {

void append(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<QByteArray*>(png_get_io_ptr(png));
  out->append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

void no_flush(png_structp) {}

}  // namespace

QByteArray encode_png(const QImage& source) {
  // Far beyond any chart, and within what a PNG and zlib's counts take.
  if (source.isNull() ||
      std::uint64_t(source.width()) * std::uint64_t(source.height()) > (1u << 28))
    return {};
  const QImage image = source.convertToFormat(QImage::Format_RGB888);
  if (image.isNull()) return {};

  QByteArray out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return {};
  }
  std::vector<png_const_bytep> rows(static_cast<std::size_t>(image.height()));
  for (int y = 0; y < image.height(); ++y)
    rows[static_cast<std::size_t>(y)] = image.constScanLine(y);
  // libpng reports its errors by a long jump back here; nothing above holds what it would skip.
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, append, no_flush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width()),
               static_cast<png_uint_32>(image.height()), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  // A chart is mostly long flat runs: the Sub and Up filters and zlib's level 3 make it in a
  // fraction of the time of every filter at level 6 (what Qt's writer asks for), a little larger.
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB | PNG_FILTER_UP);
  png_set_compression_level(png, 3);
  png_set_rows(png, info, const_cast<png_bytepp>(rows.data()));
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace plots
