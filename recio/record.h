// The record seams between the unit table and the statement engines: an output record buffer
// that formatted output fills, a sink that takes each ended record, and a source of input
// records for list-directed input.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "recio/status.h"

namespace recio {

// Output record under construction. Columns are 0-based here (column 1 of a record is index 0).
// Filled with blanks at the start of every record; grows on demand by the larger of the need and
// 512 bytes unless the record length is fixed, in which case growing past it is error 66.
class RecordBuffer {
 public:
  static constexpr std::size_t kInitialLength = 132;
  static constexpr std::size_t kMinGrowth = 512;

  explicit RecordBuffer(std::size_t initial = kInitialLength, bool fixed_length = false);

  // Makes columns [0, end) addressable, blank-filling new room. Allocates only when growing.
  Status reserve(std::size_t end) { return end <= buf_.size() ? kOk : grow(end); }
  // Starts a new record: blank-fills what the last record used, position 0, nothing written.
  void restart();

  char* data() { return buf_.data(); }
  std::size_t capacity() const { return buf_.size(); }
  std::string_view written() const { return {buf_.data(), high}; }

  std::size_t pos = 0;   // current position
  std::size_t high = 0;  // one past the rightmost column written in this record

 private:
  Status grow(std::size_t end);
  std::vector<char> buf_;
  bool fixed_;
};

// Takes ended output records (without terminator). The unit adds its line terminator.
class RecordSink {
 public:
  virtual ~RecordSink() = default;
  virtual Status put_record(std::string_view record) = 0;
  // Takes a statement's last record that a `$` edit leaves open: it is written without the
  // line terminator, so that the next output continues the line. Units that cannot leave a
  // line open keep this default and terminate it.
  virtual Status put_unterminated(std::string_view record) { return put_record(record); }
};

// Supplies input records (without their line end). End of file is kEndOfFile severity severe.
class RecordSource {
 public:
  virtual ~RecordSource() = default;
  virtual Status next_record(std::string_view& record) = 0;
};

}  // namespace recio
