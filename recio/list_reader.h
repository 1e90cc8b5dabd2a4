// List-directed input: the items of a read statement filled from free-form text records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "recio/items.h"
#include "recio/record.h"
#include "recio/status.h"

namespace recio {

// Reads list-directed statements from one unit's records. A statement is
//
//   begin();  transfer(item) for each item, in list order;  finish();
//
// Values are separated by blanks, tabs, commas, slashes and record ends; they may carry a repeat
// count (r*value, or r* for r null values), may be null (the item keeps its contents) and may run
// over any number of records. Every statement starts on a new record and drops the rest of its
// last record at the end. A slash ends the statement early; the remaining items keep their
// contents and the statement succeeds.
//
// Statuses are returned, never reported: 59 for a syntax error, 64 for a value that does not
// convert to its item, the source's status when a record is needed and cannot be read (24 at the
// end of the records; a record holding only Ctrl-Z counts as the end). The first error sticks:
// later transfers store nothing and return it, finish() returns it. Items stored before the error
// keep their new values.
//
// One reader serves every statement of its unit. The token buffer is allocated by the first
// begin(); nothing else is ever allocated. Records are scanned in place; a record view from the
// source is used only until the reader asks for the next record or finishes the statement.
class ListReader {
 public:
  // Longest value accepted, quoted or not; one character more is a syntax error (59).
  static constexpr std::size_t kMaxTokenLength = 2049;

  explicit ListReader(RecordSource& source) noexcept : source_(source) {}
  ListReader(const ListReader&) = delete;
  ListReader& operator=(const ListReader&) = delete;

  // Starts a statement: clears the scan state and reads the statement's first record. Returns kOk,
  // the source's status (24 at the end of the records), or 41 when the token buffer cannot be
  // allocated.
  Status begin() noexcept;

  // Fills one item; an array item takes one value per element. Stores into integers of 1, 2, 4
  // and 8 bytes, reals of 4 and 8 bytes, 4-byte logicals (1 for true, 0 for false) and character
  // items (left-justified, blank-padded or cut to the element length). Returns kOk or the
  // statement's first error; 48 for an item that cannot take a value (an inline value, no
  // address, an unknown type, no statement begun). The end-of-list item finishes the statement.
  Status transfer(const Item& item) noexcept;

  // Ends the statement and discards the rest of its current record. Returns the statement's first
  // error, or kOk.
  Status finish() noexcept;

 private:
  enum class Kind : std::uint8_t { Null, Quoted, Plain };
  // How an unquoted value is scanned: numbers also stop at ')' and '*'; values for a real item
  // are converted while they are scanned.
  enum class Scan : std::uint8_t { Number, Real, Text };

  Status next_value(Scan scan) noexcept;
  Status scan_value(Scan scan, bool after_star) noexcept;
  bool quick_real(const char* start) noexcept;
  Status scan_repeat(const char* digits, const char* star, Scan scan) noexcept;
  Status scan_quoted(char delimiter) noexcept;
  Status read_record() noexcept;
  Status store(DataType type, char* dst, std::size_t length) noexcept;
  Status fail(Status status) noexcept { return error_ = status; }

  RecordSource& source_;
  std::unique_ptr<char[]> token_buffer_;  // quoted values are assembled here

  // The current record, scanned in place.
  const char* pos_ = nullptr;
  const char* end_ = nullptr;

  // The current value: in the record, or in token_buffer_ when quoted.
  std::string_view token_;
  Kind kind_ = Kind::Null;
  std::int32_t repeat_ = 0;  // further items that take the current value without scanning
  double quick_value_ = 0;   // the current value as a double, when quick_
  bool quick_ = false;

  bool in_statement_ = false;
  bool slash_ = false;
  // A comma here is a null value rather than the end of the previous one: at the start of the
  // statement, after a comma or r*, and after a record that held no value.
  bool comma_is_null_ = false;
  bool record_has_value_ = false;  // null values count
  Status error_ = kOk;
};

}  // namespace recio
