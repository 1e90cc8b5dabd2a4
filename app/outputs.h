// The extras of a run or a study, written and checked once its results are known: the files
// the command line asks for (JSON, CSV, charts, JUnit, the documents) and the verdict of
// --check-order and
// --check-gci.
#pragma once

#include <string>

#include "app/options.h"
#include "results/results.h"

namespace app {

// A file no extra may replace: the run's report, a study's table.
struct KeptFile {
  std::string path;
  std::string role;  // "the run's report"
};

// One line on standard error prefixed "tavo: ", or a message box where the front end shows
// them. `text` is UTF-8, as file names are.
void show_failure(const std::string& text);

// Writes every file `options` ask for, each as a stream that replaces an older file only when
// complete. A file that cannot be written is shown (show_failure) with the system's reason and
// the others are still written: false when one failed.
bool write_outputs(const OutputOptions& options, const results::Results& r, const KeptFile& kept);

// The checks `options` ask for: a line on standard error per failed check, and
// kCheckFailedStatus when one failed, else 0.
int verdict(const OutputOptions& options, const results::Results& r);

}  // namespace app
