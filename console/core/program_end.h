// Program end: the exit mode and what happens when the program's code ends.
#pragma once

#include <string>

namespace console {

enum class ExitMode { Prompt = 1, NoPersist = 2, Persist = 3 };

// Sets the exit mode: 0 for 1, 2 or 3; -1 (mode unchanged) for anything else.
int set_exit_mode(int mode);
ExitMode exit_mode();

// "Program Terminated with exit code " + code + "\nExit Window?"
std::string exit_prompt_text(int code);

// The end-of-program step, on the program thread, with the program's exit code:
// Prompt asks the user whether to close (Yes closes the frame; No waits for good), NoPersist
// closes the frame at once, Persist leaves the windows open. Without a front end it returns.
void end_of_program(int code);

}  // namespace console
