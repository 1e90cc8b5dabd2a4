// The bitmap files Save writes: headers parsed back, pixels decoded back, and the file replaced
// whole or not at all.
#include "console/core/dib.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace console {
namespace {

namespace fs = std::filesystem;

std::uint32_t u16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8;
}
std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return u16(b, at) | u16(b, at + 2) << 16;
}

// The colour (0xRRGGBB) of pixel (x, y), top row 0, read back from a file.
std::uint32_t colour_at(const std::vector<std::uint8_t>& f, int x, int y) {
  const int width = static_cast<int>(u32(f, 18)), height = static_cast<int>(u32(f, 22));
  const int bits = static_cast<int>(u16(f, 28));
  const std::size_t row_bytes = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
  const std::size_t row = u32(f, 10) + row_bytes * static_cast<std::size_t>(height - 1 - y);
  auto table = [&](std::uint32_t index) {
    const std::size_t at = 54 + 4 * index;
    return static_cast<std::uint32_t>(f[at + 2] << 16 | f[at + 1] << 8 | f[at]);
  };
  switch (bits) {
    case 1:
      return table(f[row + x / 8] >> (7 - x % 8) & 1);
    case 4:
      return table(f[row + x / 2] >> (x % 2 == 0 ? 4 : 0) & 0xF);
    case 8:
      return table(f[row + x]);
    default: {
      const std::size_t at = row + 3 * static_cast<std::size_t>(x);
      return static_cast<std::uint32_t>(f[at + 2] << 16 | f[at + 1] << 8 | f[at]);
    }
  }
}

// A 16-colour palette as the text windows use it.
const std::vector<std::uint32_t> kPalette16 = {
    0xFF000000, 0xFF000080, 0xFF008000, 0xFF008080, 0xFF800000, 0xFF800080, 0xFF808000, 0xFFC0C0C0,
    0xFF808080, 0xFF0000FF, 0xFF00FF00, 0xFF00FFFF, 0xFFFF0000, 0xFFFF00FF, 0xFFFFFF00, 0xFFFFFFFF};

struct Image {
  int width, height;
  PixelFormat format;
  std::vector<std::uint8_t> bytes;
  std::ptrdiff_t stride;
  std::vector<std::uint32_t> palette;

  ImageView view() const { return {width, height, format, bytes.data(), stride, palette}; }
  std::uint32_t colour(int x, int y) const {
    const std::uint8_t* row = bytes.data() + y * stride;
    if (format == PixelFormat::Indexed8) return palette[row[x]] & 0xFFFFFF;
    std::uint32_t word;
    std::memcpy(&word, row + 4 * x, 4);
    return word & 0xFFFFFF;
  }
};

// An image whose pixels differ from row to row and column to column; rows carry slack bytes.
Image pattern(int width, int height, PixelFormat format, std::vector<std::uint32_t> palette) {
  const int bpp = format == PixelFormat::Rgb32 ? 4 : 1;
  Image image{width, height, format, {}, width * bpp + 4, std::move(palette)};
  image.bytes.assign(static_cast<std::size_t>(image.stride) * height, 0xEE);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = image.bytes.data() + y * image.stride + x * bpp;
      if (format == PixelFormat::Indexed8) {
        *p = static_cast<std::uint8_t>((x * 3 + y * 5) % image.palette.size());
      } else {
        const std::uint32_t word =
            0xFF000000u | (x * 37 & 0xFF) << 16 | (y * 11 & 0xFF) << 8 | ((x ^ y) & 0xFF);
        std::memcpy(p, &word, 4);
      }
    }
  }
  return image;
}

TEST(Dib, HeadersColourTableAndPixelsReadBack) {
  std::vector<std::uint32_t> palette256(256);
  for (std::uint32_t i = 0; i < 256; ++i)
    palette256[i] = 0xFF000000u | i << 16 | (255 - i) << 8 | i / 2;
  struct Case {
    const char* name;
    Image image;
    DibDepth depth;
    std::uint32_t colours;    // in the table
    std::uint32_t row_bytes;  // padded
  };
  const Case cases[] = {
      {"1 bit, 13 wide", pattern(13, 3, PixelFormat::Indexed8, {0xFF000000, 0xFFFFFFFF}),
       DibDepth::Bits1, 2, 4},
      {"1 bit, 33 wide", pattern(33, 2, PixelFormat::Indexed8, {0xFF102030, 0xFFA0B0C0}),
       DibDepth::Bits1, 2, 8},
      {"4 bits, odd width", pattern(7, 5, PixelFormat::Indexed8, kPalette16), DibDepth::Bits4, 16,
       4},
      {"4 bits, 9 wide", pattern(9, 2, PixelFormat::Indexed8, kPalette16), DibDepth::Bits4, 16, 8},
      {"8 bits", pattern(6, 4, PixelFormat::Indexed8, palette256), DibDepth::Bits8, 256, 8},
      {"8 bits from a short palette", pattern(5, 2, PixelFormat::Indexed8, kPalette16),
       DibDepth::Bits8, 256, 8},
      {"24 bits from words", pattern(5, 3, PixelFormat::Rgb32, {}), DibDepth::Bits24, 0, 16},
      {"24 bits from a palette", pattern(4, 2, PixelFormat::Indexed8, kPalette16), DibDepth::Bits24,
       0, 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint8_t> f = encode_dib(c.image.view(), c.depth);
    ASSERT_FALSE(f.empty());
    const std::uint32_t offset = 14 + 40 + 4 * c.colours;
    const std::uint32_t image_bytes = c.row_bytes * static_cast<std::uint32_t>(c.image.height);
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(u32(f, 2), f.size());
    EXPECT_EQ(f.size(), offset + image_bytes);
    EXPECT_EQ(u32(f, 6), 0u);  // reserved
    EXPECT_EQ(u32(f, 10), offset);
    EXPECT_EQ(u32(f, 14), 40u);
    EXPECT_EQ(u32(f, 18), static_cast<std::uint32_t>(c.image.width));
    EXPECT_EQ(u32(f, 22), static_cast<std::uint32_t>(c.image.height));
    EXPECT_EQ(u16(f, 26), 1u);  // planes
    EXPECT_EQ(u16(f, 28), static_cast<std::uint32_t>(c.depth));
    EXPECT_EQ(u32(f, 30), 0u);  // no compression
    EXPECT_EQ(u32(f, 34), image_bytes);
    for (std::uint32_t i = 0; i < c.colours; ++i) {
      const std::uint32_t want = i < c.image.palette.size() ? c.image.palette[i] & 0xFFFFFF : 0;
      const std::size_t at = 54 + 4 * i;
      ASSERT_EQ(static_cast<std::uint32_t>(f[at + 2] << 16 | f[at + 1] << 8 | f[at]), want) << i;
      ASSERT_EQ(f[at + 3], 0) << i;
    }
    for (int y = 0; y < c.image.height; ++y)
      for (int x = 0; x < c.image.width; ++x)
        ASSERT_EQ(colour_at(f, x, y), c.image.colour(x, y)) << x << "," << y;
    // Padding is zero: the last row in the file is the image's top row.
    const std::size_t used =
        (static_cast<std::size_t>(c.image.width) * static_cast<int>(c.depth) + 7) / 8;
    for (std::size_t i = used; i < c.row_bytes; ++i) EXPECT_EQ(f[f.size() - c.row_bytes + i], 0);
  }
}

TEST(Dib, RefusesWhatItCannotWrite) {
  const Image indexed = pattern(4, 4, PixelFormat::Indexed8, kPalette16);
  const Image words = pattern(4, 4, PixelFormat::Rgb32, {});
  ImageView empty = indexed.view();
  empty.height = 0;
  ImageView no_pixels = indexed.view();
  no_pixels.pixels = nullptr;
  ImageView short_stride = indexed.view();
  short_stride.stride = 3;
  ImageView short_palette = indexed.view();
  short_palette.palette = std::span(indexed.palette).first(4);  // indices up to 15 are used
  ImageView huge = words.view();
  huge.width = 40000;  // 40000 x 40000 x 3 bytes: beyond the 4 GiB a file can say
  huge.height = 40000;
  huge.stride = 160000;
  EXPECT_TRUE(encode_dib(empty, DibDepth::Bits4).empty());
  EXPECT_TRUE(encode_dib(no_pixels, DibDepth::Bits4).empty());
  EXPECT_TRUE(encode_dib(short_stride, DibDepth::Bits8).empty());
  EXPECT_TRUE(encode_dib(indexed.view(), DibDepth::Bits1).empty());  // 16 colours in 1 bit
  EXPECT_TRUE(encode_dib(short_palette, DibDepth::Bits8).empty());
  EXPECT_TRUE(encode_dib(words.view(), DibDepth::Bits8).empty());
  EXPECT_TRUE(encode_dib(huge, DibDepth::Bits24).empty());
  EXPECT_EQ(natural_depth(indexed.view()), DibDepth::Bits4);
  EXPECT_EQ(natural_depth(words.view()), DibDepth::Bits24);
  EXPECT_EQ(natural_depth(short_palette), DibDepth::Bits4);
}

class DibSave : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tavo-dib-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir_);
  }
  static std::vector<std::uint8_t> read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void write(const fs::path& p, std::string_view text) {
    std::ofstream(p, std::ios::binary) << text;
  }
  std::size_t entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }
  fs::path dir_;
};

TEST_F(DibSave, WritesAndReplacesKeepingPermissions) {
  const Image image = pattern(10, 7, PixelFormat::Indexed8, kPalette16);
  const fs::path file = dir_ / "out.bmp";
  ASSERT_EQ(save_dib(file.string(), image.view(), DibDepth::Bits4), SaveStatus::Ok);
  EXPECT_EQ(read(file), encode_dib(image.view(), DibDepth::Bits4));

  write(file, "old contents");
  ::chmod(file.c_str(), 0640);
  ASSERT_EQ(save_dib(file.string(), image.view(), DibDepth::Bits24), SaveStatus::Ok);
  EXPECT_EQ(read(file), encode_dib(image.view(), DibDepth::Bits24));
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(entries(), 1u);  // no temporary left behind

  // Through a link, the file it names is replaced and the link stays.
  const fs::path link = dir_ / "link.bmp";
  fs::create_symlink(file, link);
  ASSERT_EQ(save_dib(link.string(), image.view(), DibDepth::Bits8), SaveStatus::Ok);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(read(file), encode_dib(image.view(), DibDepth::Bits8));
}

TEST_F(DibSave, FailuresLeaveTheOldFileAlone) {
  const Image image = pattern(10, 7, PixelFormat::Indexed8, kPalette16);
  const fs::path file = dir_ / "keep.bmp";
  write(file, "old contents");
  ImageView invalid = image.view();
  invalid.width = 0;
  EXPECT_EQ(save_dib(file.string(), invalid, DibDepth::Bits4), SaveStatus::InvalidImage);
  EXPECT_EQ(save_dib((dir_ / "missing" / "x.bmp").string(), image.view(), DibDepth::Bits4),
            SaveStatus::CannotCreate);
  EXPECT_EQ(save_dib(dir_.string(), image.view(), DibDepth::Bits4), SaveStatus::CannotCreate);
  EXPECT_EQ(save_dib("/dev/full/x.bmp", image.view(), DibDepth::Bits4), SaveStatus::CannotCreate);
  if (::geteuid() != 0) {  // root writes anyway
    ::chmod(file.c_str(), 0444);
    EXPECT_EQ(save_dib(file.string(), image.view(), DibDepth::Bits4), SaveStatus::CannotCreate);
    ::chmod(file.c_str(), 0644);
    fs::permissions(dir_, fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_EQ(save_dib(file.string(), image.view(), DibDepth::Bits4), SaveStatus::CannotCreate);
  }
  const std::vector<std::uint8_t> old = read(file);
  EXPECT_EQ(std::string(old.begin(), old.end()), "old contents");
  EXPECT_EQ(entries(), 1u);
}

TEST_F(DibSave, AWriteFailureRemovesTheTemporary) {
  // Files may not grow beyond 100 bytes: the headers fit, the rows do not.
  const Image image = pattern(64, 64, PixelFormat::Rgb32, {});
  const fs::path file = dir_ / "keep.bmp";
  write(file, "old contents");
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const struct rlimit small { 100, saved.rlim_max };
  auto* old_handler = ::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const SaveStatus status = save_dib(file.string(), image.view(), DibDepth::Bits24);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(status, SaveStatus::WriteFailed);
  const std::vector<std::uint8_t> old = read(file);
  EXPECT_EQ(std::string(old.begin(), old.end()), "old contents");
  EXPECT_EQ(entries(), 1u);
}

}  // namespace
}  // namespace console
