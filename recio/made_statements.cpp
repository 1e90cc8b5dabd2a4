#include "recio/made_statements.h"

#include <new>

namespace recio {

void MadeStatements::clear() {
  bytes_.clear();
  record_ends_.clear();
  statements_.clear();
}

Status MadeStatements::add(std::span<const std::uint32_t> format,
                           std::initializer_list<Item> items) {
  const std::size_t bytes = bytes_.size();
  const std::size_t records = record_ends_.size();
  open_ = false;
  // As a statement runs it: the items until the first failure, then the end of the list.
  Status s = writer_.begin(format);
  for (const Item& item : items) {
    if (s != kOk) break;
    s = writer_.transfer(item);
  }
  if (s == kOk) s = writer_.finish();
  if (s == kOk) {
    try {
      statements_.push_back({records, open_});
      return kOk;
    } catch (const std::bad_alloc&) {
      s = status_of(kNoMemory);
    }
  }
  bytes_.resize(bytes);
  record_ends_.resize(records);
  return s;
}

std::size_t MadeStatements::record_count(std::size_t i) const {
  const std::size_t end =
      i + 1 < statements_.size() ? statements_[i + 1].first_record : record_ends_.size();
  return end - statements_[i].first_record;
}

std::string_view MadeStatements::record(std::size_t i, std::size_t r) const {
  const std::size_t n = statements_[i].first_record + r;
  const std::size_t begin = n == 0 ? 0 : record_ends_[n - 1];
  return std::string_view(bytes_).substr(begin, record_ends_[n] - begin);
}

Status MadeStatements::put_record(std::string_view record) {
  try {
    bytes_.append(record);
    record_ends_.push_back(bytes_.size());
  } catch (const std::bad_alloc&) {
    return status_of(kNoMemory);
  }
  return kOk;
}

Status MadeStatements::put_unterminated(std::string_view record) {
  open_ = true;
  return put_record(record);
}

}  // namespace recio
