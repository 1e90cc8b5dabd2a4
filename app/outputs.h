// The extras of a run or a study, written and checked once its results are known: the files
// the command line asks for (JSON, CSV, charts, JUnit, the documents) and the verdict of
// --check-order and
// --check-gci.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "app/options.h"
#include "results/output_file.h"
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

// An extra's file written as a stream (results::OutputFile through a results::TextOut): open()
// and commit() show their failure, naming the file and the reason, and say whether all went
// well. An extra that is not asked for (an empty name) has no sink and commits at once.
class OutputStream {
 public:
  // `piece`: the bytes gathered before they go to the file (TextOut's; 0: every piece).
  bool open(const std::string& path, std::size_t piece = std::size_t{1} << 20);
  results::TextOut* sink() { return out_ ? &*out_ : nullptr; }
  // `failed`: why the content could not be made, if it could not (then nothing is committed).
  bool commit(const std::string& failed = {});

 private:
  results::OutputFile file_;
  std::optional<results::TextOut> out_;
  std::string path_;
};

// Writes every file `options` ask for, each as a stream that replaces an older file only when
// complete. A file that cannot be written is shown (show_failure) with the system's reason and
// the others are still written: false when one failed.
bool write_outputs(const OutputOptions& options, const results::Results& r, const KeptFile& kept);

// The checks `options` ask for: a line on standard error per failed check, and
// kCheckFailedStatus when one failed, else 0.
int verdict(const OutputOptions& options, const results::Results& r);

}  // namespace app
