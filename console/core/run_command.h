// Running a command line through the command interpreter.
#pragma once

#include <cstdint>
#include <string_view>

namespace console {

// Runs `command` (a blank-padded field: trailing blanks are dropped, leading and inner ones kept)
// as `interpreter -c command` and waits until the interpreter has ended. The interpreter is
// $COMSPEC when that names a program that can be started, else sh found on PATH. Returns 1 when
// the interpreter was started (whatever its exit code), 0 when it could not be.
std::int32_t RunCommand(std::string_view command);

}  // namespace console
