// Output editing: one value into one field of w characters.
//
// Every editor writes exactly field.size() bytes (w may be 0: nothing is written) and returns
// true when the value fit, false when the field was filled with asterisks instead, which the
// statement records as an output conversion error. Nothing allocates, nothing depends on the
// locale; decimal digits come from std::to_chars, rounded to nearest with ties to even on the
// exact binary value.
//
// Choices for the edits the report does not use:
//  - F: sign, integer digits, point, d digits (the value times 10**k under kP); a "0" before the
//    point of a value below 1 only when it fits, as for E. A value that rounds to zero has no
//    minus sign.
//  - G: the value rounded to d significant digits picks the form: 0.1 <= |v| < 10**d (and zero)
//    go out as F(w-n).(d-X) followed by n blanks (n = 4, or e + 2 with Ee), with X the digits
//    before the point and kP ignored; others as Ew.d (Ee) under the scale factor.
//  - ES: as E under 1P whatever the scale factor. EN: 1 to 3 digits before the point and an
//    exponent that is a multiple of 3. Both use the E rules for zero and the exponent part.
//  - Infinity and NaN go out as under E for every real edit.
//  - L: w - 1 blanks and T or F. O, Z, B: the item's bits as an unsigned number (Z upper case),
//    at least m digits, asterisks when they do not fit.
//  - Iw.m with m = 0 writes 0 for zero as any other value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "recio/status.h"

namespace recio {

// Sign of non-negative numbers: S (none), SP (a plus sign), SS (none).
enum class SignMode : std::uint8_t { Processor, Plus, Suppress };

struct RealEdit {
  std::int32_t d = 0;  // digits after the point
  std::int32_t e = 0;  // exponent digits; 0 = not given
  std::int32_t k = 0;  // scale factor
  SignMode sign = SignMode::Processor;
};

// Ew.d, Ew.dEe (letter E) and Dw.d (letter D).
bool edit_e(std::span<char> field, double v, const RealEdit& r) noexcept;
bool edit_d(std::span<char> field, double v, const RealEdit& r) noexcept;
bool edit_f(std::span<char> field, double v, const RealEdit& r) noexcept;
bool edit_g(std::span<char> field, double v, const RealEdit& r) noexcept;
bool edit_en(std::span<char> field, double v, const RealEdit& r) noexcept;
bool edit_es(std::span<char> field, double v, const RealEdit& r) noexcept;

// Iw.m of an integer of any width.
bool edit_i(std::span<char> field, std::int64_t v, std::int32_t m, SignMode sign) noexcept;

// Bw.m, Ow.m, Zw.m: `bits_per_digit` is 1, 3 or 4.
bool edit_radix(std::span<char> field, std::uint64_t bits, int bits_per_digit,
                std::int32_t m) noexcept;

void edit_l(std::span<char> field, bool v) noexcept;

// Aw of a character value: right-justified when shorter than w, else its first w characters.
void edit_a(std::span<char> field, std::string_view text) noexcept;

// List-directed write of a 4-byte integer into a character variable of `length` bytes: the
// variable is blank-filled and the value written as by I12 from its first column. Error 66 when
// the variable is shorter than 12 (then it is left blank).
Status write_list_int(char* var, std::size_t length, std::int32_t value) noexcept;

}  // namespace recio
