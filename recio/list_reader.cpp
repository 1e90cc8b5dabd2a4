#include "recio/list_reader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <system_error>

namespace recio {
namespace {

// Character classes of the scanner.
enum : std::uint8_t {
  kBlank = 1 << 0,       // blank, tab
  kEndsText = 1 << 1,    // blank, tab, comma, slash
  kEndsNumber = 1 << 2,  // the same plus ')' and '*'
  kDigit = 1 << 3,
  kSign = 1 << 4,
  kPoint = 1 << 5,
  kExpE = 1 << 6,      // e, E: std::from_chars reads them
  kExpOther = 1 << 7,  // d, D, q, Q: mapped to 'e' before converting
  kNumberChar = kDigit | kSign | kPoint | kExpE | kExpOther,
};

constexpr std::array<std::uint8_t, 256> make_classes() {
  std::array<std::uint8_t, 256> t{};
  t[' '] = t['\t'] = kBlank | kEndsText | kEndsNumber;
  t[','] = t['/'] = kEndsText | kEndsNumber;
  t[')'] = t['*'] = kEndsNumber;
  for (int c = '0'; c <= '9'; ++c) t[c] = kDigit;
  t['+'] = t['-'] = kSign;
  t['.'] = kPoint;
  t['e'] = t['E'] = kExpE;
  t['d'] = t['D'] = t['q'] = t['Q'] = kExpOther;
  return t;
}
constexpr std::array<std::uint8_t, 256> kClasses = make_classes();

inline std::uint8_t class_of(char c) {
  return kClasses[static_cast<unsigned char>(c)];
}

Status syntax_error() {
  return status_of(kListSyntax);
}
Status conversion_error() {
  return status_of(kInputConversion);
}

bool is_logical_letter(char c) {
  return c == 'T' || c == 't' || c == 'F' || c == 'f';
}

// T..., F..., .T..., .F...: a logical value.
bool looks_logical(std::string_view t) {
  return is_logical_letter(t[0]) || (t[0] == '.' && t.size() > 1 && is_logical_letter(t[1]));
}

// A digit or point after an optional minus: what std::from_chars then accepts is a number here.
// It also knows "inf" and "nan", which are not.
bool starts_decimal(const char* p, const char* end) {
  if (*p == '-' && end - p > 1) ++p;
  return (class_of(*p) & (kDigit | kPoint)) != 0;
}

// What the characters of a value say about it as a number.
struct NumberShape {
  bool integer;       // neither point nor exponent letter
  bool exponent_d_q;  // exponent letter D or Q (either case)
};

// Checks the characters of a plain value read into a number: digits, signs, at most one point,
// at most one exponent letter (59 otherwise); a logical value is a conversion error (64).
Status check_number(std::string_view t, NumberShape& shape) {
  if (looks_logical(t)) return conversion_error();
  unsigned seen = 0;
  unsigned points = 0;
  unsigned exponents = 0;
  bool foreign = false;
  for (char c : t) {
    const unsigned k = class_of(c);
    seen |= k;
    foreign |= (k & kNumberChar) == 0;
    points += (k & kPoint) != 0;
    exponents += (k & (kExpE | kExpOther)) != 0;
  }
  if (foreign || points > 1 || exponents > 1) return syntax_error();
  shape.integer = (seen & (kPoint | kExpE | kExpOther)) == 0;
  shape.exponent_d_q = (seen & kExpOther) != 0;
  return kOk;
}

// Decimal exponent of the leading significant digit of a checked number: tells an overflow of
// std::from_chars from an underflow. Saturates far beyond any double.
std::int64_t decimal_magnitude(std::string_view t) {
  constexpr std::int64_t kFar = std::int64_t{1} << 40;
  std::int64_t digits = 0;  // mantissa digits so far
  std::int64_t before_point = -1;
  std::int64_t leading = -1;  // index of the first non-zero digit
  std::size_t i = 0;
  for (; i < t.size(); ++i) {
    const char c = t[i];
    const unsigned k = class_of(c);
    if (k & kDigit) {
      if (leading < 0 && c != '0') leading = digits;
      ++digits;
    } else if (k & kPoint) {
      before_point = digits;
    } else if (k & (kExpE | kExpOther)) {
      ++i;
      break;
    }
  }
  if (before_point < 0) before_point = digits;
  std::int64_t exponent = 0;
  bool negative = false;
  if (i < t.size() && (class_of(t[i]) & kSign)) negative = t[i++] == '-';
  for (; i < t.size(); ++i) exponent = std::min(exponent * 10 + (t[i] - '0'), kFar);
  if (negative) exponent = -exponent;
  if (leading < 0) return -kFar;  // all zeros
  return exponent + before_point - leading - 1;
}

// Converts a checked number to the nearest value of T (float or double): a value beyond T's range
// is 64, one too small for T becomes a zero of its sign. `scratch` takes a copy of the value when
// its exponent letter has to be rewritten; it has room for kMaxTokenLength characters.
template <typename T>
Status to_real(std::string_view t, const NumberShape& shape, char* scratch, T& out) {
  const char* b = t.data();
  const char* e = b + t.size();
  // std::from_chars takes no plus sign, and must not see the sign of "+-1" as the first one.
  if (*b == '+') {
    ++b;
    if (b == e || (class_of(*b) & kSign)) return conversion_error();
  }
  if (shape.exponent_d_q) {
    char* o = scratch;
    for (const char* p = b; p < e; ++p) *o++ = (class_of(*p) & kExpOther) ? 'e' : *p;
    e = o;
    b = scratch;
  }
  const auto [end, ec] = std::from_chars(b, e, out);
  if (end != e) return conversion_error();
  if (ec == std::errc()) return kOk;
  if (ec != std::errc::result_out_of_range) return conversion_error();
  if (decimal_magnitude(t) >= 0) return conversion_error();
  out = t[0] == '-' ? -T(0) : T(0);
  return kOk;
}

// The value of a plain token in an integer item. Decimal digits with an optional sign convert as
// an integer; a value with a point or an exponent converts as a double truncated toward zero.
template <typename Int>
Status store_integer(std::string_view t, char* scratch, char* dst) {
  const char* b = t.data();
  const char* const e = b + t.size();
  if (*b == '+' && e - b > 1 && (class_of(b[1]) & kDigit)) ++b;  // std::from_chars takes no plus
  Int v = 0;
  const auto [end, ec] = std::from_chars(b, e, v);
  if (ec != std::errc() || end != e) {
    NumberShape shape{};
    if (Status s = check_number(t, shape); s != kOk) return s;
    if (shape.integer) return conversion_error();  // beyond the item's range, or a stray sign
    double d = 0;
    if (Status s = to_real(t, shape, scratch, d); s != kOk) return s;
    // The minimum is a negated power of two, so [min, -min) is exact in a double.
    constexpr double lo = std::numeric_limits<Int>::min();
    d = std::trunc(d);
    if (!(d >= lo && d < -lo)) return conversion_error();
    v = static_cast<Int>(d);
  }
  std::memcpy(dst, &v, sizeof v);
  return kOk;
}

// The value of a plain token in a real item, rounded to nearest.
template <typename Real>
Status store_real(std::string_view t, char* scratch, char* dst) {
  Real v = 0;
  const char* const e = t.data() + t.size();
  const auto [end, ec] = std::from_chars(t.data(), e, v);
  if (ec != std::errc() || end != e || !starts_decimal(t.data(), e)) {
    NumberShape shape{};
    if (Status s = check_number(t, shape); s != kOk) return s;
    if (Status s = to_real(t, shape, scratch, v); s != kOk) return s;
  }
  std::memcpy(dst, &v, sizeof v);
  return kOk;
}

}  // namespace

Status ListReader::begin() noexcept {
  in_statement_ = true;
  error_ = kOk;
  token_ = {};
  kind_ = Kind::Null;
  repeat_ = 0;
  slash_ = false;
  comma_is_null_ = true;
  record_has_value_ = false;
  pos_ = end_ = nullptr;
  if (!token_buffer_) {
    token_buffer_.reset(new (std::nothrow) char[kMaxTokenLength + 1]);
    if (!token_buffer_) return fail(status_of(kNoMemory));
  }
  return read_record();
}

Status ListReader::finish() noexcept {
  in_statement_ = false;
  pos_ = end_ = nullptr;
  token_ = {};
  repeat_ = 0;
  return error_;
}

Status ListReader::transfer(const Item& item) noexcept {
  if (item.is_end()) return finish();
  if (!in_statement_) return status_of(kInvalidArgument);
  if (error_ != kOk || slash_) return error_;
  const std::size_t size = item.element_bytes();
  const bool known = size > 0 || item.desc.type == DataType::Character;
  if (!known || item.desc.mode == Addressing::Inline || (item.addr == nullptr && item.count > 0)) {
    return fail(status_of(kInvalidArgument));
  }
  const Scan scan = item.desc.type == DataType::Character ? Scan::Text
                    : item.desc.type == DataType::Real8   ? Scan::Real
                                                          : Scan::Number;
  char* dst = static_cast<char*>(item.addr);
  for (std::size_t i = 0; i < item.count; ++i, dst += size) {
    if (Status s = next_value(scan); s != kOk) return fail(s);
    if (slash_) return kOk;
    if (kind_ == Kind::Null) continue;
    if (Status s = store(item.desc.type, dst, size); s != kOk) return fail(s);
  }
  return kOk;
}

Status ListReader::read_record() noexcept {
  std::string_view record;
  if (Status s = source_.next_record(record); s != kOk) return fail(s);
  // A record holding only Ctrl-Z ends a text file.
  if (record.size() == 1 && record[0] == '\x1a') return fail(status_of(kEndOfFile));
  pos_ = record.data();
  end_ = pos_ + record.size();
  return kOk;
}

// Finds the next value for one item: the current value again while a repeat count lasts, else the
// next value of the records, reading records as needed. Sets slash_ at a slash.
Status ListReader::next_value(Scan scan) noexcept {
  if (repeat_ > 0) {
    --repeat_;
    return kOk;
  }
  quick_ = false;
  for (;;) {
    while (pos_ < end_ && (class_of(*pos_) & kBlank)) ++pos_;
    if (pos_ == end_) {
      if (!record_has_value_) comma_is_null_ = true;
      if (Status s = read_record(); s != kOk) return s;
      record_has_value_ = false;
      continue;
    }
    if (*pos_ == ',') {
      ++pos_;
      if (comma_is_null_) {
        kind_ = Kind::Null;
        record_has_value_ = true;
        return kOk;
      }
      comma_is_null_ = true;
      continue;
    }
    comma_is_null_ = false;
    record_has_value_ = true;
    return scan_value(scan, false);
  }
}

// Scans the value at pos_, which is neither a blank nor a comma. `after_star` is set for the value
// of a repeat form, which cannot be a repeat form itself.
Status ListReader::scan_value(Scan scan, bool after_star) noexcept {
  const char c = *pos_;
  if (c == '/') {
    slash_ = true;
    return kOk;
  }
  if (c == '\'' || c == '"') return scan_quoted(c);

  const char* const start = pos_;
  if (scan == Scan::Real && quick_real(start)) return kOk;
  const char* p = start;
  while (p < end_ && (class_of(*p) & kDigit)) ++p;
  if (p != start && p < end_ && *p == '*') {
    return after_star ? syntax_error() : scan_repeat(start, p, scan);
  }
  if (scan != Scan::Text) {
    while (p < end_ && !(class_of(*p) & kEndsNumber)) ++p;
    // A star without a count before it, or a ')' where a value should start.
    if (p == start || (p < end_ && *p == '*')) return syntax_error();
  } else {
    while (p < end_ && !(class_of(*p) & kEndsText)) ++p;
  }
  if (static_cast<std::size_t>(p - start) > kMaxTokenLength) return syntax_error();
  token_ = {start, static_cast<std::size_t>(p - start)};
  kind_ = Kind::Plain;
  pos_ = p;
  return kOk;
}

// Most values for a real item are plain decimal numbers: std::from_chars then finds where the
// value ends and converts it at once. Anything it does not take up to a separator goes the long
// way through the scanner and store().
bool ListReader::quick_real(const char* start) noexcept {
  if (!starts_decimal(start, end_)) return false;
  const auto [stop, ec] = std::from_chars(start, end_, quick_value_);
  if (ec != std::errc() || static_cast<std::size_t>(stop - start) > kMaxTokenLength) return false;
  if (stop != end_ && (*stop == '*' || !(class_of(*stop) & kEndsNumber))) return false;
  token_ = {start, static_cast<std::size_t>(stop - start)};
  kind_ = Kind::Plain;
  quick_ = true;
  pos_ = stop;
  return true;
}

// A repeat form r*value or r*: `digits` .. `star` hold r.
Status ListReader::scan_repeat(const char* digits, const char* star, Scan scan) noexcept {
  std::int32_t count = 0;
  const auto [end, ec] = std::from_chars(digits, star, count);
  if (ec != std::errc() || end != star || count <= 0) return syntax_error();
  pos_ = star + 1;
  if (pos_ == end_ || (class_of(*pos_) & kBlank)) {
    kind_ = Kind::Null;
  } else if (*pos_ == ',') {
    ++pos_;
    kind_ = Kind::Null;
    comma_is_null_ = true;
  } else {
    if (Status s = scan_value(scan, true); s != kOk) return s;
    if (slash_) return kOk;
  }
  repeat_ = count - 1;
  return kOk;
}

// Quoted text from the opening delimiter at pos_ to its closing one; a doubled delimiter stands
// for one. The text continues over record ends, which add nothing to it.
Status ListReader::scan_quoted(char delimiter) noexcept {
  char* const out = token_buffer_.get();
  std::size_t n = 0;
  ++pos_;
  for (;;) {
    const void* hit = pos_ == end_
                          ? nullptr
                          : std::memchr(pos_, delimiter, static_cast<std::size_t>(end_ - pos_));
    const char* stop = hit ? static_cast<const char*>(hit) : end_;
    const auto chunk = static_cast<std::size_t>(stop - pos_);
    if (n + chunk > kMaxTokenLength) return syntax_error();
    if (chunk > 0) std::memcpy(out + n, pos_, chunk);
    n += chunk;
    pos_ = stop;
    if (!hit) {
      if (Status s = read_record(); s != kOk) return s;
      record_has_value_ = true;
      continue;
    }
    ++pos_;
    if (pos_ == end_ || *pos_ != delimiter) break;
    if (n == kMaxTokenLength) return syntax_error();
    out[n++] = delimiter;
    ++pos_;
  }
  token_ = {out, n};
  kind_ = Kind::Quoted;
  return kOk;
}

Status ListReader::store(DataType type, char* dst, std::size_t length) noexcept {
  const std::string_view t = token_;
  if (type == DataType::Character) {
    const std::size_t n = t.size() < length ? t.size() : length;
    if (n > 0) std::memcpy(dst, t.data(), n);
    std::memset(dst + n, ' ', length - n);
    return kOk;
  }
  if (kind_ == Kind::Quoted) return conversion_error();
  if (type == DataType::Logical4) {
    const std::size_t i = t[0] == '.' ? 1 : 0;
    if (i == t.size() || !is_logical_letter(t[i])) return conversion_error();
    const std::int32_t v = (t[i] == 'T' || t[i] == 't') ? 1 : 0;
    std::memcpy(dst, &v, sizeof v);
    return kOk;
  }
  char* scratch = token_buffer_.get();
  switch (type) {
    case DataType::Real8:
      if (quick_) {
        std::memcpy(dst, &quick_value_, sizeof quick_value_);
        return kOk;
      }
      return store_real<double>(t, scratch, dst);
    case DataType::Real4:
      return store_real<float>(t, scratch, dst);
    case DataType::Int4:
      return store_integer<std::int32_t>(t, scratch, dst);
    case DataType::Int8:
      return store_integer<std::int64_t>(t, scratch, dst);
    case DataType::Int2:
      return store_integer<std::int16_t>(t, scratch, dst);
    case DataType::Int1:
      return store_integer<std::int8_t>(t, scratch, dst);
    default:
      return status_of(kInvalidArgument);
  }
}

}  // namespace recio
