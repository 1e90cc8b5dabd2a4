#include "recio/catalog.h"

#include <algorithm>
#include <array>

namespace recio {
namespace {

using enum Severity;

constexpr CatalogEntry kCatalog[] = {
    {0, None, "operation completed successfully"},
    {9, Severe, "permission to access file denied, unit %d, file %s"},
    {10, Severe, "cannot overwrite existing file, unit %d, file %s"},
    {24, Severe, "end-of-file during read, unit %d, file %s"},
    {28, Severe, "CLOSE error, unit %d, file %s"},
    {29, Severe, "file not found, unit %d, file %s"},
    {30, Severe, "open failure, unit %d, file %s"},
    {31, Severe, "mixed file access modes, unit %d, file %s"},
    {32, Severe, "invalid logical unit number, unit %d, file %s"},
    {38, Severe, "error during write, unit %d, file %s"},
    {39, Severe, "error during read, unit %d, file %s"},
    {40, Severe, "recursive I/O operation, unit %d, file %s"},
    {41, Severe, "insufficient virtual memory"},
    {42, Severe, "no such device, unit %d, file %s"},
    {43, Severe, "file name specification error, unit %d, file %s"},
    {45, Severe, "keyword value error in OPEN statement, unit %d, file %s"},
    {46, Severe, "inconsistent OPEN/CLOSE parameters, unit %d, file %s"},
    {47, Severe, "write to READONLY file, unit %d, file %s"},
    {48, Severe, "invalid argument to LUMETRA Run-Time Library"},
    {59, Severe, "list-directed I/O syntax error, unit %d, file %s"},
    {60, Severe, "infinite format loop, unit %d, file %s"},
    {61, Severe, "format/variable-type mismatch, unit %d, file %s"},
    {62, Severe, "syntax error in format, unit %d, file %s"},
    {63, Error, "output conversion error, unit %d, file %s"},
    {64, Severe, "input conversion error, unit %d, file %s"},
    {65, Error, "floating invalid"},
    {66, Severe, "output statement overflows record, unit %d, file %s"},
    {68, Severe, "variable format expression value error, unit %d, file %s"},
    {72, Error, "floating overflow"},
    {73, Error, "floating divide by zero"},
    {74, Error, "floating underflow"},
    {140, Severe, "floating inexact"},
    {151, Severe, "allocatable array is already allocated"},
    {152, Severe, "unresolved contention for Lumetra RTL global resource"},
    {157, Severe, "Program Exception - access violation"},
    {158, Severe, "Program Exception - datatype misalignment"},
    {159, Severe, "Program Exception - breakpoint"},
    {160, Severe, "Program Exception - single step"},
    {161, Severe, "Program Exception - array bounds exceeded"},
    {162, Severe, "Program Exception - denormal operand"},
    {163, Severe, "Program Exception - floating stack check"},
    {164, Severe, "Program Exception - integer divide by zero"},
    {165, Severe, "Program Exception - integer overflow"},
    {166, Severe, "Program Exception - privileged instruction"},
    {167, Severe, "Program Exception - in-page error"},
    {168, Severe, "Program Exception - illegal instruction"},
    {169, Severe, "Program Exception - non-continuable exception"},
    {170, Severe, "Program Exception - stack overflow"},
    {171, Severe, "Program Exception - invalid disposition"},
    {172, Severe, "Program Exception - exception code = 0x%lx (%ld)"},
    {200, Error, "program aborting due to %s event"},
    {201, Severe, "Intel Pentium fdiv flaw detected, please update the processor"},
    {257, Severe, "formatted I/O to unit open for unformatted transfers, unit %d, file %s"},
    {297, Info, "%d floating invalid traps"},
    {298, Info, "%d floating overflow traps"},
    {299, Info, "%d floating divide-by-zero traps"},
    {300, Info, "%d floating underflow traps"},
    // Checks of the verification run's own input.
    {1001, Severe,
     "exact-results file has %d variables, more than the %d of dados.r33, unit %d, file %s"},
    {1002, Severe, "number of meshes %d is below 1, file %s"},
};

static_assert(std::ranges::is_sorted(kCatalog, {}, &CatalogEntry::number));

const CatalogEntry* find(std::uint16_t number) {
  auto it = std::ranges::lower_bound(kCatalog, number, {}, &CatalogEntry::number);
  return it != std::end(kCatalog) && it->number == number ? &*it : nullptr;
}

}  // namespace

std::span<const CatalogEntry> catalog() {
  return kCatalog;
}

Status status_of(std::uint16_t number) {
  const CatalogEntry* e = find(number);
  return make_status(e && e->severity != None ? e->severity : Severe, number);
}

std::string_view message_text(Status status) {
  const CatalogEntry* e = find(message_number(status));
  return e ? e->text : "Message not found";
}

std::string_view severity_prefix(Severity severity) {
  switch (severity) {
    case Info:
      return "lumrtl: info";
    case Warning:
      return "lumrtl: warning";
    case Error:
      return "lumrtl: error";
    case Severe:
      return "lumrtl: severe";
    case None:
      break;
  }
  return "lumrtl";
}

}  // namespace recio
