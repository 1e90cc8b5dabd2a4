#include "results/file_safe.h"

#include "console/core/cp1252.h"

namespace results {

std::string file_safe(std::string_view utf8, std::size_t max) {
  // Latin letters of code page 1252 without their accents, from 0xC0 on.
  static constexpr std::string_view kPlain =
      "AAAAAAACEEEEIIIIDNOOOOO_OUUUUYTsaaaaaaaceeeeiiiidnooooo_ouuuuyty";
  std::string safe;
  for (char ch : console::cp1252::from_utf8(utf8)) {
    const auto b = static_cast<unsigned char>(ch);
    char c = b >= 0xC0 ? kPlain[b - 0xC0] : static_cast<char>(b);
    if (b == 0x8A || b == 0x9A) c = b == 0x8A ? 'S' : 's';
    if (b == 0x8E || b == 0x9E) c = b == 0x8E ? 'Z' : 'z';
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '-';
    if (keep && static_cast<unsigned char>(c) < 0x80) {
      safe += c;
    } else if (!safe.empty() && safe.back() != '_') {
      safe += '_';
    }
    if (safe.size() >= max) break;
  }
  while (!safe.empty() && (safe.back() == '_' || safe.back() == '.')) safe.pop_back();
  return safe;
}

}  // namespace results
