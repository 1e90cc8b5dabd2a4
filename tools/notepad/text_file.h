// The editor's file format: code page 1252 bytes with CR LF or LF line ends, kept as found.
#pragma once

#include <string>
#include <string_view>

namespace notepad {

struct EditorText {
  std::u16string text;  // lines separated by '\n'
  bool crlf = true;     // write CR LF line ends
};

// A file's bytes as text. A file whose first line end is CR LF is written back with CR LF,
// one whose first line end is a bare LF with LF; a file without line ends (or a new one) gets
// CR LF, as the records the run-time writes.
EditorText decode_file(std::string_view bytes);

// Text as file bytes with the chosen line ends. `lossless`, when given, tells whether every
// character had a byte in code page 1252 (the others become '?').
std::string encode_file(std::u16string_view text, bool crlf, bool* lossless = nullptr);

}  // namespace notepad
