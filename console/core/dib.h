// Save: a window's image as a device-independent bitmap file. The layout, little-endian:
//
//   file header, 14 bytes    "BM", file size, two reserved zero words, offset of the pixels
//   information header, 40   header size 40, width, height (positive: rows bottom-up), 1 plane,
//                            bits per pixel, no compression, image size in bytes, 0 and 0
//                            pixels per metre, 0 colours used (the whole table), 0 important
//   colour table             2 entries for 1 bit per pixel, 16 for 4, 256 for 8, none for 24;
//                            each blue, green, red, 0
//   pixel rows               bottom row first, each padded with zeros to a multiple of 4 bytes;
//                            1 and 4 bits per pixel: the leftmost pixel in the high bits;
//                            24: blue, green, red
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace console {

enum class PixelFormat {
  Indexed8,  // one byte per pixel, an index into the palette
  Rgb32,     // one 32-bit word per pixel in the machine's order, 0xAARRGGBB (alpha ignored)
};

// An image in memory, top row first, as the window keeps it (a QImage's bits, for instance).
struct ImageView {
  int width = 0;
  int height = 0;
  PixelFormat format = PixelFormat::Indexed8;
  const std::uint8_t* pixels = nullptr;
  std::ptrdiff_t stride = 0;               // bytes from the start of a row to the next
  std::span<const std::uint32_t> palette;  // 0xAARRGGBB per index (Indexed8)
};

enum class DibDepth { Bits1 = 1, Bits4 = 4, Bits8 = 8, Bits24 = 24 };

// The smallest depth that keeps every colour: an indexed image's palette of up to 2 entries 1
// bit, up to 16 4 bits, up to 256 8 bits; Rgb32 24 bits.
DibDepth natural_depth(const ImageView& image);

// The whole file in memory; empty when the image cannot be written at that depth: no pixels, a
// width or height below 1, a file above 4 GiB, an index outside the palette or beyond the depth's
// colour table, or Rgb32 at an indexed depth. Indexed8 at 24 bits writes the palette's colours.
std::vector<std::uint8_t> encode_dib(const ImageView& image, DibDepth depth);

enum class SaveStatus {
  Ok,
  InvalidImage,  // encode_dib would give nothing
  CannotCreate,  // the folder is missing or not writable, the name is a folder, the old file is
                 // read-only
  WriteFailed,   // writing, syncing or renaming failed (a full disk)
};

// Writes the file at `path`, replacing an old one: the bytes go to a temporary file in the same
// folder, which is synced and then renamed over `path`, so that a failure never leaves a
// half-written file and the old one stays as it was. An old file's permissions are kept; a new
// file gets 0666 less the umask. A symbolic link is followed (the file it names is replaced).
// The caller reports a failure as library error 5 (Module::pkgsave).
SaveStatus save_dib(const std::string& path, const ImageView& image, DibDepth depth);

}  // namespace console
