// What the record I/O engine asks of the console library for units connected to the console
// (units 5 and 6, the special units, the names USER and CON): with a front end that shows text
// windows they read and write there; without one they stay on the standard streams.
//
// All of these act on the process's library, from the thread that runs the statement.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace console {

// True when the front end shows text windows, so console units use them.
bool console_units_use_windows();

// A new window for a unit connected to USER or CON, titled `title` or, when that is empty,
// "Unit " and the unit number; configured. Its id, or -1.
std::int32_t open_unit_window(int unit, std::string_view title);
// The calling thread's default console window, which units 5 and 6 and the special units share;
// opened on first use. Its id, or -1.
std::int32_t unit_console_window();

// One output record and its line end (a zero-length record shows as an empty line). False when
// the window is gone.
bool write_unit_record(std::int32_t window, std::string_view record);
// Bytes as they are: a record left open, or the line end it owed.
bool write_unit_text(std::int32_t window, std::string_view bytes);

// One input record: the window becomes the active one, the user types (or pastes) a line, and
// the cursor then moves to the next line. False when the window is closed.
bool read_unit_record(std::int32_t window, std::string& record);

// The unit of a window of its own was closed: the window stays, marked closed, for the user to
// read and close.
void unit_window_closed(std::int32_t window);

// The open-file dialog for a unit opened without a name whose prompt option is set, titled
// "Open: Select File for Unit " and the number. False (no name) without text windows or when
// the user cancels.
bool choose_unit_file(int unit, std::string& name);

}  // namespace console
