#include "tools/notepad/text_file.h"

#include "console/core/cp1252.h"

namespace notepad {

EditorText decode_file(std::string_view bytes) {
  EditorText result;
  const std::size_t first_lf = bytes.find('\n');
  result.crlf = first_lf == std::string_view::npos || (first_lf > 0 && bytes[first_lf - 1] == '\r');
  std::string lines;
  lines.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (result.crlf && bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    lines.push_back(bytes[i]);
  }
  result.text = console::cp1252::decode(lines);
  return result;
}

std::string encode_file(std::u16string_view text, bool crlf, bool* lossless) {
  std::string bytes = console::cp1252::encode(text, '?', lossless);
  if (!crlf) return bytes;
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 16);
  for (char c : bytes) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

}  // namespace notepad
