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
// and TRn (n) use w. Everything a kind is (its short opcode and class, the operands it takes, how
// it edits an item) is one row of kKindTraits; the opcode table, the decoder, the text compiler
// and the interpreter all read it. Everything here allocates nothing except compile_format.
// Records written in code: recio/format_builder.h.
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

// Limits shared by the compiler and the interpreter: groups nest at most kMaxGroupDepth deep; a
// repeat count, width, count or column is at most kMaxOperand; d, m and e are stored in a byte.
inline constexpr int kMaxGroupDepth = 8;
inline constexpr std::int32_t kMaxOperand = 32767;
inline constexpr std::int32_t kMaxDigits = 255;

// Expression flags of a long-form item and the fetch kinds of its slots.
enum ExprFlag : std::uint8_t { kExprRepeat = 0x01, kExprW = 0x02, kExprD = 0x04, kExprE = 0x08 };
inline constexpr std::uint8_t kFetchPointer = 3;
inline constexpr std::uint8_t kFetchRoutine = 10;
inline constexpr std::uint8_t kSlotTypeInt4 = 9;

// The operands a kind takes, one bit each in slot order (the expression flags' bits). A value
// fetched for an operand the kind takes is range-checked; the others are ignored.
enum UsedOperands : std::uint8_t {
  kNoOperands = 0,
  kRepeatOperand = kExprRepeat,
  kWOperand = kExprW,
  kAllOperands = kExprRepeat | kExprW | kExprD | kExprE,
};

// How a data edit item turns an element into text; the descriptor's letters in format text.
enum class Edit : std::uint8_t { None, A, L, I, B, O, Z, E, D, F, G, EN, ES };
inline constexpr std::string_view kEditLetters[] = {"",  "A", "L", "I", "B",  "O", "Z",
                                                    "E", "D", "F", "G", "EN", "ES"};

// How a data edit descriptor is written: Bare as A or E (width and digits from the item's type),
// W as Aw, WM as Iw.m, WD as Ew.d, WDE as Ew.dEe.
enum class Shape : std::uint8_t { None, Bare, W, WM, WD, WDE };

// The form the compiler and the builder give an item: position moves, kP and data edit items
// long, the other control items short; the literal has its own.
enum class StoredForm : std::uint8_t { Short, Long, Literal };

struct KindTraits {
  Kind kind;
  std::uint8_t short_opcode;   // 0: no short form
  std::uint8_t operand_class;  // of the short form, 6-10; the long form's is 5 less
  std::uint8_t operands;       // UsedOperands bits
  StoredForm stored;
  Edit edit;             // Edit::None for every item but the data edit descriptors
  Shape shape;           // Shape::None likewise
  bool count_from_zero;  // the repeat may be 0 (nX, and TLn and TRn when fetched)
  bool signed_w;         // w holds a signed value (kP's k)
};

namespace detail {

constexpr KindTraits control(Kind k, std::uint8_t short_opcode, std::uint8_t operand_class,
                             std::uint8_t operands = kNoOperands,
                             StoredForm stored = StoredForm::Short) {
  return {k, short_opcode, operand_class, operands, stored, Edit::None, Shape::None, false, false};
}
constexpr KindTraits position_move(Kind k, std::uint8_t short_opcode, std::uint8_t operand_class,
                                   std::uint8_t operands) {
  return {k,          short_opcode, operand_class, operands, StoredForm::Long,
          Edit::None, Shape::None,  true,          false};
}
// A data edit descriptor: the short class and the operands follow from how it is written.
constexpr KindTraits data(Kind k, std::uint8_t short_opcode, Edit edit, Shape shape) {
  const std::uint8_t operand_class = shape == Shape::Bare ? 7 : shape == Shape::W ? 9 : 10;
  const std::uint8_t operands = shape == Shape::Bare ? kRepeatOperand : kAllOperands;
  return {k, short_opcode, operand_class, operands, StoredForm::Long, edit, shape, false, false};
}

}  // namespace detail

// Every kind, in kind order. Adding a descriptor is a Kind, a row here and, for a new letter,
// its editing in FormatWriter.
inline constexpr KindTraits kKindTraits[] = {
    detail::control(Kind::Invalid, 0, 6),
    detail::control(Kind::FormatStart, 0x36, 6),
    detail::control(Kind::FormatEnd, 0x37, 6),
    detail::control(Kind::GroupStart, 0x38, 7, kRepeatOperand),
    detail::control(Kind::GroupEnd, 0x39, 6),
    detail::control(Kind::BN, 0x3a, 6),
    detail::control(Kind::BZ, 0x3b, 6),
    detail::control(Kind::SP, 0x3c, 6),
    detail::control(Kind::SS, 0x3d, 6),
    detail::control(Kind::S, 0x3e, 6),
    {Kind::Scale, 0x3f, 8, kWOperand, StoredForm::Long, Edit::None, Shape::None, false, true},
    detail::position_move(Kind::SkipX, 0x40, 7, kRepeatOperand),
    detail::control(Kind::T, 0x41, 8, kWOperand, StoredForm::Long),
    detail::position_move(Kind::TL, 0x42, 8, kWOperand),
    detail::position_move(Kind::TR, 0x43, 8, kWOperand),
    detail::control(Kind::Q, 0x44, 6),
    detail::control(Kind::Dollar, 0x45, 6),
    detail::control(Kind::Colon, 0x46, 6),
    detail::control(Kind::Slash, 0x47, 7, kRepeatOperand),
    detail::data(Kind::A, 0x48, Edit::A, Shape::Bare),
    detail::data(Kind::D, 0x49, Edit::D, Shape::Bare),
    detail::data(Kind::E, 0x4a, Edit::E, Shape::Bare),
    detail::data(Kind::F, 0x4b, Edit::F, Shape::Bare),
    detail::data(Kind::G, 0x4c, Edit::G, Shape::Bare),
    detail::data(Kind::I, 0x4d, Edit::I, Shape::Bare),
    detail::data(Kind::L, 0x4e, Edit::L, Shape::Bare),
    detail::data(Kind::O, 0x4f, Edit::O, Shape::Bare),
    detail::data(Kind::Z, 0x50, Edit::Z, Shape::Bare),
    detail::control(Kind::Literal, 0, 8, kNoOperands, StoredForm::Literal),
    detail::data(Kind::Aw, 0x51, Edit::A, Shape::W),
    detail::data(Kind::Dwd, 0x52, Edit::D, Shape::WD),
    detail::data(Kind::Ewd, 0x53, Edit::E, Shape::WD),
    detail::data(Kind::EwdEe, 0, Edit::E, Shape::WDE),
    detail::data(Kind::Fwd, 0x54, Edit::F, Shape::WD),
    detail::data(Kind::Gwd, 0x55, Edit::G, Shape::WD),
    detail::data(Kind::GwdEe, 0, Edit::G, Shape::WDE),
    detail::data(Kind::Iw, 0x56, Edit::I, Shape::W),
    detail::data(Kind::Iwm, 0x57, Edit::I, Shape::WM),
    detail::data(Kind::Lw, 0x58, Edit::L, Shape::W),
    detail::data(Kind::Ow, 0x59, Edit::O, Shape::W),
    detail::data(Kind::Owm, 0x5a, Edit::O, Shape::WM),
    detail::data(Kind::Zw, 0x5b, Edit::Z, Shape::W),
    detail::data(Kind::Zwm, 0x5c, Edit::Z, Shape::WM),
    detail::data(Kind::B, 0x5d, Edit::B, Shape::Bare),
    detail::data(Kind::Bw, 0x5e, Edit::B, Shape::W),
    detail::data(Kind::Bwm, 0x5f, Edit::B, Shape::WM),
    detail::data(Kind::EN, 0x60, Edit::EN, Shape::Bare),
    detail::data(Kind::ENwd, 0x61, Edit::EN, Shape::WD),
    detail::data(Kind::ENwdEe, 0, Edit::EN, Shape::WDE),
    detail::data(Kind::ES, 0x62, Edit::ES, Shape::Bare),
    detail::data(Kind::ESwd, 0x63, Edit::ES, Shape::WD),
    detail::data(Kind::ESwdEe, 0, Edit::ES, Shape::WDE),
};
static_assert(std::size(kKindTraits) == kKindCount);
static_assert([] {
  for (int k = 0; k < kKindCount; ++k)
    if (kKindTraits[k].kind != static_cast<Kind>(k)) return false;
  return true;
}());

constexpr const KindTraits& traits(Kind k) {
  return kKindTraits[static_cast<std::size_t>(k)];
}

constexpr bool is_data_edit(Kind k) {
  return traits(k).edit != Edit::None;
}

// The data edit kind written with `letters` in `shape`, or Kind::Invalid when there is none.
constexpr Kind data_edit_kind(std::string_view letters, Shape shape) {
  for (const KindTraits& t : kKindTraits)
    if (t.edit != Edit::None && t.shape == shape &&
        kEditLetters[static_cast<std::size_t>(t.edit)] == letters)
      return t.kind;
  return Kind::Invalid;
}
// No two data edit kinds are written alike.
static_assert([] {
  for (const KindTraits& t : kKindTraits)
    if (t.edit != Edit::None &&
        data_edit_kind(kEditLetters[static_cast<std::size_t>(t.edit)], t.shape) != t.kind)
      return false;
  return true;
}());

// The short-form opcode of a kind, or 0 when the kind has none (literal, the Ee forms).
constexpr std::uint8_t short_opcode(Kind k) {
  return traits(k).short_opcode;
}

struct OpcodeInfo {
  std::uint8_t operand_class;  // 1-5 long form, 6-10 short form
  std::uint8_t length;         // bytes: 12 long, 4 short (literal: its head), 0 invalid
  Kind kind;
};

namespace detail {

constexpr std::array<OpcodeInfo, kOpcodeCount> make_opcode_table() {
  std::array<OpcodeInfo, kOpcodeCount> t{};
  for (const KindTraits& k : kKindTraits) {
    const auto op = static_cast<std::size_t>(k.kind);
    t[op] = {static_cast<std::uint8_t>(k.operand_class - 5), 12, k.kind};
  }
  t[0].length = 0;
  t[kLiteralOpcode] = {8, 4, Kind::Literal};
  t[kFirstShortOpcode - 1] = {1, 0, Kind::Invalid};
  for (int op = kFirstShortOpcode; op < kOpcodeCount; ++op) t[op] = {6, 0, Kind::Invalid};
  for (const KindTraits& k : kKindTraits) {
    if (k.short_opcode == 0) continue;
    if (k.short_opcode < kFirstShortOpcode + 1 || k.short_opcode >= kOpcodeCount ||
        t[k.short_opcode].length != 0)
      throw "a short opcode out of range or taken twice";
    t[k.short_opcode] = {k.operand_class, 4, k.kind};
  }
  for (int op = kFirstShortOpcode + 1; op < kOpcodeCount; ++op)
    if (t[op].length == 0) throw "a short opcode without a kind";
  return t;
}

}  // namespace detail

// The attribute table: operand class, item length and kind of every opcode 0x00-0x63.
inline constexpr std::array<OpcodeInfo, kOpcodeCount> kOpcodes = detail::make_opcode_table();

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
      out.w = traits(info.kind).signed_w ? static_cast<std::int16_t>(hi16)
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
      return traits(op.kind).signed_w ? fits(op.w, -32768, 32767) : fits(op.w, 0, 0xffff);
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
