#include "recio/allocation.h"

#include <unistd.h>

#include <cstdlib>
#include <limits>

namespace recio {

Status table_bytes(std::initializer_list<std::int64_t> extents, std::size_t element_size,
                   std::size_t& bytes) {
  // A table larger than the machine's memory cannot be satisfied; refusing it here keeps the
  // outcome the same whatever the kernel's overcommit policy.
  static const std::size_t limit = [] {
    long pages = ::sysconf(_SC_PHYS_PAGES);
    long page = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page <= 0) return std::numeric_limits<std::size_t>::max();
    return static_cast<std::size_t>(pages) * static_cast<std::size_t>(page);
  }();
  std::size_t total = element_size;
  for (std::int64_t e : extents) {
    std::size_t n = e > 0 ? static_cast<std::size_t>(e) : 0;
    if (n != 0 && total > std::numeric_limits<std::size_t>::max() / n) return status_of(kNoMemory);
    total *= n;
  }
  if (total > limit) return status_of(kNoMemory);
  bytes = total;
  return kOk;
}

Status allocate_zeroed(void*& block, std::initializer_list<std::int64_t> extents,
                       std::size_t element_size) {
  if (block != nullptr) return status_of(kAlreadyAllocated);
  std::size_t bytes = 0;
  if (Status s = table_bytes(extents, element_size, bytes); s != kOk) return s;
  if (bytes == 0) return kOk;
  block = std::calloc(1, bytes);
  return block == nullptr ? status_of(kNoMemory) : kOk;
}

}  // namespace recio
