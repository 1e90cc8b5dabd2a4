// Run-time errors: the one place where a status becomes a message line, shown in a message box
// or on standard error. A severe status then ends the process (process_end.h).
#pragma once

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
void raise_error(Status status, const Unit* unit);
// The same for a status whose text takes other arguments (see compose_line).
void raise_error(Status status, std::initializer_list<std::string_view> args);

// Shows a unit's status as raise_error() does, without ending the process whatever its severity.
void show_status(Status status, const Unit* unit);
// Shows a composed line as the run-time shows messages (message box or standard error).
void show_line(std::string_view line, std::string_view caption = "Lumetra run-time error ");
// Before a message: every console unit that still owes a line end (a record left open by `$`)
// gets one, so that the message starts on a fresh line.
void end_console_lines();

}  // namespace recio
