#include "recio/buffer_source.h"

#include <cstring>

namespace recio {

Status BufferSource::next_record(std::string_view& record) {
  if (rest_.empty()) return status_of(kEndOfFile);
  const void* lf = std::memchr(rest_.data(), '\n', rest_.size());
  if (lf == nullptr) {
    record = rest_;
    rest_ = {};
    return kOk;
  }
  std::size_t n = static_cast<const char*>(lf) - rest_.data();
  record = rest_.substr(0, n);
  rest_.remove_prefix(n + 1);
  if (!record.empty() && record.back() == '\r') record.remove_suffix(1);
  return kOk;
}

}  // namespace recio
