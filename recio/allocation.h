// Table allocation for the program's arrays: sizes checked against overflow and the machine's
// memory, storage zero-filled.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "recio/status.h"

namespace recio {

// Bytes for a table of `element_size` elements over `extents` (negative extents count as 0),
// or error 41 when the product does not fit in memory's address range or exceeds the machine's
// physical memory (refused up front, whatever the kernel's overcommit policy).
Status table_bytes(std::initializer_list<std::int64_t> extents, std::size_t element_size,
                   std::size_t& bytes);
// A zero-filled block for a table: error 151 when `block` is already set, 41 when the size
// overflows or the heap refuses it. A size of 0 yields no storage and no error.
Status allocate_zeroed(void*& block, std::initializer_list<std::int64_t> extents,
                       std::size_t element_size);

}  // namespace recio
