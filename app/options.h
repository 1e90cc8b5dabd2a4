// tavo's command line: tavo [OPTIONS] [FOLDER].
#pragma once

#include <optional>
#include <string>

#include "analysis/pipeline.h"
#include "analysis/run_sequence.h"
#include "results/measures.h"

namespace app {

struct Options {
  std::string folder;  // empty: the current folder
  analysis::EditorUse editor = analysis::EditorUse::Open;
  // Empty when not asked for; "-" is standard output. Paths are absolute, taken relative to the
  // folder tavo was started in (before FOLDER).
  std::string json;
  std::string csv;
  std::string plots;
  std::string plot_format = "svg";
  double gci_fs = results::kDefaultSafetyFactor;
  // Whether the analysis may go ahead on a worker thread: --pipeline, else TAVO_PIPELINE.
  analysis::Pipeline pipeline = analysis::Pipeline::Auto;

  bool wants_extras() const { return !json.empty() || !csv.empty() || !plots.empty(); }
};

// The exit status of a usage error.
inline constexpr int kUsageStatus = 2;

// Parses the arguments (argv[0] is the program). Returns the options to run with; or prints the
// help or the version text on standard output and returns nothing with `status` 0; or prints
// one line naming the error and the help on standard error and returns nothing with `status`
// kUsageStatus. `version` is the program's version text. The environment is read here, once:
// TAVO_PIPELINE stands for --pipeline when that is not given.
std::optional<Options> parse_command_line(int argc, const char* const* argv,
                                          const std::string& version, int& status);

}  // namespace app
