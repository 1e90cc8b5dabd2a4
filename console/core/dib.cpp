#include "console/core/dib.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>

namespace console {
namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;

struct Layout {
  int bits = 0;
  std::uint32_t colours = 0;    // entries in the colour table
  std::uint32_t row_bytes = 0;  // padded
  std::uint32_t image_bytes = 0;
  std::uint32_t pixel_offset = 0;
  std::uint32_t file_bytes = 0;
};

std::uint32_t pixel_word(const ImageView& image, int x, int y) {
  const std::uint8_t* row = image.pixels + static_cast<std::ptrdiff_t>(y) * image.stride;
  if (image.format == PixelFormat::Indexed8) return row[x];
  std::uint32_t word;
  std::memcpy(&word, row + static_cast<std::ptrdiff_t>(x) * 4, sizeof word);
  return word;
}

// The file's layout, or nothing when the image cannot be written at the depth.
std::optional<Layout> layout_of(const ImageView& image, DibDepth depth) {
  if (image.pixels == nullptr || image.width < 1 || image.height < 1) return std::nullopt;
  Layout l;
  l.bits = static_cast<int>(depth);
  const bool indexed_file = depth != DibDepth::Bits24;
  if (image.format == PixelFormat::Rgb32 && indexed_file) return std::nullopt;
  const std::ptrdiff_t min_stride =
      static_cast<std::ptrdiff_t>(image.width) * (image.format == PixelFormat::Rgb32 ? 4 : 1);
  if (image.stride < min_stride) return std::nullopt;
  l.colours = indexed_file ? 1u << l.bits : 0;
  const std::uint64_t row_bytes = (static_cast<std::uint64_t>(image.width) * l.bits + 31) / 32 * 4;
  const std::uint64_t image_bytes = row_bytes * static_cast<std::uint64_t>(image.height);
  const std::uint64_t offset = kFileHeaderSize + kInfoHeaderSize + 4ull * l.colours;
  if (offset + image_bytes > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  l.row_bytes = static_cast<std::uint32_t>(row_bytes);
  l.image_bytes = static_cast<std::uint32_t>(image_bytes);
  l.pixel_offset = static_cast<std::uint32_t>(offset);
  l.file_bytes = static_cast<std::uint32_t>(offset + image_bytes);

  if (image.format == PixelFormat::Indexed8) {
    // Every index must name a colour of the palette and fit the depth.
    const std::size_t limit =
        std::min<std::size_t>(image.palette.size(), indexed_file ? l.colours : 256);
    for (int y = 0; y < image.height; ++y)
      for (int x = 0; x < image.width; ++x)
        if (pixel_word(image, x, y) >= limit) return std::nullopt;
  }
  return l;
}

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

// The two headers and the colour table.
std::vector<std::uint8_t> headers(const ImageView& image, const Layout& l) {
  std::vector<std::uint8_t> out;
  out.reserve(l.pixel_offset);
  out.push_back('B');
  out.push_back('M');
  put32(out, l.file_bytes);
  put16(out, 0);
  put16(out, 0);
  put32(out, l.pixel_offset);

  put32(out, kInfoHeaderSize);
  put32(out, static_cast<std::uint32_t>(image.width));
  put32(out, static_cast<std::uint32_t>(image.height));
  put16(out, 1);
  put16(out, static_cast<std::uint32_t>(l.bits));
  put32(out, 0);  // no compression
  put32(out, l.image_bytes);
  put32(out, 0);
  put32(out, 0);
  put32(out, 0);
  put32(out, 0);

  for (std::uint32_t i = 0; i < l.colours; ++i) {
    const std::uint32_t rgb = i < image.palette.size() ? image.palette[i] : 0;
    out.push_back(static_cast<std::uint8_t>(rgb));
    out.push_back(static_cast<std::uint8_t>(rgb >> 8));
    out.push_back(static_cast<std::uint8_t>(rgb >> 16));
    out.push_back(0);
  }
  return out;
}

// Row y of the image (top row 0) in the file's form, padding included, into `row`.
void encode_row(const ImageView& image, const Layout& l, int y, std::uint8_t* row) {
  std::memset(row, 0, l.row_bytes);
  for (int x = 0; x < image.width; ++x) {
    const std::uint32_t v = pixel_word(image, x, y);
    switch (l.bits) {
      case 1:
        row[x / 8] |= static_cast<std::uint8_t>((v & 1u) << (7 - x % 8));
        break;
      case 4:
        row[x / 2] |= static_cast<std::uint8_t>((v & 0xFu) << (x % 2 == 0 ? 4 : 0));
        break;
      case 8:
        row[x] = static_cast<std::uint8_t>(v);
        break;
      default: {
        const std::uint32_t rgb = image.format == PixelFormat::Indexed8 ? image.palette[v] : v;
        row[3 * x] = static_cast<std::uint8_t>(rgb);
        row[3 * x + 1] = static_cast<std::uint8_t>(rgb >> 8);
        row[3 * x + 2] = static_cast<std::uint8_t>(rgb >> 16);
      }
    }
  }
}

bool write_all(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Creates a new file next to `target` that nobody else has opened: 0666 less the umask.
int create_temporary(const std::filesystem::path& target, std::string& name) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string leaf = ".";
    leaf += target.filename().string();
    leaf += ".tmp";
    leaf += std::to_string(::getpid());
    leaf += '-';
    leaf += std::to_string(counter.fetch_add(1));
    name = (target.parent_path() / leaf).string();
    const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

DibDepth natural_depth(const ImageView& image) {
  if (image.format == PixelFormat::Rgb32) return DibDepth::Bits24;
  if (image.palette.size() <= 2) return DibDepth::Bits1;
  if (image.palette.size() <= 16) return DibDepth::Bits4;
  return DibDepth::Bits8;
}

std::vector<std::uint8_t> encode_dib(const ImageView& image, DibDepth depth) {
  const std::optional<Layout> l = layout_of(image, depth);
  if (!l) return {};
  std::vector<std::uint8_t> out = headers(image, *l);
  out.resize(l->file_bytes);
  std::uint8_t* row = out.data() + l->pixel_offset;
  for (int y = image.height - 1; y >= 0; --y, row += l->row_bytes) encode_row(image, *l, y, row);
  return out;
}

SaveStatus save_dib(const std::string& path, const ImageView& image, DibDepth depth) {
  const std::optional<Layout> l = layout_of(image, depth);
  if (!l) return SaveStatus::InvalidImage;

  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path target = path;
  if (fs::is_symlink(target, ec)) {
    fs::path resolved = fs::weakly_canonical(target, ec);
    if (ec) return SaveStatus::CannotCreate;
    target = resolved;
  }
  if (target.filename().empty() || fs::is_directory(target, ec)) return SaveStatus::CannotCreate;
  struct stat old {};
  const bool replacing = ::stat(target.c_str(), &old) == 0;
  // A read-only file is not replaced, as it could not be overwritten in place either.
  if (replacing && ::access(target.c_str(), W_OK) != 0) return SaveStatus::CannotCreate;

  std::string temporary;
  const int fd = create_temporary(target, temporary);
  if (fd < 0) return SaveStatus::CannotCreate;
  auto fail = [&](SaveStatus status) {
    ::close(fd);
    ::unlink(temporary.c_str());
    return status;
  };
  if (replacing && ::fchmod(fd, old.st_mode & 07777) != 0) return fail(SaveStatus::WriteFailed);

  const std::vector<std::uint8_t> head = headers(image, *l);
  if (!write_all(fd, head.data(), head.size())) return fail(SaveStatus::WriteFailed);
  // Rows in chunks of about 64 KiB, so that a large image needs no second copy in memory.
  const std::size_t rows_per_chunk = std::max<std::size_t>(1, 65536 / l->row_bytes);
  std::vector<std::uint8_t> chunk(rows_per_chunk * l->row_bytes);
  std::size_t filled = 0;
  for (int y = image.height - 1; y >= 0; --y) {
    encode_row(image, *l, y, chunk.data() + filled);
    filled += l->row_bytes;
    if (filled == chunk.size() || y == 0) {
      if (!write_all(fd, chunk.data(), filled)) return fail(SaveStatus::WriteFailed);
      filled = 0;
    }
  }
  if (::fsync(fd) != 0) return fail(SaveStatus::WriteFailed);
  if (::close(fd) != 0) {
    ::unlink(temporary.c_str());
    return SaveStatus::WriteFailed;
  }
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return SaveStatus::WriteFailed;
  }
  return SaveStatus::Ok;
}

}  // namespace console
