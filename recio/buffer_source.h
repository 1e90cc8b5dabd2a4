// Input records cut from text held in memory.
#pragma once

#include <string_view>

#include "recio/record.h"

namespace recio {

// Splits a text at its line feeds into records. A carriage return just before a line feed is not
// part of the record; a last line without a line feed is a record like the others. The text must
// outlive the source and every record view it hands out. Allocates nothing.
class BufferSource final : public RecordSource {
 public:
  explicit BufferSource(std::string_view text) noexcept : rest_(text) {}

  // The next record, or end of file (24) once the text is used up.
  Status next_record(std::string_view& record) override;

 private:
  std::string_view rest_;
};

}  // namespace recio
