// File names as units use them: cleaned of padding, the devices some names denote, the name an
// implicit open takes, and the full path that messages show.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace recio {

// Strips leading and trailing blanks (and the zero bytes of a text never given a value) and
// cuts the name to 256 characters.
std::string clean_file_name(std::string_view name);

// The device a file name denotes, if any. Case-insensitive; a name with an extension is an
// ordinary file for ERR, LINE, LPT1-LPT4, USER, CONOUT$ and CONIN$.
enum class DeviceName : std::uint8_t { None, Con, ConOut, ConIn, Err, User, Printer, Serial, Nul };
DeviceName device_name(std::string_view file);

// The file name an implicit open uses for a unit: the environment variable FORTn (FOR_READ,
// FOR_ACCEPT, FOR_TYPE, FOR_PRINT for the special units), else CONIN$ for input units,
// CONOUT$ for output units, ERR for unit 0 and fort.n for the others.
std::string default_file_name(int number);
// Whether the environment names a unit's file (the variable of default_file_name is set).
bool file_named_by_environment(int number);

// The absolute, lexically normal path of a file name, as messages show it.
std::string full_path_of(std::string_view name);

// Upper case (ASCII) without trailing blanks: how keyword values and device names compare.
std::string upper_trimmed(std::string_view text);

}  // namespace recio
