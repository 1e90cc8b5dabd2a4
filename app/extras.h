// The verification run with its extras, written and checked after the run has ended normally.
#pragma once

#include <memory>
#include <string>

#include "app/options.h"
#include "results/results.h"

namespace app {

// Ends the process after the run with `status`, as a normal end does (the run-time's
// termination, the run Finished, the end-of-program step) but with that status.
[[noreturn]] void end_with_status(int status);

// The program thread's code: the run-time's start-up, the run, then the extras `options` ask
// for, computed from the finished run's tables. A run that fails ends the process on its own
// and writes no extra. A file that cannot be written is shown as one line naming it and the
// system's reason (a message box on the desktop); the other extras are still written, and the
// process then ends with kUsageStatus after the run's normal end; a failed check (--check-order,
// --check-gci) ends it with kCheckFailedStatus. Once every file is written and every check passed,
// a run that opened the editor (not --no-editor) shows the results window, and with --plots the
// charts, in the desktop frame, which then stays until the user closes it (open_result_windows).
void run_program(const RunOptions& options, const std::string& version);

// Whether this tavo has its desktop windows (the results and chart windows).
bool has_result_windows();
// The program thread's code of tavo study --show: the frame captioned with the table's name,
// the results window (with --plots the charts) in it, which stays until the user closes it.
void show_results(std::shared_ptr<const results::Results> r, const StudyOptions& study);

}  // namespace app
