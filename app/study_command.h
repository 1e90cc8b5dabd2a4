// tavo study and tavo import: a table's verification without the dados.r33 run.
#pragma once

#include <memory>
#include <string>

#include "app/options.h"
#include "results/results.h"

namespace app {

// Reads the table, prints the summary on standard output (unless an extra writes there), writes
// the extras and checks them: the exit status (0, kUsageStatus after a bad table or a file not
// written, kCheckFailedStatus after a failed check). A bad table is one line on standard error
// and nothing is written. A signal that ends the process leaves no temporary file behind.
// With --show, a study that ends with 0 leaves its results in `shown` for show_results.
int run_study(const StudyOptions& options, const std::string& version,
              std::shared_ptr<const results::Results>* shown = nullptr);

// Writes the table (two schemes and exact values) as a dados.r33 case in a new folder: the exit
// status.
int run_import(const ImportOptions& options);

}  // namespace app
