// Code page 1252 <-> Unicode, for the toolkit boundary (drawing, dialogs, the clipboard, the
// editor). One 32-entry table covers 0x80-0x9F; the other bytes are their own code points.
// The five bytes that code page 1252 leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to
// the C1 controls of the same value, so every byte string survives a round trip.
//
// Nothing here allocates except the string-returning functions; none throws besides
// std::bad_alloc.
#pragma once

#include <string>
#include <string_view>

namespace console::cp1252 {

char16_t to_unicode(unsigned char byte) noexcept;
// The byte for a code point, or -1 when code page 1252 has none.
int from_unicode(char32_t code_point) noexcept;

std::u16string decode(std::string_view bytes);
// Characters without a byte (a surrogate pair counts as one) become `replacement`; `lossless`,
// when given, tells whether every character had one.
std::string encode(std::u16string_view text, char replacement = '?', bool* lossless = nullptr);

// UTF-8 (file names, the environment) to code page 1252; a byte that does not start a valid
// UTF-8 sequence is taken as a code page 1252 byte.
std::string from_utf8(std::string_view text);
// Code page 1252 to UTF-8 (for files written for other programs); every byte has a character.
std::string to_utf8(std::string_view bytes);

}  // namespace console::cp1252
