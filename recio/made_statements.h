// Formatted write statements made ahead: the interpreter's records of a sequence of statements,
// made in memory without a unit (so on any thread), for write_made (statements.h) to write later
// on the thread that owns the unit. The records are those the statement would hand to its unit,
// since the interpreter depends on nothing of the unit but its (growing) record buffer and sink.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "recio/format_writer.h"
#include "recio/items.h"
#include "recio/record.h"
#include "recio/status.h"

namespace recio {

class MadeStatements final : private RecordSink {
 public:
  MadeStatements() = default;
  MadeStatements(const MadeStatements&) = delete;
  MadeStatements& operator=(const MadeStatements&) = delete;

  // Forgets every statement; keeps the memory for the next ones.
  void clear();

  // Interprets one statement and appends its records. kOk when the statement made its records
  // without any failure; any other status (an overflowed field, a format error, no memory) is
  // for the real statement to meet and report, and leaves nothing appended.
  Status add(std::span<const std::uint32_t> format, std::initializer_list<Item> items);

  std::size_t size() const { return statements_.size(); }

  // Statement i: its records in order, each without terminator, and whether its last record was
  // left open by `$`.
  std::size_t record_count(std::size_t i) const;
  std::string_view record(std::size_t i, std::size_t r) const;
  bool last_open(std::size_t i) const { return statements_[i].last_open; }

 private:
  struct Statement {
    std::size_t first_record;  // index into record_ends_
    bool last_open;
  };

  Status put_record(std::string_view record) override;
  Status put_unterminated(std::string_view record) override;

  std::string bytes_;
  std::vector<std::size_t> record_ends_;  // end offset of every record in bytes_
  std::vector<Statement> statements_;
  bool open_ = false;  // the statement being made left its last record open
  RecordBuffer buffer_;
  FormatWriter writer_{buffer_, *this};
};

}  // namespace recio
