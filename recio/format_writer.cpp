#include "recio/format_writer.h"

#include <algorithm>
#include <cstring>

namespace recio {
namespace {

// Operands of one item once its expression slots are fetched.
struct Operands {
  std::int32_t repeat, w, d, e;
};

// The allowed range of each operand: repeat, w, d, e in that order.
constexpr bool in_range(const KindTraits& t, int field, std::int64_t v) {
  switch (field) {
    case 0:
      return v >= (t.count_from_zero ? 0 : 1) && v <= kMaxOperand;
    case 1:
      return t.signed_w || (v >= 0 && v <= kMaxOperand);
    case 2:
      return v >= 0 && v <= kMaxOperand;
    default:
      return v >= 0 && v <= kMaxDigits;
  }
}

// Stored d and e are bytes and always in range; repeat and w are checked.
inline bool stored_in_range(const KindTraits& t, std::int32_t repeat, std::int32_t w) {
  const std::int32_t lo = t.count_from_zero ? 0 : 1;
  // In unsigned arithmetic: a stored repeat may be any 32-bit value, INT32_MIN included.
  if ((t.operands & kRepeatOperand) &&
      static_cast<std::uint32_t>(repeat) - std::uint32_t(lo) > std::uint32_t(kMaxOperand - lo))
    return false;
  if ((t.operands & kWOperand) && !t.signed_w &&
      static_cast<std::uint32_t>(w) > std::uint32_t(kMaxOperand))
    return false;
  return true;
}

// Replaces the operands that come from expression slots, then checks them all.
Status fetch_slots(std::span<const FormatArg> args, const FormatItem& it, Operands& op) {
  std::int32_t* fields[4] = {&op.repeat, &op.w, &op.d, &op.e};
  const KindTraits& t = traits(it.kind);
  for (int f = 0; f < 4; ++f) {
    if (!(it.flags & (1u << f))) continue;
    const std::uint32_t slot = it.slots[f];
    const std::size_t index = slot & 0xffff;
    const unsigned fetch = (slot >> 16) & 0xff;
    if (slot >> 24 != kSlotTypeInt4 || index >= args.size()) return status_of(kFormatSyntax);
    const FormatArg& arg = args[index];
    std::int32_t v;
    if (fetch == kFetchPointer && arg.value) {
      v = *arg.value;
    } else if (fetch == kFetchRoutine && arg.routine) {
      v = arg.routine(arg.context);
    } else {
      return status_of(kFormatSyntax);
    }
    if ((t.operands >> f & 1) && !in_range(t, f, v)) return status_of(kFormatExpression);
    *fields[f] = v;
  }
  return stored_in_range(t, op.repeat, op.w) ? kOk : status_of(kFormatSyntax);
}

// Decodes the item at word `at` and fetches its operands; error 62 for an item that does not
// decode or an operand out of its kind's range, error 68 for an expression value out of range.
Status read_item(std::span<const std::uint32_t> format, std::span<const FormatArg> args,
                 std::size_t at, FormatItem& it, Operands& op) {
  if (!decode_item(format, at, it)) return status_of(kFormatSyntax);
  op = {it.repeat, it.w, it.d, it.e};
  if (it.flags & 0x0f) return fetch_slots(args, it, op);
  return stored_in_range(traits(it.kind), op.repeat, op.w) ? kOk : status_of(kFormatSyntax);
}

constexpr bool is_int(DataType t) {
  return t == DataType::Int1 || t == DataType::Int2 || t == DataType::Int4 || t == DataType::Int8;
}
constexpr bool is_real(DataType t) {
  return t == DataType::Real4 || t == DataType::Real8;
}

// Reads a numeric element as its raw bits, sign-extended for integers.
std::uint64_t raw_bits(const Item& item, std::size_t index) {
  if (item.desc.mode == Addressing::Inline) {
    if (is_real(item.desc.type)) {
      if (item.desc.type == DataType::Real4) {
        const float f = static_cast<float>(item.inline_real);
        std::uint32_t b;
        std::memcpy(&b, &f, 4);
        return b;
      }
      std::uint64_t b;
      std::memcpy(&b, &item.inline_real, 8);
      return b;
    }
    return static_cast<std::uint64_t>(item.inline_int);
  }
  const std::size_t size = element_size(item.desc.type);
  const char* p = static_cast<const char*>(item.addr) + index * size;
  switch (size) {
    case 1: {
      std::int8_t v;
      std::memcpy(&v, p, 1);
      return static_cast<std::uint64_t>(static_cast<std::int64_t>(v));
    }
    case 2: {
      std::int16_t v;
      std::memcpy(&v, p, 2);
      return static_cast<std::uint64_t>(static_cast<std::int64_t>(v));
    }
    case 4: {
      std::int32_t v;
      std::memcpy(&v, p, 4);
      return is_int(item.desc.type) ? static_cast<std::uint64_t>(static_cast<std::int64_t>(v))
                                    : static_cast<std::uint32_t>(v);
    }
    default: {
      std::uint64_t v;
      std::memcpy(&v, p, 8);
      return v;
    }
  }
}

double real_value(const Item& item, std::size_t index) {
  if (item.desc.mode == Addressing::Inline) return item.inline_real;
  if (item.desc.type == DataType::Real4) {
    float f;
    std::memcpy(&f, static_cast<const char*>(item.addr) + index * 4, 4);
    return f;
  }
  double v;
  std::memcpy(&v, static_cast<const char*>(item.addr) + index * 8, 8);
  return v;
}

// Whether an element of `type` suits a data edit item.
constexpr bool suits(Edit edit, DataType type) {
  switch (edit) {
    case Edit::A:
      return type == DataType::Character;
    case Edit::L:
      return type == DataType::Logical4;
    case Edit::I:
      return is_int(type);
    case Edit::B:
    case Edit::O:
    case Edit::Z:
      return element_size(type) != 0;
    default:
      return is_real(type);
  }
}

// Width of a data edit item written without one, and its d and e, for the item's type.
struct Defaults {
  std::int32_t w, d, e;
};
Defaults defaults(Edit edit, const Item& item) {
  const DataType t = item.desc.type;
  const std::int32_t bits = static_cast<std::int32_t>(element_size(t) * 8);
  switch (edit) {
    case Edit::A:
      return {0, 0, 0};  // the item's own length, see put_element
    case Edit::I:
      return {t == DataType::Int8 ? 23 : t == DataType::Int4 ? 12 : 7, 1, 0};
    case Edit::L:
      return {2, 0, 0};
    case Edit::O:
      return {(bits + 2) / 3 + 1, 1, 0};
    case Edit::Z:
      return {bits / 4 + 1, 1, 0};
    case Edit::B:
      return {bits + 1, 1, 0};
    default:
      return t == DataType::Real4 ? Defaults{15, 7, 2} : Defaults{25, 16, 2};
  }
}

}  // namespace

Status FormatWriter::begin(std::span<const std::uint32_t> format,
                           std::span<const FormatArg> args) noexcept {
  format_ = format;
  args_ = args;
  at_ = 0;
  reversion_ = 0;
  depth_ = 0;
  kind_ = Kind::Invalid;
  w_ = d_ = e_ = rep_left_ = 0;
  scale_ = 0;
  sign_ = SignMode::Processor;
  blank_zero_ = false;
  data_seen_ = false;
  dollar_ = false;
  overflowed_ = false;
  failed_ = kOk;
  rec_.restart();
  FormatItem first;
  if (!decode_item(format_, 0, first) || first.kind != Kind::FormatStart)
    return fail(status_of(kFormatSyntax));
  return kOk;
}

Status FormatWriter::end_record() noexcept {
  const Status s = sink_.put_record(rec_.written());
  rec_.restart();
  return s == kOk ? kOk : fail(s);
}

// walk()'s parts, each with walk() its one caller. Inline where the loop gains from it (callgrind
// on bench/format_bench.cpp); a literal's copy outweighs the call.
inline Status FormatWriter::revert() noexcept {
  // Each pass through the format from the reversion point must use a data edit item, or it would
  // write records for ever.
  if (!data_seen_) return fail(status_of(kInfiniteFormatLoop));
  data_seen_ = false;
  if (const Status s = end_record(); s != kOk) return s;
  at_ = reversion_;
  return kOk;
}

inline Status FormatWriter::open_group(std::int32_t repeat, std::size_t here) noexcept {
  if (depth_ == kMaxGroupDepth) return fail(status_of(kFormatSyntax));
  if (depth_ == 0) reversion_ = here;
  groups_[depth_++] = {repeat, static_cast<std::uint32_t>(at_)};
  return kOk;
}

inline Status FormatWriter::close_group() noexcept {
  if (depth_ == 0) return fail(status_of(kFormatSyntax));
  Group& g = groups_[depth_ - 1];
  if (g.left <= 1) {
    --depth_;
  } else {
    --g.left;
    at_ = g.first;
  }
  return kOk;
}

inline void FormatWriter::move_right(std::int32_t n) noexcept {
  rec_.pos += static_cast<std::size_t>(n);
}

inline void FormatWriter::move_left(std::int32_t n) noexcept {
  const auto back = static_cast<std::size_t>(n);
  rec_.pos = rec_.pos > back ? rec_.pos - back : 0;
}

inline void FormatWriter::move_to_column(std::int32_t column) noexcept {
  rec_.pos = column > 0 ? static_cast<std::size_t>(column - 1) : 0;
}

inline Status FormatWriter::end_records(std::int32_t n) noexcept {
  for (std::int32_t i = 0; i < n; ++i)
    if (const Status s = end_record(); s != kOk) return s;
  return kOk;
}

Status FormatWriter::put_literal(std::size_t head, std::size_t length) noexcept {
  if (length == 0) return kOk;
  const Status s = rec_.reserve(rec_.pos + length);
  if (s != kOk) return fail(s);
  copy_literal(format_.data() + head + 1, length, rec_.data() + rec_.pos);
  rec_.pos += length;
  rec_.high = std::max(rec_.high, rec_.pos);
  return kOk;
}

FormatWriter::Stop FormatWriter::walk(ListItems items) noexcept {
  const bool items_remain = items == ListItems::Remain;
  if (rep_left_ > 0) {
    if (!items_remain) return Stop::End;
    --rep_left_;
    return Stop::DataEdit;
  }
  FormatItem it;  // outside the loop: the decoder sets every field an item uses
  for (;;) {
    const std::size_t here = at_;
    Operands op;
    if (const Status s = read_item(format_, args_, here, it, op); s != kOk) return stop_failed(s);
    at_ = here + it.words;
    switch (it.kind) {
      case Kind::FormatStart:
        reversion_ = 0;
        data_seen_ = false;
        break;
      case Kind::FormatEnd:
        if (depth_ != 0) return stop_failed(status_of(kFormatSyntax));
        if (!items_remain) return Stop::End;
        if (revert() != kOk) return Stop::Failed;
        break;
      case Kind::GroupStart:
        if (open_group(op.repeat, here) != kOk) return Stop::Failed;
        break;
      case Kind::GroupEnd:
        if (close_group() != kOk) return Stop::Failed;
        break;
      case Kind::BN:
        blank_zero_ = false;
        break;
      case Kind::BZ:
        blank_zero_ = true;
        break;
      case Kind::SP:
        sign_ = SignMode::Plus;
        break;
      case Kind::SS:
        sign_ = SignMode::Suppress;
        break;
      case Kind::S:
        sign_ = SignMode::Processor;
        break;
      case Kind::Scale:
        scale_ = op.w;
        break;
      case Kind::Dollar:
        dollar_ = true;
        break;
      case Kind::Q:
        break;  // input only
      case Kind::SkipX:
        move_right(op.repeat);
        break;
      case Kind::TR:
        move_right(op.w);
        break;
      case Kind::TL:
        move_left(op.w);
        break;
      case Kind::T:
        move_to_column(op.w);
        break;
      case Kind::Colon:
        if (!items_remain) return Stop::End;
        break;
      case Kind::Slash:
        if (end_records(op.repeat) != kOk) return Stop::Failed;
        break;
      case Kind::Literal:
        if (put_literal(here, static_cast<std::size_t>(it.w)) != kOk) return Stop::Failed;
        break;
      case Kind::Invalid:
        return stop_failed(status_of(kFormatSyntax));
      default:  // a data edit item
        if (!items_remain) return Stop::End;
        kind_ = it.kind;
        w_ = op.w;
        d_ = op.d;
        e_ = op.e;
        rep_left_ = op.repeat - 1;
        return Stop::DataEdit;
    }
  }
}

Status FormatWriter::put_element(const Item& item, std::size_t index) noexcept {
  const DataType type = item.desc.type;
  const KindTraits& t = traits(kind_);
  if (!suits(t.edit, type)) return fail(status_of(kFormatTypeMismatch));

  std::int32_t w = w_, d = d_, e = e_;
  std::int32_t m = 1;
  switch (t.shape) {
    case Shape::Bare: {
      const Defaults def = defaults(t.edit, item);
      w = def.w, d = def.d, e = def.e;
      break;
    }
    case Shape::WM:
      m = d_;
      break;
    case Shape::WD:
      e = 0;
      break;
    default:
      break;
  }

  const bool own_length = t.edit == Edit::A && t.shape == Shape::Bare;
  const std::size_t width = own_length ? item.length : static_cast<std::size_t>(w);
  const Status s = rec_.reserve(rec_.pos + width);
  if (s != kOk) return fail(s);
  const std::span<char> field(rec_.data() + rec_.pos, width);
  const RealEdit real{d, e, scale_, sign_};
  bool fit = true;
  switch (t.edit) {
    case Edit::A: {
      const char* p = static_cast<const char*>(item.addr) + index * item.length;
      edit_a(field, {p, item.length});
      break;
    }
    case Edit::L:
      edit_l(field, raw_bits(item, index) != 0);
      break;
    case Edit::I:
      fit = edit_i(field, static_cast<std::int64_t>(raw_bits(item, index)), m, sign_);
      break;
    case Edit::B:
    case Edit::O:
    case Edit::Z: {
      std::uint64_t bits = raw_bits(item, index);
      const std::size_t size = element_size(type);
      if (size < 8) bits &= (std::uint64_t{1} << (size * 8)) - 1;
      const int per_digit = t.edit == Edit::B ? 1 : t.edit == Edit::O ? 3 : 4;
      fit = edit_radix(field, bits, per_digit, m);
      break;
    }
    case Edit::D:
      fit = edit_d(field, real_value(item, index), real);
      break;
    case Edit::F:
      fit = edit_f(field, real_value(item, index), real);
      break;
    case Edit::G:
      fit = edit_g(field, real_value(item, index), real);
      break;
    case Edit::EN:
      fit = edit_en(field, real_value(item, index), real);
      break;
    case Edit::ES:
      fit = edit_es(field, real_value(item, index), real);
      break;
    case Edit::E:
    case Edit::None:
      fit = edit_e(field, real_value(item, index), real);
      break;
  }
  overflowed_ |= !fit;
  rec_.pos += width;
  if (width > 0) rec_.high = std::max(rec_.high, rec_.pos);
  data_seen_ = true;
  return kOk;
}

Status FormatWriter::transfer(const Item& item) noexcept {
  if (failed_ != kOk) return failed_;
  if (item.is_end()) return finish();
  if (item.addr == nullptr && item.desc.mode != Addressing::Inline && item.count > 0)
    return fail(status_of(kInvalidArgument));
  const std::size_t count = item.desc.mode == Addressing::Inline ? 1 : item.count;
  for (std::size_t i = 0; i < count; ++i) {
    if (walk(ListItems::Remain) != Stop::DataEdit) return failed_;
    if (const Status s = put_element(item, i); s != kOk) return s;
  }
  return kOk;
}

Status FormatWriter::finish() noexcept {
  if (failed_ != kOk) return failed_;
  if (walk(ListItems::Done) == Stop::Failed) return failed_;
  if (dollar_) {
    const Status s = sink_.put_unterminated(rec_.written());
    rec_.restart();
    if (s != kOk) return fail(s);
  } else if (end_record() != kOk) {
    return failed_;
  }
  return overflowed_ ? status_of(kOutputConversion) : kOk;
}

}  // namespace recio
