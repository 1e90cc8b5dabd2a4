// I/O statements: open, close, formatted write and list-directed read on a unit.
//
// A statement without its own error handling (flags without kHandlesErrors, the program's case)
// hands any failure to raise_error (run_time_error.h): an error-severity status (63) is shown and
// returned, a severe one ends the process. With kHandlesErrors the status is only returned. The
// typed front without flags does the same and returns nothing: there is nothing left to look at.
//
// Two interfaces reach the same engine. The call sequence mirrors a compiled statement: a start
// call with the first item, one transfer per further item, and the end-of-list item, which ends
// the statement. The typed front below it runs a whole statement in one call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "recio/format_writer.h"
#include "recio/items.h"
#include "recio/status.h"
#include "recio/units.h"

namespace recio {

// --- call sequence ------------------------------------------------------------------------------

// Starts a formatted sequential write on `unit` under the compiled `format` and transfers `first`
// (which may already be the end of the list).
Status start_formatted_write(int unit, unsigned flags, std::span<const std::uint32_t> format,
                             const Item& first, std::span<const FormatArg> args = {});
// Starts a list-directed read on `unit` and transfers `first`.
Status start_list_read(int unit, unsigned flags, const Item& first);
// Transfers the next item of this thread's running statement; the end-of-list item ends it.
Status transfer_item(const Item& item);

Status open_unit(int unit, unsigned flags, std::span<const KeywordEntry> keys,
                 std::span<const ArgWord> args);
Status close_unit(int unit, unsigned flags, std::span<const KeywordEntry> keys,
                  std::span<const ArgWord> args);

// --- typed front --------------------------------------------------------------------------------

void open(int unit, const OpenOptions& options);
void close(int unit, const CloseOptions& options = {});
void write_formatted(int unit, std::span<const std::uint32_t> format,
                     std::initializer_list<Item> items);
void read_list(int unit, std::initializer_list<Item> items);

// The same with the statement's control flags; the status comes back.
Status open(int unit, const OpenOptions& options, unsigned flags);
Status close(int unit, const CloseOptions& options, unsigned flags);
Status write_formatted(int unit, std::span<const std::uint32_t> format,
                       std::initializer_list<Item> items, unsigned flags);
Status read_list(int unit, std::initializer_list<Item> items, unsigned flags);

// The end of every statement: unless `flags` has kHandlesErrors, a failure is shown, and a severe
// one ends the process here. Returns `status`.
Status raise_unless_handled(Status status, const Unit* unit, unsigned flags);

// --- statements made ahead -----------------------------------------------------------------------

class MadeStatements;

// Formatted write statement `i` of `made` on `unit`: the unit takes the records made ahead as it
// takes the interpreter's, and the statement ends as write_formatted's does (its records reach
// the operating system; a failure is reported unless `flags` has kHandlesErrors). The same bytes
// and the same failures as write_formatted with the format and items the records were made of.
void write_made(int unit, const MadeStatements& made, std::size_t i);
Status write_made(int unit, const MadeStatements& made, std::size_t i, unsigned flags);

}  // namespace recio
