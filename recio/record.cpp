#include "recio/record.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace recio {

RecordBuffer::RecordBuffer(std::size_t initial, bool fixed_length)
    : buf_(initial, ' '), fixed_(fixed_length) {}

void RecordBuffer::restart() {
  std::memset(buf_.data(), ' ', std::min(std::max(high, pos), buf_.size()));
  pos = 0;
  high = 0;
}

Status RecordBuffer::grow(std::size_t end) {
  if (fixed_) return status_of(kRecordOverflow);
  std::size_t need = end - buf_.size();
  try {
    buf_.resize(buf_.size() + std::max(need, kMinGrowth), ' ');
  } catch (const std::bad_alloc&) {
    return status_of(kRecordOverflow);
  } catch (const std::length_error&) {
    return status_of(kRecordOverflow);
  }
  return kOk;
}

}  // namespace recio
