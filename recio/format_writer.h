// The formatted-output interpreter: walks a compiled format record (format_record.h) in step with
// the items of one write statement and fills the unit's record buffer, handing every ended record
// to the unit's sink.
//
// A statement is begin(), one transfer() per item in list order, then finish(). Every call
// returns a status and reports nothing: the statement glue reports it and does the unit checks.
// After a severe status the statement is dead; later calls return the same status. An output
// conversion error (a field of asterisks) does not stop the statement: finish() returns it.
// The writer holds no heap memory and allocates nothing; the record buffer grows only when a
// record outgrows it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "recio/edit.h"
#include "recio/format_record.h"
#include "recio/items.h"
#include "recio/record.h"
#include "recio/status.h"

namespace recio {

// One entry of a statement's argument list for expression slots: a pointer to the 4-byte integer
// (fetch kind 3) or a routine that returns it (fetch kind 10).
struct FormatArg {
  const std::int32_t* value = nullptr;
  std::int32_t (*routine)(const void* context) = nullptr;
  const void* context = nullptr;

  static constexpr FormatArg of(const std::int32_t& v) { return {&v}; }
  static constexpr FormatArg call(std::int32_t (*fn)(const void*), const void* context = nullptr) {
    return {nullptr, fn, context};
  }
};

class FormatWriter {
 public:
  // Binds the writer to a unit's record buffer and record sink; both outlive the writer.
  FormatWriter(RecordBuffer& record, RecordSink& sink) noexcept : rec_(record), sink_(sink) {}

  // Starts a statement: clears the interpretation state and starts a blank record at column 1.
  // `format` (with its length in words) and `args` must stay valid until finish(). Error 62 when
  // the format does not begin with a format start item.
  Status begin(std::span<const std::uint32_t> format,
               std::span<const FormatArg> args = {}) noexcept;

  // Transfers one list item; an array item transfers its elements in storage order. The end of
  // list item (DataType::EndOfList) is the same as finish(). Severe statuses: 60, 61, 62, 66, 68,
  // and whatever the sink returns (38).
  Status transfer(const Item& item) noexcept;

  // Ends the statement: runs the format on up to the next data edit item, `:` or the format end,
  // ends the last record (left unterminated after `$`). Returns a severe status as transfer()
  // does, else error 63 (severity error) when any field overflowed, else kOk.
  Status finish() noexcept;

 private:
  struct Group {
    std::int32_t left;    // repeats still to run, this one included
    std::uint32_t first;  // word offset of the group's first item
  };

  // Whether list items remain as the format is walked: with none left, the walk stops at the
  // next data edit item, `:` or the format end instead of using it.
  enum class ListItems : bool { Remain, Done };
  // Where a walk through the format stopped.
  enum class Stop : std::uint8_t {
    DataEdit,  // at a data edit item, now the one in use (kind_, w_, d_, e_)
    End,       // no list item remains and the output ends here
    Failed,    // a severe status, kept in failed_
  };

  // Runs the format's control items, literals and record ends up to where it stops.
  Stop walk(ListItems items) noexcept;
  Stop stop_failed(Status s) noexcept {
    failed_ = s;
    return Stop::Failed;
  }
  // The items walk() interprets. A failing one returns its status through fail().
  Status revert() noexcept;  // at the format end: a new record, and on from the reversion point
  Status open_group(std::int32_t repeat, std::size_t here) noexcept;
  Status close_group() noexcept;
  void move_right(std::int32_t n) noexcept;           // nX, TRn
  void move_left(std::int32_t n) noexcept;            // TLn
  void move_to_column(std::int32_t column) noexcept;  // Tc
  Status end_records(std::int32_t n) noexcept;        // n/
  Status put_literal(std::size_t head, std::size_t length) noexcept;
  Status put_element(const Item& item, std::size_t index) noexcept;
  Status end_record() noexcept;
  Status fail(Status s) noexcept { return failed_ = s; }

  RecordBuffer& rec_;
  RecordSink& sink_;
  std::span<const std::uint32_t> format_;
  std::span<const FormatArg> args_;
  std::size_t at_ = 0;         // next item to decode
  std::size_t reversion_ = 0;  // last outermost group start, or 0 (the format start)
  int depth_ = 0;
  Group groups_[kMaxGroupDepth] = {};
  // The data edit item in use and its repeats still to run.
  Kind kind_ = Kind::Invalid;
  std::int32_t w_ = 0, d_ = 0, e_ = 0, rep_left_ = 0;
  std::int32_t scale_ = 0;
  SignMode sign_ = SignMode::Processor;
  bool blank_zero_ = false;  // BN/BZ act on input only; kept for the state's sake
  bool data_seen_ = false;   // a data edit item was used since the format start or reversion
  bool dollar_ = false;
  bool overflowed_ = false;  // some field was filled with asterisks
  Status failed_ = kOk;
};

}  // namespace recio
