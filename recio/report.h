// Run-time error reporting: the one place where a status becomes a message, and the orderly
// end of the process after a severe error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "recio/status.h"

namespace recio {

class Unit;

// "%s (%i): %s": the severity prefix, the number and the catalog text with the unit number and
// the unit's full path filled in (placeholders left empty without a unit).
std::string compose_line(Status status, const Unit* unit);
// The same with explicit arguments for the text's placeholders (%d, %i, %ld, %lx and %s, in
// order); used for errors without a unit.
std::string compose_line(Status status, std::initializer_list<std::string_view> args);
// "lumrtl: " followed by the operating system's text for `os_error`.
std::string compose_os_line(int os_error);

// Shows a status for a unit (or none): a line end on console units that owe one, the OS text
// first when the unit recorded an OS error, then the numbered line. Info and error severities
// return; a severe status ends the process (see terminate_severe) and never returns.
void report(Status status, const Unit* unit);
// The same for a status whose text takes other arguments (see compose_line).
void report(Status status, std::initializer_list<std::string_view> args);
// Shows a composed line as the run-time shows messages (message box or standard error).
void show_line(std::string_view line, std::string_view caption = "Lumetra run-time error ");

// The severe end: exit handler, optional diagnostic dump, the console's end-of-program step
// with code 1, then exit with the status as the process status (its low byte reaches the shell).
[[noreturn]] void terminate_severe(Status status);

// Writes pending records and closes every unit. Runs at most once per process; a severe error
// raised while closing is reported and ends the process at once with its status.
void run_exit_handler();

// Start-up of the run-time: the console-control handler (SIGINT, SIGQUIT, SIGHUP), the
// processor-exception handlers, every floating-point exception masked, and the division check.
void start_runtime();

// Truth rule for environment variables: set and beginning with T, t, Y or y, or a non-zero
// number.
bool env_true(const char* name);

// Mathematical functions with the run-time's domain checks: outside the domain they show the
// M6201-M6206 message ("run-time error " caption) and end the run like a severe error.
double rt_log(double x);
double rt_pow(double x, double y);

enum class MathError : std::uint8_t { Domain = 1, Sing, Overflow, Underflow, TLoss, PLoss };
// The message text for a mathematical-function error, e.g. "M6201: MATH - log: DOMAIN error".
std::string compose_math_line(std::string_view function, MathError kind);
[[noreturn]] void math_error(std::string_view function, MathError kind);

// Bytes for a table of `element_size` elements over `extents` (negative extents count as 0),
// or error 41 when the product does not fit in memory's address range.
Status table_bytes(std::initializer_list<std::int64_t> extents, std::size_t element_size,
                   std::size_t& bytes);
// A zero-filled block for a table: error 151 when `block` is already set, 41 when the size
// overflows or the heap refuses it. A size of 0 yields no storage and no error.
Status allocate_zeroed(void*& block, std::initializer_list<std::int64_t> extents,
                       std::size_t element_size);

}  // namespace recio
