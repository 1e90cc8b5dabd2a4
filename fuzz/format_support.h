// What the two format targets share: item lists with values taken from the input, a record sink
// that keeps what it is given, one statement run on a writer, and the work bound that keeps
// formats with astronomically many repeats out of the fuzzer's way.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "recio/format_record.h"
#include "recio/format_writer.h"
#include "recio/items.h"

namespace tavo::fuzz {

// The items of one write statement, each element in an exact-size heap block, with values
// taken from the input: every bit pattern, so NaNs, infinities and subnormals too.
struct WriteItems {
  std::vector<std::unique_ptr<char[]>> blocks;
  std::vector<recio::Item> items;
  std::size_t elements = 0;      // elements the list holds
  std::size_t longest_text = 0;  // longest character element

  void take(Bytes& in, std::size_t max_items) {
    using recio::DataType;
    const std::size_t n = in.u8() % (max_items + 1);
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint8_t sel = in.u8();
      recio::Item item;
      std::size_t size = 0;
      switch (sel % 10) {
        case 0:
          item.desc.type = DataType::Int1, size = 1;
          break;
        case 1:
          item.desc.type = DataType::Int2, size = 2;
          break;
        case 2:
          item.desc.type = DataType::Int4, size = 4;
          break;
        case 3:
          item.desc.type = DataType::Int8, size = 8;
          break;
        case 4:
          item.desc.type = DataType::Logical4, size = 4;
          break;
        case 5:
          item.desc.type = DataType::Real4, size = 4;
          break;
        case 6:
          item.desc.type = DataType::Real8, size = 8;
          break;
        case 7:
          item.desc = {DataType::Character, recio::Addressing::LengthAddress};
          item.length = size = in.u8() % 96;
          longest_text = std::max(longest_text, size);
          break;
        case 8:
          item = recio::Item::value(static_cast<std::int32_t>(in.u32()));
          item.inline_int = static_cast<std::int64_t>(in.u64());
          break;
        default: {
          double v;
          const std::uint64_t bits = in.u64();
          std::memcpy(&v, &bits, sizeof v);
          item = recio::Item::value(v);
          break;
        }
      }
      if (item.desc.mode != recio::Addressing::Inline) {
        item.count = (sel & 0x80) ? in.u8() % 6 : 1;
        blocks.push_back(exact_block(size * item.count));
        in.fill(blocks.back().get(), size * item.count);
        item.addr = blocks.back().get();
      }
      elements += item.desc.mode == recio::Addressing::Inline ? 1 : item.count;
      items.push_back(item);
    }
  }
};

// Arguments of expression slots: pointers to values, routines returning them, and holes.
struct SlotArgs {
  std::vector<std::unique_ptr<std::int32_t>> values;
  std::vector<recio::FormatArg> args;

  static std::int32_t fetch(const void* context) {
    return *static_cast<const std::int32_t*>(context);
  }

  void take(Bytes& in) {
    const std::size_t n = in.u8() % 5;
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint8_t kind = in.u8() % 3;
      values.push_back(std::make_unique<std::int32_t>(static_cast<std::int32_t>(in.u32())));
      if (kind == 0) args.push_back(recio::FormatArg::of(*values.back()));
      if (kind == 1) args.push_back(recio::FormatArg::call(fetch, values.back().get()));
      if (kind == 2) args.push_back({});
    }
  }
};

// Keeps every record it is given; refuses (38) past a record count no test needs.
class KeepSink final : public recio::RecordSink {
 public:
  static constexpr std::size_t kMaxRecords = 1 << 14;

  recio::Status put_record(std::string_view r) override {
    if (records.size() == kMaxRecords) return recio::status_of(recio::kWriteError);
    records.emplace_back(r);
    return recio::kOk;
  }
  recio::Status put_unterminated(std::string_view r) override {
    if (records.size() == kMaxRecords) return recio::status_of(recio::kWriteError);
    records.emplace_back(r);
    unterminated = true;
    return recio::kOk;
  }

  std::vector<std::string> records;
  bool unterminated = false;
};

struct WriteOutcome {
  std::vector<recio::Status> statuses;  // begin, each transfer, the end
  std::vector<std::string> records;
  bool unterminated = false;
  bool operator==(const WriteOutcome&) const = default;
};

// One statement as the statement layer runs it: begin, the items, then the end-of-list item
// (or finish), going on after a failure as a statement with its own error handling does.
inline WriteOutcome run_write(recio::FormatWriter& w, KeepSink& sink,
                              std::span<const std::uint32_t> format,
                              std::span<const recio::FormatArg> args,
                              std::span<const recio::Item> items, bool end_item) {
  sink.records.clear();
  sink.unterminated = false;
  WriteOutcome out;
  out.statuses.push_back(w.begin(format, args));
  for (const recio::Item& item : items) out.statuses.push_back(w.transfer(item));
  out.statuses.push_back(end_item ? w.transfer(recio::Item::end()) : w.finish());
  out.records = sink.records;
  out.unterminated = sink.unterminated;
  return out;
}

// The first failure sticks: once a call returns a severe status every later one returns it.
inline void check_sticky(const WriteOutcome& out) {
  recio::Status first = recio::kOk;
  for (recio::Status s : out.statuses) {
    if (first != recio::kOk) FUZZ_CHECK(s == first);
    if (recio::is_severe(s)) first = s;
  }
}

namespace detail {
inline std::uint64_t mul(std::uint64_t a, std::uint64_t b) {
  constexpr std::uint64_t kMax = std::uint64_t{1} << 40;
  return a != 0 && b > kMax / a ? kMax : a * b;
}
inline std::int64_t slot_value(std::span<const recio::FormatArg> args, std::uint32_t slot,
                               std::int64_t stored) {
  const std::size_t index = slot & 0xffff;
  if (index >= args.size()) return stored;
  const recio::FormatArg& a = args[index];
  if (a.value) return *a.value;
  if (a.routine) return a.routine(a.context);
  return stored;
}
}  // namespace detail

// Whether one statement under `format` stays within a modest amount of work: a valid format may
// ask for 32767 repeats of a group nested eight deep, which is a legitimate but endless job.
// Walks the record once, multiplying by the repeats of the enclosing groups; the walk repeats at
// most once per list element (a reversion needs a data item).
inline bool affordable(std::span<const std::uint32_t> format,
                       std::span<const recio::FormatArg> args, const WriteItems& items) {
  using recio::Kind;
  std::vector<std::uint64_t> scale{1};
  std::uint64_t steps = 0, columns = 0, records = 1;
  std::uint64_t widest = std::max<std::uint64_t>(items.longest_text, 80);
  for (std::size_t at = 0; at < format.size();) {
    recio::FormatItem it;
    if (!recio::decode_item(format, at, it)) break;
    at += it.words;
    std::int64_t repeat = it.repeat, w = it.w;
    if (it.flags & recio::kExprRepeat) repeat = detail::slot_value(args, it.slots[0], repeat);
    if (it.flags & recio::kExprW) w = detail::slot_value(args, it.slots[1], w);
    const auto r = static_cast<std::uint64_t>(std::clamp<std::int64_t>(repeat, 1, 1 << 20));
    const auto n = static_cast<std::uint64_t>(std::clamp<std::int64_t>(w, 0, 1 << 20));
    const std::uint64_t m = scale.back();
    steps += m;
    switch (it.kind) {
      case Kind::GroupStart:
        scale.push_back(detail::mul(m, r));
        break;
      case Kind::GroupEnd:
        if (scale.size() > 1) scale.pop_back();
        break;
      case Kind::Slash:
        records += detail::mul(m, r);
        steps += detail::mul(m, r);
        break;
      case Kind::SkipX:
        columns += detail::mul(m, r);
        break;
      case Kind::TR:
      case Kind::Literal:
        columns += detail::mul(m, n);
        break;
      case Kind::T:
        columns += n;
        break;
      default:
        if (recio::is_data_edit(it.kind)) widest = std::max(widest, n);
        break;
    }
  }
  const std::uint64_t passes = items.elements + 1;
  columns = detail::mul(columns, passes) + detail::mul(widest, items.elements);
  return detail::mul(steps, passes) <= (1u << 18) && detail::mul(records, passes) <= (1u << 12) &&
         columns <= (1u << 20);
}

}  // namespace tavo::fuzz
