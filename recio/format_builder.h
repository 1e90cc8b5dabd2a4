// Compiled format records written in code. A format reads like its item list,
//
//   constexpr auto kMesh1 = build::record(build::start(), build::p(1), build::e(22, 15),
//                                         build::tr(16), build::tr(3), build::a(12), build::tr(3),
//                                         build::a(12), build::end());
//
// and yields a std::array of exactly the record's words (layout: recio/format_record.h). Items
// take the form the text compiler gives them (KindTraits::stored): position moves, kP and data
// edit items the long form, format start and end, `/`, group marks and the other control items
// the short form; short_form() and long_form() pick the other. Literals are written in UTF-8 and
// stored in code page 1252: build::lit<"título = ">(). Everything runs at compile time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "recio/format_record.h"

namespace recio {

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

namespace build {

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

}  // namespace build

}  // namespace recio
