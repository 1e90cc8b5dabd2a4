// Program end: the exit mode, what happens when the program's code ends, and who decides the
// process's exit status.
#pragma once

#include <string>

namespace console {

enum class ExitMode { Prompt = 1, NoPersist = 2, Persist = 3 };

// Sets the exit mode: 0 for 1, 2 or 3; -1 (mode unchanged) for anything else.
int set_exit_mode(int mode);
ExitMode exit_mode();

// "Program Terminated with exit code " + code + "\nExit Window?"
std::string exit_prompt_text(int code);

// The end-of-program step, with the program's exit code: on the program thread after its main
// program returns (code 0), or from the run-time's stop and severe-error paths, which end the
// process with their own status once this returns.
//
// Prompt asks the user whether to close (Yes closes the frame; No waits until the user closes
// it), NoPersist closes the frame at once, Persist leaves the windows open. Then it returns.
// Without a front end it returns at once.
//
// The process ends either because the user closed the windows (status 0) or because the
// program ended (the status its caller exits with). Whichever happens first decides: once the
// windows have been closed, end_of_program never returns (the front end is ending the process
// with 0); once it has been entered, closing the windows waits for its caller to end the
// process (see claim_process_end).
void end_of_program(int code);

// Who ends the process. The first claim wins and later claims see the winner.
enum class ProcessEnder { None, Program, Windows };
// Claims the end for `who`; returns the winner (`who` when this claim won).
ProcessEnder claim_process_end(ProcessEnder who);
ProcessEnder process_ender();

// Blocks the calling thread for good (the process is being ended by another thread).
[[noreturn]] void park_thread_forever();

}  // namespace console
