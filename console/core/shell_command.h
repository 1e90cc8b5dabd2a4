// Running a command line through the command interpreter.
#pragma once

#include <cstdint>
#include <string_view>

namespace console {

// Whether the interpreter ran; the values are the status the run keeps of its editor calls.
enum class ShellStart : std::int32_t {
  NotStarted = 0,  // no interpreter could be started
  Started = 1,     // it ran and has ended, whatever its exit code
};

// Runs `command` (a blank-padded field: trailing blanks are dropped, leading and inner ones kept)
// as `interpreter -c command` and waits until the interpreter has ended. The interpreter is
// $COMSPEC when that names a program that can be started, else sh found on PATH.
ShellStart run_shell_command(std::string_view command);

}  // namespace console
