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

// The status the process ends with when the user closes the windows after a failed run (0 after
// a normal run): a run that failed never reports success, however its windows are closed.
void set_failure_status(int status);
int failure_status();

// The program's entry and the run-time's start-up and termination, which the front ends run
// around it on the program thread.
using ProgramEntry = void (*)();
struct RuntimeHooks {
  void (*initialise)() = nullptr;
  void (*terminate)() = nullptr;
};

// The program thread's body: initialise the run-time, run the program, run the termination,
// mark the run Finished, then the end-of-program step with code 0.
void run_program(ProgramEntry program, const RuntimeHooks& hooks);

// The end-of-program step, on the program thread, with the program's exit code:
// Prompt asks the user whether to close (Yes closes the frame; No waits for good), NoPersist
// closes the frame at once, Persist leaves the windows open. Without a front end it returns.
void end_of_program(int code);

}  // namespace console
