// The variable loop of the run: every selected variable's heading, analysis and tables, in
// increasing order. On a large run the analysis of the next variables goes ahead on one worker
// thread while the program thread writes the report; what the user sees is the same either way.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "analysis/state.h"

namespace analysis {

// Whether the analysis may go ahead on a worker thread.
enum class Pipeline : std::uint8_t {
  Auto,  // when it pays: iq = 1 (bisections), three meshes or more, and many selected variables
  On,    // whenever two or more variables are selected (for tests and comparisons)
  Off,   // never: the sequential loop
};

// "auto", "on" or "off", in any case: the mode it names, or none.
std::optional<Pipeline> pipeline_named(std::string_view name);

// Writes the heading and tables of every selected variable of `s` (the run's state) on the report
// unit, analysing each in between, as `mode` allows.
//
// Pipelined, the worker analyses at most a bounded window of variables ahead, does no I/O and
// touches no unit; the program thread writes each variable when its results are ready. A
// mathematical-function error found ahead is held and raised by the program thread right after
// that variable's heading, where the sequential loop raises it. The worker is registered with
// the console library like the program thread (a pause suspends it) and is always joined before
// this returns, also when an error unwinds through it; an end of the process elsewhere (severe
// error, control signal, closed frame) never waits for it.
void report_variables(State& s, Pipeline mode);

}  // namespace analysis
