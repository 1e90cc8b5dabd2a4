#include "recio/edit.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace recio {
namespace {

// The exact decimal expansion of a double has at most 767 significant digits, so asking
// std::to_chars for more only appends zeros; digits past this many are supplied as zeros.
constexpr int kMaxSig = 800;
// Digits after the point up to which 1P editing works in a small buffer.
constexpr int kMaxShortDigits = 64;

// A positive value rounded to some number of significant digits: 0.D1 D2 ... x 10**x. Digits
// past `avail` are zeros.
struct Decimal {
  char buf[kMaxSig + 16];
  const char* digits = buf;
  long long avail = 0;
  long long x = 0;
  bool zero = false;

  char at(long long i) const { return i >= 0 && i < avail ? digits[i] : '0'; }
};

// Rounds a > 0 (finite) to n >= 1 significant digits.
void round_sig(double a, long long n, Decimal& out) {
  const int p = static_cast<int>(std::min<long long>(n, kMaxSig)) - 1;
  const auto r =
      std::to_chars(out.buf, out.buf + sizeof out.buf, a, std::chars_format::scientific, p);
  // "D.DDDDe+XX" (or "De+XX" when p is 0): make the digits contiguous from buf + 1.
  const char* e = out.buf + (p > 0 ? p + 2 : 1);
  int exp = 0;
  for (const char* c = e + 2; c < r.ptr; ++c) exp = exp * 10 + (*c - '0');
  if (e[1] == '-') exp = -exp;
  if (p > 0) out.buf[1] = out.buf[0];
  out.digits = p > 0 ? out.buf + 1 : out.buf;
  out.avail = p + 1;
  out.x = exp + 1;
  out.zero = false;
}

// The decimal exponent x of a > 0 before any rounding (a = 0.D1... x 10**x, D1 != 0).
long long exact_x(double a) {
  Decimal d;
  round_sig(a, 17, d);
  if (d.digits[0] == '1' &&
      std::all_of(d.digits + 1, d.digits + 17, [](char c) { return c == '0'; }))
    round_sig(a, kMaxSig, d);  // may have carried into the next power of ten
  return d.x;
}

// Rounds a >= 0 to p digits after the point (p may be negative).
void round_fixed(double a, long long p, Decimal& out) {
  out.zero = true;
  out.avail = 0;
  out.x = 0;
  if (a == 0) return;
  const long long x = exact_x(a);
  const long long n = x + p;
  if (n >= 1) {
    round_sig(a, n, out);
  } else if (n == 0) {  // a < 10**-p: becomes 0 or 10**-p, a tie going to 0
    round_sig(a, kMaxSig, out);
    const bool up = out.digits[0] > '5' ||
                    (out.digits[0] == '5' && std::any_of(out.digits + 1, out.digits + out.avail,
                                                         [](char c) { return c != '0'; }));
    if (!up) {
      out.avail = 0;
      out.zero = true;
      return;
    }
    out.buf[0] = '1';
    out.digits = out.buf;
    out.avail = 1;
    out.x = x + 1;
    out.zero = false;
  }
}

bool stars(std::span<char> f) {
  std::memset(f.data(), '*', f.size());
  return false;
}

void blanks(char*& out, long long n) {
  std::memset(out, ' ', static_cast<std::size_t>(n));
  out += n;
}

void put_digits(char*& out, const Decimal& dec, long long from, long long count) {
  if (count <= 0) return;
  long long have = std::clamp(dec.avail - from, 0LL, count);
  if (have > 0) std::memcpy(out, dec.digits + from, static_cast<std::size_t>(have));
  std::memset(out + have, '0', static_cast<std::size_t>(count - have));
  out += count;
}

// NaN and the infinities: the word from the field's second column.
bool special(std::span<char> f, double v) {
  const std::string_view word = std::isnan(v) ? "NaN" : v < 0 ? "-Infinity" : "Infinity";
  if (word.size() + 1 > f.size()) return stars(f);
  std::memset(f.data(), ' ', f.size());
  std::memcpy(f.data() + 1, word.data(), word.size());
  return true;
}

// The exponent part for written exponent x: length, or -1 when it cannot be written.
long long exponent_length(long long x, long long e) {
  const long long mag = x < 0 ? -x : x;
  if (e == 0) return mag <= 999 ? 4 : -1;
  long long digits = 1;
  for (long long m = mag; m >= 10; m /= 10) ++digits;
  return digits <= e ? e + 2 : -1;
}

void put_exponent(char*& out, long long x, long long e, char letter) {
  const long long mag = x < 0 ? -x : x;
  long long digits = e;
  if (e == 0) {
    digits = mag <= 99 ? 2 : 3;
    if (digits == 2) *out++ = letter;
  } else {
    *out++ = letter;
  }
  *out++ = x < 0 ? '-' : '+';
  char* end = out + digits;
  long long m = mag;
  for (char* c = end; c > out;) {
    *--c = static_cast<char>('0' + m % 10);
    m /= 10;
  }
  out = end;
}

// Sign text length and character for a value that is negative or not.
struct Sign {
  char c = 0;
  long long len() const { return c ? 1 : 0; }
};
Sign sign_of(bool negative, SignMode mode) {
  if (negative) return {'-'};
  return {mode == SignMode::Plus ? '+' : '\0'};
}

// Whether the optional zero before the point goes out: when it fits, and in an exactly full
// field only without a sign.
bool optional_zero(long long total, long long w, Sign s) {
  return total + 1 < w || (total + 1 == w && s.len() == 0);
}

// 1P without Ee, the report's only form: std::to_chars already writes d.ddd...e+XX, so the
// letter replaces 'e' (and goes with a three-digit exponent).
bool edit_exp_1p(std::span<char> f, double v, const RealEdit& r, char letter) {
  char buf[kMaxShortDigits + 16];
  char* first = buf + 1;
  const auto res = std::to_chars(first, std::end(buf), v, std::chars_format::scientific, r.d);
  if (*first != '-' && r.sign == SignMode::Plus) *--first = '+';
  std::size_t len = static_cast<std::size_t>(res.ptr - first);
  if (res.ptr[-4] == 'e') {  // e+XX
    res.ptr[-4] = letter;
  } else {  // e+XXX: the sign takes the letter's place
    std::memmove(res.ptr - 5, res.ptr - 4, 4);
    --len;
  }
  if (len > f.size()) return stars(f);
  const std::size_t pad = f.size() - len;
  std::memset(f.data(), ' ', pad);
  std::memcpy(f.data() + pad, first, len);
  return true;
}

bool edit_exp(std::span<char> f, double v, const RealEdit& r, char letter) {
  if (!std::isfinite(v)) return special(f, v);
  if (r.k == 1 && r.e == 0 && r.d >= 1 && r.d <= kMaxShortDigits && v != 0)
    return edit_exp_1p(f, v, r, letter);
  const long long w = static_cast<long long>(f.size());
  const long long d = r.d, k = r.k, e = r.e;
  const bool zero = v == 0;
  const Sign sign = sign_of(!zero && std::signbit(v), r.sign);
  Decimal dec;
  long long x = 0, mantissa = 1 + d;
  if (!zero) {
    long long n = 0;
    if (k > 0) {
      if (k > d + 1) return stars(f);
      n = d + 1;
      mantissa = d + 2;
    } else {
      n = d + k;
      if (n <= 0) return stars(f);
    }
    round_sig(std::fabs(v), n, dec);
    x = dec.x - k;
  }
  const long long exp_len = zero ? (e == 0 ? 4 : e + 2) : exponent_length(x, e);
  if (exp_len < 0) return stars(f);
  long long total = sign.len() + mantissa + exp_len;
  if (total > w) return stars(f);
  const bool lead = (zero || k <= 0) && optional_zero(total, w, sign);
  total += lead;
  char* out = f.data();
  blanks(out, w - total);
  if (sign.c) *out++ = sign.c;
  if (lead) *out++ = '0';
  if (zero) {
    *out++ = '.';
    std::memset(out, '0', static_cast<std::size_t>(d));
    out += d;
    *out++ = letter;
    *out++ = '+';
    std::memset(out, '0', static_cast<std::size_t>(exp_len - 2));
    return true;
  }
  if (k > 0) {
    put_digits(out, dec, 0, k);
    *out++ = '.';
    put_digits(out, dec, k, d - k + 1);
  } else {
    *out++ = '.';
    std::memset(out, '0', static_cast<std::size_t>(-k));
    out += -k;
    put_digits(out, dec, 0, d + k);
  }
  put_exponent(out, x, e, letter);
  return true;
}

}  // namespace

bool edit_e(std::span<char> field, double v, const RealEdit& r) noexcept {
  return edit_exp(field, v, r, 'E');
}

bool edit_d(std::span<char> field, double v, const RealEdit& r) noexcept {
  return edit_exp(field, v, r, 'D');
}

bool edit_es(std::span<char> field, double v, const RealEdit& r) noexcept {
  RealEdit one = r;
  one.k = 1;
  return edit_exp(field, v, one, 'E');
}

bool edit_f(std::span<char> field, double v, const RealEdit& r) noexcept {
  if (!std::isfinite(v)) return special(field, v);
  const long long w = static_cast<long long>(field.size());
  const long long d = r.d, k = r.k;
  Decimal dec;
  round_fixed(std::fabs(v), d + k, dec);
  const Sign sign = sign_of(!dec.zero && std::signbit(v), r.sign);
  const long long xs = dec.zero ? 0 : dec.x + k;  // digits before the point once scaled
  const long long int_digits = xs > 0 ? xs : 0;
  long long total = sign.len() + int_digits + 1 + d;
  if (total > w) return stars(field);
  const bool lead = int_digits == 0 && optional_zero(total, w, sign);
  total += lead;
  char* out = field.data();
  blanks(out, w - total);
  if (sign.c) *out++ = sign.c;
  if (lead) *out++ = '0';
  put_digits(out, dec, 0, int_digits);
  *out++ = '.';
  if (dec.zero) {
    std::memset(out, '0', static_cast<std::size_t>(d));
  } else if (xs < 0) {
    const long long z = std::min(-xs, d);
    std::memset(out, '0', static_cast<std::size_t>(z));
    out += z;
    put_digits(out, dec, 0, d - z);
  } else {
    put_digits(out, dec, xs, d);
  }
  return true;
}

bool edit_g(std::span<char> field, double v, const RealEdit& r) noexcept {
  if (!std::isfinite(v)) return special(field, v);
  const long long w = static_cast<long long>(field.size());
  const long long n = r.e == 0 ? 4 : r.e + 2;
  long long x = -1;
  if (r.d > 0) {
    if (v == 0) {
      x = 1;
    } else {
      Decimal dec;
      round_sig(std::fabs(v), r.d, dec);
      x = dec.x;
    }
  }
  if (x < 0 || x > r.d) return edit_exp(field, v, r, 'E');
  if (w < n) return stars(field);
  RealEdit fixed = r;
  fixed.d = static_cast<std::int32_t>(r.d - x);
  fixed.k = 0;
  if (!edit_f(field.first(static_cast<std::size_t>(w - n)), v, fixed)) return stars(field);
  std::memset(field.data() + (w - n), ' ', static_cast<std::size_t>(n));
  return true;
}

bool edit_en(std::span<char> field, double v, const RealEdit& r) noexcept {
  if (!std::isfinite(v) || v == 0) return edit_exp(field, v, r, 'E');
  const long long w = static_cast<long long>(field.size());
  const long long d = r.d;
  const double a = std::fabs(v);
  long long sci = exact_x(a) - 1;  // a = D1.D2... x 10**sci
  long long lead = ((sci % 3) + 3) % 3;
  Decimal dec;
  round_sig(a, d + lead + 1, dec);
  if (dec.x - 1 != sci) {  // carried into the next power of ten
    sci = dec.x - 1;
    lead = ((sci % 3) + 3) % 3;
    round_sig(a, d + lead + 1, dec);
  }
  const long long x = sci - lead;
  const long long exp_len = exponent_length(x, r.e);
  if (exp_len < 0) return stars(field);
  const Sign sign = sign_of(std::signbit(v), r.sign);
  const long long total = sign.len() + lead + 2 + d + exp_len;
  if (total > w) return stars(field);
  char* out = field.data();
  blanks(out, w - total);
  if (sign.c) *out++ = sign.c;
  put_digits(out, dec, 0, lead + 1);
  *out++ = '.';
  put_digits(out, dec, lead + 1, d);
  put_exponent(out, x, r.e, 'E');
  return true;
}

bool edit_i(std::span<char> field, std::int64_t v, std::int32_t m, SignMode mode) noexcept {
  const long long w = static_cast<long long>(field.size());
  const std::uint64_t mag =
      v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  char digits[24];
  const long long n = std::to_chars(digits, digits + sizeof digits, mag).ptr - digits;
  const long long shown = std::max<long long>(n, m);
  const Sign sign = sign_of(v < 0, mode);
  const long long total = sign.len() + shown;
  if (total > w) return stars(field);
  char* out = field.data();
  blanks(out, w - total);
  if (sign.c) *out++ = sign.c;
  std::memset(out, '0', static_cast<std::size_t>(shown - n));
  std::memcpy(out + (shown - n), digits, static_cast<std::size_t>(n));
  return true;
}

bool edit_radix(std::span<char> field, std::uint64_t bits, int bits_per_digit,
                std::int32_t m) noexcept {
  const long long w = static_cast<long long>(field.size());
  char digits[72];
  const int base = 1 << bits_per_digit;
  const long long n = std::to_chars(digits, digits + sizeof digits, bits, base).ptr - digits;
  for (long long i = 0; i < n; ++i)
    if (digits[i] >= 'a') digits[i] = static_cast<char>(digits[i] - 'a' + 'A');
  const long long shown = std::max<long long>(n, m);
  if (shown > w) return stars(field);
  char* out = field.data();
  blanks(out, w - shown);
  std::memset(out, '0', static_cast<std::size_t>(shown - n));
  std::memcpy(out + (shown - n), digits, static_cast<std::size_t>(n));
  return true;
}

void edit_l(std::span<char> field, bool v) noexcept {
  if (field.empty()) return;
  std::memset(field.data(), ' ', field.size() - 1);
  field.back() = v ? 'T' : 'F';
}

void edit_a(std::span<char> field, std::string_view text) noexcept {
  if (field.size() > text.size()) {
    const std::size_t pad = field.size() - text.size();
    std::memset(field.data(), ' ', pad);
    if (!text.empty()) std::memcpy(field.data() + pad, text.data(), text.size());
  } else if (!field.empty()) {
    std::memcpy(field.data(), text.data(), field.size());
  }
}

Status write_list_int(char* var, std::size_t length, std::int32_t value) noexcept {
  constexpr std::size_t kWidth = 12;
  if (length > 0) std::memset(var, ' ', length);
  if (length < kWidth) return status_of(kRecordOverflow);
  edit_i({var, kWidth}, value, 1, SignMode::Processor);
  return kOk;
}

}  // namespace recio
