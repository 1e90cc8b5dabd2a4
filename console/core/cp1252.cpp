#include "console/core/cp1252.h"

#include <array>

namespace console::cp1252 {
namespace {

constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

bool is_surrogate_pair(std::u16string_view text, std::size_t i) {
  return text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
         text[i + 1] <= 0xDFFF;
}

// The code point of the UTF-8 sequence at text[i] and its length, or length 0 when the bytes
// there are not a valid, shortest-form sequence.
std::pair<char32_t, std::size_t> utf8_at(std::string_view text, std::size_t i) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char lead = byte(i);
  std::size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (lead >= 0xF5 || length == 0 || i + length > text.size()) return {0, 0};
  char32_t c = lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return {0, 0};
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {0, 0};
  return {c, length};
}

}  // namespace

char16_t to_unicode(unsigned char byte) noexcept {
  return byte >= 0x80 && byte <= 0x9F ? kHigh[byte - 0x80] : static_cast<char16_t>(byte);
}

int from_unicode(char32_t code_point) noexcept {
  if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF))
    return static_cast<int>(code_point);
  for (std::size_t i = 0; i < kHigh.size(); ++i) {
    if (kHigh[i] == code_point) return static_cast<int>(0x80 + i);
  }
  return -1;
}

std::u16string decode(std::string_view bytes) {
  std::u16string text(bytes.size(), u'\0');
  for (std::size_t i = 0; i < bytes.size(); ++i)
    text[i] = to_unicode(static_cast<unsigned char>(bytes[i]));
  return text;
}

std::string encode(std::u16string_view text, char replacement, bool* lossless) {
  std::string bytes;
  bytes.reserve(text.size());
  bool all = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    int b = from_unicode(text[i]);
    if (b < 0) {
      all = false;
      if (is_surrogate_pair(text, i)) ++i;
      bytes.push_back(replacement);
    } else {
      bytes.push_back(static_cast<char>(b));
    }
  }
  if (lossless != nullptr) *lossless = all;
  return bytes;
}

std::string from_utf8(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      bytes.push_back(text[i++]);
      continue;
    }
    auto [c, length] = utf8_at(text, i);
    if (length == 0) {
      bytes.push_back(text[i++]);
      continue;
    }
    int b = from_unicode(c);
    bytes.push_back(b < 0 ? '?' : static_cast<char>(b));
    i += length;
  }
  return bytes;
}

std::string to_utf8(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (char b : bytes) {
    const char16_t c = to_unicode(static_cast<unsigned char>(b));
    if (c < 0x80) {
      text += static_cast<char>(c);
    } else if (c < 0x800) {
      text += static_cast<char>(0xC0 | (c >> 6));
      text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      text += static_cast<char>(0xE0 | (c >> 12));
      text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      text += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return text;
}

}  // namespace console::cp1252
