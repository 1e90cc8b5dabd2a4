// The formatted-output interpreter on arbitrary compiled format records and item lists.
//
// Input: a 16-bit count of format words, the words (little-endian), the slot arguments, one bit
// that picks the end-of-list item or finish(), then the items with their values.
//
// The record lives in a heap block of exactly its words, so a decoder that reads past a record's
// end is caught. Invalid records must come back as 62 (never a crash), the statuses must be
// the writer's own, the first failure must stick, and the same statement run again on the same
// writer and on a fresh one must give the same records.
#include <cstdint>
#include <memory>
#include <span>

#include "fuzz/format_support.h"

namespace {

using namespace recio;
using namespace tavo::fuzz;

constexpr std::size_t kMaxWords = 512;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes in(data, size);
  const std::size_t words = std::min<std::size_t>(in.u16() % (kMaxWords + 1), in.left() / 4);
  auto block = std::make_unique<std::uint32_t[]>(words);
  for (std::size_t i = 0; i < words; ++i) block[i] = in.u32();
  const std::span<const std::uint32_t> format(block.get(), words);
  SlotArgs args;
  args.take(in);
  const bool end_item = in.u8() & 1;
  WriteItems items;
  items.take(in, 12);
  if (!affordable(format, args.args, items)) return -1;

  RecordBuffer rec;
  KeepSink sink;
  FormatWriter writer(rec, sink);
  const WriteOutcome first = run_write(writer, sink, format, args.args, items.items, end_item);
  for (Status s : first.statuses) {
    FUZZ_CHECK(
        is_one_of(s, {kWriteError, kInvalidArgument, kInfiniteFormatLoop, kFormatTypeMismatch,
                      kFormatSyntax, kOutputConversion, kRecordOverflow, kFormatExpression}));
  }
  // An output conversion error is the statement's result only; a record is written only after
  // the format began well.
  for (std::size_t i = 0; i + 1 < first.statuses.size(); ++i)
    FUZZ_CHECK(first.statuses[i] != status_of(kOutputConversion));
  if (first.statuses[0] != kOk) FUZZ_CHECK(first.records.empty());
  check_sticky(first);

  // Nothing of one statement leaks into the next.
  const WriteOutcome again = run_write(writer, sink, format, args.args, items.items, end_item);
  FUZZ_CHECK(again == first);
  RecordBuffer rec2;
  KeepSink sink2;
  FormatWriter fresh(rec2, sink2);
  FUZZ_CHECK(run_write(fresh, sink2, format, args.args, items.items, !end_item) == first);
  return 0;
}
