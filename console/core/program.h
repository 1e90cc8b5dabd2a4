// A program as the console's front ends run it: its body, and the run-time's termination after
// it.
#pragma once

#include <functional>

namespace console {

// The program's code: the run-time's start-up and the main program. A callable, so that it
// carries the program's own parameters (its options) to the thread that runs it.
using ProgramBody = std::function<void()>;
// The run-time's termination (pending records written, units closed). A front end may run it
// after the body and again once its windows have closed, from either thread, so it must be safe
// to call twice.
using TerminationHook = void (*)();

}  // namespace console
