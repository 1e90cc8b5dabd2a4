// Compiled format records: the stored form of an output format, a flat sequence of items that
// FormatWriter walks in step with the I/O list.
//
// Every item is one or more 32-bit words, little-endian, so byte 0 is the low byte of a word.
// Byte 0 of an item's first word is its opcode (0x00-0x63); kOpcodes gives, per opcode, the
// operand class, the item length and the kind.
//
// Long form (opcodes 0x00-0x33 except 0x1c, operand classes 1-5): 12 bytes, 28 with slots.
//
//    byte 0     1        2       3       4            8            12 (only when flags & 0x0f)
//   +--------+--------+-------+--------+------------+------------+------+------+------+------+
//   | opcode | flags  |   e   |   d    | repeat i32 |   w i32    | slot | slot | slot | slot |
//   | = kind |        |       | (or m) | (1 if none)| (k, c, n)  | rep  |  w   |  d   |  e   |
//   +--------+--------+-------+--------+------------+------------+------+------+------+------+
//   flags: 0x01 repeat, 0x02 w, 0x04 d, 0x08 e come from a slot at run time.
//   slot:  u16 argument index | u8 fetch (3 = points to the int32, 10 = routine) | u8 type (9)
//   The long classes say which operands a kind takes: 1 none, 2 repeat, 3 w, 4 repeat and w,
//   5 repeat, w, d and e (each the short class minus 5). Opcodes 0x00, 0x34 and 0x35 are invalid.
//
// Short form (opcodes 0x35-0x63, classes 6-10), one word [opcode, b1, b2, b3]:
//
//   class 6   no operands              class 9   repeat = b1, w = u16 at b2-b3
//   class 7   repeat = u16 at b2-b3    class 10  repeat = b1, w = b2, d (or m) = b3
//   class 8   w = u16 at b2-b3 (kP: signed)
//
// Literal (opcode 0x1c, class 8): a head word [0x1c, 0, length lo, length hi], then the bytes
// (code page 1252), zero-padded to a multiple of 4.
//
// Where each kind keeps its operand: nX and `/` use repeat for their count; kP (k), Tc (c), TLn
// and TRn (n) use w. Everything here allocates nothing except compile_format.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "recio/status.h"

namespace recio {

// Item kinds. The long-form opcode of every kind equals its value.
enum class Kind : std::uint8_t {
  Invalid,
  FormatStart,
  FormatEnd,
  GroupStart,
  GroupEnd,
  BN,
  BZ,
  SP,
  SS,
  S,
  Scale,  // kP
  SkipX,  // nX
  T,      // Tc
  TL,
  TR,
  Q,
  Dollar,  // `$` or `\`
  Colon,
  Slash,
  A,  // A, D, E, F, G, I, L, O, Z without width
  D,
  E,
  F,
  G,
  I,
  L,
  O,
  Z,
  Literal,
  Aw,
  Dwd,
  Ewd,
  EwdEe,
  Fwd,
  Gwd,
  GwdEe,
  Iw,
  Iwm,
  Lw,
  Ow,
  Owm,
  Zw,
  Zwm,
  B,
  Bw,
  Bwm,
  EN,
  ENwd,
  ENwdEe,
  ES,
  ESwd,
  ESwdEe,
};

inline constexpr int kKindCount = 52;
inline constexpr int kOpcodeCount = 100;
inline constexpr std::uint8_t kLiteralOpcode = 0x1c;
inline constexpr std::uint8_t kFirstShortOpcode = 0x35;

// Expression flags of a long-form item and the fetch kinds of its slots.
enum ExprFlag : std::uint8_t { kExprRepeat = 0x01, kExprW = 0x02, kExprD = 0x04, kExprE = 0x08 };
inline constexpr std::uint8_t kFetchPointer = 3;
inline constexpr std::uint8_t kFetchRoutine = 10;
inline constexpr std::uint8_t kSlotTypeInt4 = 9;

constexpr bool is_data_edit(Kind k) {
  return (k >= Kind::A && k <= Kind::Z) || k >= Kind::Aw;
}

// Data edit descriptors written without a width: the item's type gives their width and digits.
constexpr bool without_width(Kind k) {
  return (k >= Kind::A && k <= Kind::Z) || k == Kind::B || k == Kind::EN || k == Kind::ES;
}

struct OpcodeInfo {
  std::uint8_t operand_class;  // 1-5 long form, 6-10 short form
  std::uint8_t length;         // bytes: 12 long, 4 short (literal: its head), 0 invalid
  Kind kind;
};

namespace detail {

// Short-form kinds in opcode order from 0x35.
inline constexpr Kind kShortKinds[] = {
    Kind::Invalid, Kind::FormatStart, Kind::FormatEnd, Kind::GroupStart, Kind::GroupEnd,
    Kind::BN,      Kind::BZ,          Kind::SP,        Kind::SS,         Kind::S,
    Kind::Scale,   Kind::SkipX,       Kind::T,         Kind::TL,         Kind::TR,
    Kind::Q,       Kind::Dollar,      Kind::Colon,     Kind::Slash,      Kind::A,
    Kind::D,       Kind::E,           Kind::F,         Kind::G,          Kind::I,
    Kind::L,       Kind::O,           Kind::Z,         Kind::Aw,         Kind::Dwd,
    Kind::Ewd,     Kind::Fwd,         Kind::Gwd,       Kind::Iw,         Kind::Iwm,
    Kind::Lw,      Kind::Ow,          Kind::Owm,       Kind::Zw,         Kind::Zwm,
    Kind::B,       Kind::Bw,          Kind::Bwm,       Kind::EN,         Kind::ENwd,
    Kind::ES,      Kind::ESwd,
};
static_assert(std::size(kShortKinds) == kOpcodeCount - kFirstShortOpcode);

// Operand class of a kind's short form (6-10); its long form uses the class minus 5.
constexpr std::uint8_t short_class(Kind k) {
  if (without_width(k)) return 7;
  switch (k) {
    case Kind::GroupStart:
    case Kind::SkipX:
    case Kind::Slash:
      return 7;
    case Kind::Scale:
    case Kind::T:
    case Kind::TL:
    case Kind::TR:
    case Kind::Literal:
      return 8;
    case Kind::Aw:
    case Kind::Iw:
    case Kind::Lw:
    case Kind::Ow:
    case Kind::Zw:
    case Kind::Bw:
      return 9;
    case Kind::Dwd:
    case Kind::Ewd:
    case Kind::EwdEe:
    case Kind::Fwd:
    case Kind::Gwd:
    case Kind::GwdEe:
    case Kind::Iwm:
    case Kind::Owm:
    case Kind::Zwm:
    case Kind::Bwm:
    case Kind::ENwd:
    case Kind::ENwdEe:
    case Kind::ESwd:
    case Kind::ESwdEe:
      return 10;
    default:
      return 6;
  }
}

constexpr std::array<OpcodeInfo, kOpcodeCount> make_opcode_table() {
  std::array<OpcodeInfo, kOpcodeCount> t{};
  for (int op = 0; op < kFirstShortOpcode - 1; ++op) {
    Kind k = static_cast<Kind>(op);
    t[op] = {static_cast<std::uint8_t>(short_class(k) - 5), 12, k};
  }
  t[0].length = 0;
  t[kLiteralOpcode] = {8, 4, Kind::Literal};
  t[kFirstShortOpcode - 1] = {1, 0, Kind::Invalid};
  for (int op = kFirstShortOpcode; op < kOpcodeCount; ++op) {
    Kind k = kShortKinds[op - kFirstShortOpcode];
    t[op] = {short_class(k), static_cast<std::uint8_t>(k == Kind::Invalid ? 0 : 4), k};
  }
  return t;
}

constexpr std::uint8_t make_short_opcode(Kind k) {
  for (std::size_t i = 1; i < std::size(kShortKinds); ++i)
    if (kShortKinds[i] == k) return static_cast<std::uint8_t>(kFirstShortOpcode + i);
  return 0;
}

}  // namespace detail

// The attribute table: operand class, item length and kind of every opcode 0x00-0x63.
inline constexpr std::array<OpcodeInfo, kOpcodeCount> kOpcodes = detail::make_opcode_table();

// The short-form opcode of a kind, or 0 when the kind has none (literal, the Ee forms).
constexpr std::uint8_t short_opcode(Kind k) {
  return detail::make_short_opcode(k);
}

constexpr std::uint32_t pack_word(std::uint32_t b0, std::uint32_t b1, std::uint32_t b2,
                                  std::uint32_t b3) {
  return (b0 & 0xff) | (b1 & 0xff) << 8 | (b2 & 0xff) << 16 | (b3 & 0xff) << 24;
}

// One item as the interpreter sees it, whatever its form. For a literal, w is its length and
// its bytes start at the word after the head. Unused fields keep their defaults.
struct FormatItem {
  Kind kind = Kind::Invalid;
  std::uint8_t flags = 0;  // expression flags (long form only)
  std::uint8_t e = 0;
  std::uint8_t d = 0;  // d, or m for Iw.m, Ow.m, Zw.m, Bw.m
  std::int32_t repeat = 1;
  std::int32_t w = 0;
  std::array<std::uint32_t, 4> slots{};  // repeat, w, d, e; set only where flags say so
  std::uint32_t words = 0;               // size of the item in words
};

// Decodes the item at word `at`. Returns false for an invalid opcode or an item that would run
// past the end of `record`; never reads outside it.
[[gnu::always_inline]] constexpr inline bool decode_item(std::span<const std::uint32_t> record,
                                                         std::size_t at, FormatItem& out) noexcept {
  if (at >= record.size()) return false;
  const std::uint32_t w0 = record[at];
  const std::uint32_t op = w0 & 0xff;
  if (op >= kOpcodeCount) return false;
  const OpcodeInfo info = kOpcodes[op];
  if (info.length == 0) return false;
  const std::size_t left = record.size() - at;
  const std::uint32_t b1 = (w0 >> 8) & 0xff, b2 = (w0 >> 16) & 0xff, b3 = w0 >> 24;
  const std::uint32_t hi16 = w0 >> 16;
  out.kind = info.kind;
  if (info.operand_class <= 5) {
    if (left < 3) return false;
    out.flags = static_cast<std::uint8_t>(b1);
    out.e = static_cast<std::uint8_t>(b2);
    out.d = static_cast<std::uint8_t>(b3);
    out.repeat = static_cast<std::int32_t>(record[at + 1]);
    out.w = static_cast<std::int32_t>(record[at + 2]);
    out.words = 3;
    if (out.flags & 0x0f) {
      if (left < 7) return false;
      for (int i = 0; i < 4; ++i) out.slots[i] = record[at + 3 + i];
      out.words = 7;
    }
    return true;
  }
  out.flags = 0;
  out.e = 0;
  out.d = 0;
  out.repeat = 1;
  out.w = 0;
  out.words = 1;
  switch (info.operand_class) {
    case 7:
      out.repeat = static_cast<std::int32_t>(hi16);
      break;
    case 8:
      out.w = info.kind == Kind::Scale ? static_cast<std::int16_t>(hi16)
                                       : static_cast<std::int32_t>(hi16);
      if (info.kind == Kind::Literal) {
        const std::size_t text_words = (hi16 + 3) / 4;
        if (left - 1 < text_words) return false;
        out.words += static_cast<std::uint32_t>(text_words);
      }
      break;
    case 9:
      out.repeat = static_cast<std::int32_t>(b1);
      out.w = static_cast<std::int32_t>(hi16);
      break;
    case 10:
      out.repeat = static_cast<std::int32_t>(b1);
      out.w = static_cast<std::int32_t>(b2);
      out.d = static_cast<std::uint8_t>(b3);
      break;
    default:
      break;
  }
  return true;
}

// Copies `length` literal bytes stored from word `first` on.
inline void copy_literal(const std::uint32_t* first, std::size_t length, char* out) noexcept {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out, first, length);
  } else {
    for (std::size_t i = 0; i < length; ++i)
      out[i] = static_cast<char>(first[i / 4] >> (8 * (i % 4)));
  }
}

// ---------------------------------------------------------------------------------------------
// Encoding.

// The operands of one item before encoding. For kinds that keep their operand in w (kP, Tc,
// TLn, TRn) set w; for nX, `/` and group starts set repeat.
struct Op {
  Kind kind = Kind::Invalid;
  std::int32_t repeat = 1;
  std::int32_t w = 0;
  std::uint8_t d = 0;
  std::uint8_t e = 0;
};

// An expression slot: the argument index and how to fetch it. fetch 0 means "no slot".
struct Slot {
  std::uint16_t index = 0;
  std::uint8_t fetch = 0;
};
struct Slots {
  Slot repeat{}, w{}, d{}, e{};
};

constexpr std::array<std::uint32_t, 3> encode_long(const Op& op, std::uint8_t flags = 0) {
  return {pack_word(static_cast<std::uint8_t>(op.kind), flags, op.e, op.d),
          static_cast<std::uint32_t>(op.repeat), static_cast<std::uint32_t>(op.w)};
}

constexpr std::uint32_t encode_slot(Slot s) {
  return s.fetch == 0 ? 0 : pack_word(s.index, s.index >> 8, s.fetch, kSlotTypeInt4);
}

// Encodes `op` in its short form into `out`; false when the kind has no short form or an
// operand does not fit its byte or 16-bit field.
constexpr bool encode_short(const Op& op, std::uint32_t& out) {
  const std::uint8_t code = short_opcode(op.kind);
  if (code == 0) return false;
  auto fits = [](std::int64_t v, std::int64_t lo, std::int64_t hi) { return v >= lo && v <= hi; };
  switch (kOpcodes[code].operand_class) {
    case 6:
      out = code;
      return op.repeat == 1;
    case 7:
      out = pack_word(code, 0, op.repeat, op.repeat >> 8);
      return fits(op.repeat, 0, 0xffff);
    case 8:
      out = pack_word(code, 0, op.w, op.w >> 8);
      return op.kind == Kind::Scale ? fits(op.w, -32768, 32767) : fits(op.w, 0, 0xffff);
    case 9:
      out = pack_word(code, op.repeat, op.w, op.w >> 8);
      return fits(op.repeat, 0, 0xff) && fits(op.w, 0, 0xffff);
    case 10:
      out = pack_word(code, op.repeat, op.w, op.d);
      return fits(op.repeat, 0, 0xff) && fits(op.w, 0, 0xff);
  }
  return false;
}

constexpr std::uint32_t literal_head(std::size_t length) {
  return pack_word(kLiteralOpcode, 0, length, length >> 8);
}

// Code page 1252 from UTF-8, usable at compile time. Returns the converted length, or -1 when
// the text is not valid UTF-8 or holds a character the code page lacks. `out` may be null.
constexpr long utf8_to_cp1252(std::string_view utf8, char* out) {
  constexpr char16_t k80[32] = {0x20ac, 0,      0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021,
                                0x02c6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017d, 0,
                                0,      0x2018, 0x2019, 0x201c, 0x201d, 0x2022, 0x2013, 0x2014,
                                0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0,      0x017e, 0x0178};
  long n = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    char32_t cp = 0;
    std::size_t len = c < 0x80         ? 1
                      : (c >> 5) == 6  ? 2
                      : (c >> 4) == 14 ? 3
                      : (c >> 3) == 30 ? 4
                                       : 0;
    if (len == 0 || i + len > utf8.size()) return -1;
    cp = len == 1 ? c : c & (0x7f >> len);
    for (std::size_t j = 1; j < len; ++j) {
      const auto cc = static_cast<unsigned char>(utf8[i + j]);
      if ((cc >> 6) != 2) return -1;
      cp = cp << 6 | (cc & 0x3f);
    }
    i += len;
    int byte = -1;
    if (cp < 0x80 || (cp >= 0xa0 && cp <= 0xff)) {
      byte = static_cast<int>(cp);
    } else {
      for (int k = 0; k < 32; ++k)
        if (k80[k] != 0 && k80[k] == cp) byte = 0x80 + k;
    }
    if (byte < 0) return -1;
    if (out) out[n] = static_cast<char>(byte);
    ++n;
  }
  return n;
}

// ---------------------------------------------------------------------------------------------
// Builder: a format written in code reads like its item list,
//
//   constexpr auto kMesh1 = fmt::record(fmt::start(), fmt::p(1), fmt::e(22, 15), fmt::tr(16),
//                                       fmt::tr(3), fmt::a(12), fmt::tr(3), fmt::a(12),
//                                       fmt::end());
//
// and yields a std::array of exactly the record's words. Position moves, kP and data edit items
// come in the long form, format start and end, `/`, group marks and the other control items in
// the short form; short_form() and long_form() pick the other. Literals are written in UTF-8 and
// stored in code page 1252: fmt::lit<"título = ">(). Everything runs at compile time.
namespace fmt {

struct Short {
  static constexpr std::size_t kWords = 1;
  Op op;
};
struct Long {
  static constexpr std::size_t kWords = 3;
  Op op;
};
struct Computed {
  static constexpr std::size_t kWords = 7;
  Op op;
  Slots slots;
};
template <std::size_t N>
struct Lit {
  static constexpr std::size_t kWords = 1 + (N + 3) / 4;
  std::array<char, N> bytes{};
};

// A string literal as a template argument.
template <std::size_t N>
struct Text {
  char s[N]{};
  consteval Text(const char (&str)[N]) {
    for (std::size_t i = 0; i < N; ++i) s[i] = str[i];
  }
  constexpr std::string_view view() const { return {s, N - 1}; }
};

template <Text S>
consteval auto lit() {
  constexpr long n = utf8_to_cp1252(S.view(), nullptr);
  static_assert(n >= 0, "literal is not UTF-8 text representable in code page 1252");
  Lit<static_cast<std::size_t>(n)> out;
  utf8_to_cp1252(S.view(), out.bytes.data());
  return out;
}

consteval Short start() {
  return {{Kind::FormatStart}};
}
consteval Short end() {
  return {{Kind::FormatEnd}};
}
consteval Short slash(std::int32_t count = 1) {
  return {{Kind::Slash, count}};
}
consteval Short group(std::int32_t repeat = 1) {
  return {{Kind::GroupStart, repeat}};
}
consteval Short group_end() {
  return {{Kind::GroupEnd}};
}
consteval Short bn() {
  return {{Kind::BN}};
}
consteval Short bz() {
  return {{Kind::BZ}};
}
consteval Short sp() {
  return {{Kind::SP}};
}
consteval Short ss() {
  return {{Kind::SS}};
}
consteval Short s() {
  return {{Kind::S}};
}
consteval Short q() {
  return {{Kind::Q}};
}
consteval Short dollar() {
  return {{Kind::Dollar}};
}
consteval Short colon() {
  return {{Kind::Colon}};
}

consteval Long p(std::int32_t k) {
  return {{Kind::Scale, 1, k}};
}
consteval Long x(std::int32_t n) {
  return {{Kind::SkipX, n}};
}
consteval Long t(std::int32_t c) {
  return {{Kind::T, 1, c}};
}
consteval Long tl(std::int32_t n) {
  return {{Kind::TL, 1, n}};
}
consteval Long tr(std::int32_t n) {
  return {{Kind::TR, 1, n}};
}

consteval std::uint8_t u8(int v) {
  if (v < 0 || v > 255) throw "digits do not fit a byte";
  return static_cast<std::uint8_t>(v);
}
consteval Long a() {
  return {{Kind::A}};
}
consteval Long a(std::int32_t w) {
  return {{Kind::Aw, 1, w}};
}
consteval Long i() {
  return {{Kind::I}};
}
consteval Long i(std::int32_t w) {
  return {{Kind::Iw, 1, w}};
}
consteval Long i(std::int32_t w, int m) {
  return {{Kind::Iwm, 1, w, u8(m)}};
}
consteval Long l() {
  return {{Kind::L}};
}
consteval Long l(std::int32_t w) {
  return {{Kind::Lw, 1, w}};
}
consteval Long d() {
  return {{Kind::D}};
}
consteval Long d(std::int32_t w, int d) {
  return {{Kind::Dwd, 1, w, u8(d)}};
}
consteval Long e() {
  return {{Kind::E}};
}
consteval Long e(std::int32_t w, int d) {
  return {{Kind::Ewd, 1, w, u8(d)}};
}
consteval Long e(std::int32_t w, int d, int e) {
  return {{Kind::EwdEe, 1, w, u8(d), u8(e)}};
}
consteval Long f() {
  return {{Kind::F}};
}
consteval Long f(std::int32_t w, int d) {
  return {{Kind::Fwd, 1, w, u8(d)}};
}
consteval Long g() {
  return {{Kind::G}};
}
consteval Long g(std::int32_t w, int d) {
  return {{Kind::Gwd, 1, w, u8(d)}};
}
consteval Long g(std::int32_t w, int d, int e) {
  return {{Kind::GwdEe, 1, w, u8(d), u8(e)}};
}
consteval Long en() {
  return {{Kind::EN}};
}
consteval Long en(std::int32_t w, int d) {
  return {{Kind::ENwd, 1, w, u8(d)}};
}
consteval Long en(std::int32_t w, int d, int e) {
  return {{Kind::ENwdEe, 1, w, u8(d), u8(e)}};
}
consteval Long es() {
  return {{Kind::ES}};
}
consteval Long es(std::int32_t w, int d) {
  return {{Kind::ESwd, 1, w, u8(d)}};
}
consteval Long es(std::int32_t w, int d, int e) {
  return {{Kind::ESwdEe, 1, w, u8(d), u8(e)}};
}
consteval Long o() {
  return {{Kind::O}};
}
consteval Long o(std::int32_t w) {
  return {{Kind::Ow, 1, w}};
}
consteval Long o(std::int32_t w, int m) {
  return {{Kind::Owm, 1, w, u8(m)}};
}
consteval Long z() {
  return {{Kind::Z}};
}
consteval Long z(std::int32_t w) {
  return {{Kind::Zw, 1, w}};
}
consteval Long z(std::int32_t w, int m) {
  return {{Kind::Zwm, 1, w, u8(m)}};
}
consteval Long b() {
  return {{Kind::B}};
}
consteval Long b(std::int32_t w) {
  return {{Kind::Bw, 1, w}};
}
consteval Long b(std::int32_t w, int m) {
  return {{Kind::Bwm, 1, w, u8(m)}};
}

// A repeat count on a data edit item: rep(3, e(24, 15)) is 3E24.15.
template <typename P>
consteval P rep(std::int32_t r, P piece) {
  piece.op.repeat = r;
  return piece;
}
consteval Short short_form(Long l) {
  std::uint32_t word = 0;
  if (!encode_short(l.op, word)) throw "no short form holds this item";
  return {l.op};
}
consteval Long long_form(Short s) {
  if (s.op.kind == Kind::Invalid) throw "no long form";
  return {s.op};
}
// An item whose operands are fetched at run time: computed(e(0, 0), {.w = value_at(0)}).
consteval Slot value_at(std::uint16_t index) {
  return {index, kFetchPointer};
}
consteval Slot routine_at(std::uint16_t index) {
  return {index, kFetchRoutine};
}
consteval Computed computed(Long l, Slots slots) {
  return {l.op, slots};
}

namespace detail {
template <std::size_t Size>
constexpr void emit(std::array<std::uint32_t, Size>& out, std::size_t& at, const Short& p) {
  std::uint32_t word = 0;
  if (!encode_short(p.op, word)) throw "operands do not fit the short form";
  out[at++] = word;
}
template <std::size_t Size>
constexpr void emit(std::array<std::uint32_t, Size>& out, std::size_t& at, const Long& p) {
  for (std::uint32_t word : encode_long(p.op)) out[at++] = word;
}
template <std::size_t Size>
constexpr void emit(std::array<std::uint32_t, Size>& out, std::size_t& at, const Computed& p) {
  const std::uint8_t flags = (p.slots.repeat.fetch ? kExprRepeat : 0) |
                             (p.slots.w.fetch ? kExprW : 0) | (p.slots.d.fetch ? kExprD : 0) |
                             (p.slots.e.fetch ? kExprE : 0);
  for (std::uint32_t word : encode_long(p.op, flags)) out[at++] = word;
  for (Slot s : {p.slots.repeat, p.slots.w, p.slots.d, p.slots.e}) out[at++] = encode_slot(s);
}
template <std::size_t Size, std::size_t N>
constexpr void emit(std::array<std::uint32_t, Size>& out, std::size_t& at, const Lit<N>& p) {
  out[at++] = literal_head(N);
  for (std::size_t i = 0; i < N; ++i)
    out[at + i / 4] |= static_cast<std::uint32_t>(static_cast<unsigned char>(p.bytes[i]))
                       << (8 * (i % 4));
  at += (N + 3) / 4;
}
}  // namespace detail

template <typename... P>
consteval auto record(const P&... pieces) {
  std::array<std::uint32_t, (P::kWords + ... + 0)> out{};
  std::size_t at = 0;
  (detail::emit(out, at, pieces), ...);
  return out;
}

}  // namespace fmt

// ---------------------------------------------------------------------------------------------
// Compiling format text.

struct CompileResult {
  Status status = kOk;       // kOk, or error 62 (syntax error in format)
  std::size_t position = 0;  // 0-based offset into the text where the error was found
  std::string_view what;     // what was expected there (static text)
};

// Compiles a format written as text, e.g. "(1P,E22.15,TR16,A12)", into `out` (replacing its
// contents) with the same forms as the builder. The text is code page 1252; blanks outside
// literals are ignored, letters may be lower case. nX is stored as TRn and a scale factor
// written with a descriptor (1PE30.19) as a kP item in front of it. Allocates (out grows).
CompileResult compile_format(std::string_view text, std::vector<std::uint32_t>& out);

}  // namespace recio
