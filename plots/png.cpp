#include "plots/png.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace plots {
namespace {

void put32(std::vector<unsigned char>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<unsigned char>(v >> shift));
}

// A chunk: its length, type and data, and the CRC of type and data.
void chunk(std::vector<unsigned char>& out, const char (&type)[5], const unsigned char* data,
           std::size_t size) {
  put32(out, static_cast<std::uint32_t>(size));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data, data + size);
  put32(out, static_cast<std::uint32_t>(
                 crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

// The sum of the filtered bytes read as signed: the usual measure of which filter compresses
// better.
std::uint64_t cost(const std::vector<unsigned char>& row) {
  std::uint64_t sum = 0;
  for (std::size_t i = 1; i < row.size(); ++i)
    sum += static_cast<std::uint64_t>(std::abs(static_cast<signed char>(row[i])));
  return sum;
}

}  // namespace

QByteArray encode_png(const QImage& source) {
  // Far beyond any chart, and within what a PNG and zlib's counts take.
  if (source.isNull() ||
      std::uint64_t(source.width()) * std::uint64_t(source.height()) > (1u << 28))
    return {};
  const QImage image = source.convertToFormat(QImage::Format_RGB888);
  if (image.isNull()) return {};
  const std::size_t width = static_cast<std::size_t>(image.width()) * 3;
  const auto height = static_cast<std::size_t>(image.height());

  z_stream z{};
  if (deflateInit(&z, 3) != Z_OK) return {};
  std::vector<unsigned char> compressed;
  // Hands `size` bytes to zlib, growing the output as it fills.
  auto feed = [&](unsigned char* data, std::size_t size, int flush) {
    z.next_in = data;
    z.avail_in = static_cast<uInt>(size);
    for (;;) {
      if (z.avail_out == 0) {
        const std::size_t used = z.total_out;
        compressed.resize(std::max<std::size_t>(1 << 16, 2 * compressed.size()));
        z.next_out = compressed.data() + used;
        z.avail_out = static_cast<uInt>(compressed.size() - used);
      }
      const int r = deflate(&z, flush);
      if (r == Z_STREAM_END) return true;
      if (r != Z_OK && r != Z_BUF_ERROR) return false;
      if (flush == Z_NO_FLUSH && z.avail_in == 0) return true;
    }
  };
  // Each row with its filter's byte in front: 1 Sub (less the byte to the left), 2 Up (less the
  // byte above).
  std::vector<unsigned char> sub(width + 1), up(width + 1);
  sub[0] = 1;
  up[0] = 2;
  const std::vector<unsigned char> none(width, 0);
  bool ok = true;
  for (std::size_t y = 0; y < height && ok; ++y) {
    const uchar* row = image.constScanLine(static_cast<int>(y));
    const uchar* above = y == 0 ? none.data() : image.constScanLine(static_cast<int>(y - 1));
    for (std::size_t x = 0; x < width; ++x) {
      sub[x + 1] = static_cast<unsigned char>(row[x] - (x >= 3 ? row[x - 3] : 0));
      up[x + 1] = static_cast<unsigned char>(row[x] - above[x]);
    }
    std::vector<unsigned char>& best = cost(up) <= cost(sub) ? up : sub;
    ok = feed(best.data(), best.size(), y + 1 == height ? Z_FINISH : Z_NO_FLUSH);
  }
  const std::size_t compressed_size = z.total_out;
  deflateEnd(&z);
  if (!ok) return {};

  std::vector<unsigned char> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  std::vector<unsigned char> header;
  put32(header, static_cast<std::uint32_t>(image.width()));
  put32(header, static_cast<std::uint32_t>(image.height()));
  // 8 bits per sample, colour type 2 (RGB), deflate, adaptive filtering, no interlace.
  header.insert(header.end(), {8, 2, 0, 0, 0});
  chunk(out, "IHDR", header.data(), header.size());
  chunk(out, "IDAT", compressed.data(), compressed_size);
  chunk(out, "IEND", nullptr, 0);
  return QByteArray(reinterpret_cast<const char*>(out.data()), static_cast<qsizetype>(out.size()));
}

}  // namespace plots
