// tavo's command line, in three forms told apart by the first argument:
//   tavo [OPTIONS] [FOLDER]                        the verification run on dados.r33
//   tavo study [OPTIONS] TABLE                     a study of a table (a file, or - for stdin)
//   tavo import [OPTIONS] TABLE FOLDER             a table written as a dados.r33 case
// A folder named study or import is run as ./study or ./import.
#pragma once

#include <optional>
#include <string>
#include <variant>

#include "analysis/pipeline.h"
#include "analysis/run_sequence.h"
#include "documents/documents.h"
#include "results/measures.h"
#include "results/texts.h"
#include "results/verdict.h"
#include "study/mesh_study.h"

namespace app {

// The extras of a run or a study, written and checked after it: the options both forms share.
// File names are empty when not asked for; "-" is standard output. Paths are absolute, taken
// relative to the folder tavo was started in (before FOLDER).
struct OutputOptions {
  std::string json;
  std::string csv;
  std::string plots;
  std::string plot_format = "svg";
  std::string junit;
  std::string markdown;
  std::string latex;
  std::string html;
  std::string xlsx;
  int digits = documents::kDefaultDigits;  // significant digits in the documents
  // The arguments after the program's name (and after "study"), as a shell would take them
  // back: what the documents name as the options used.
  std::string command_line;
  double gci_fs = results::kDefaultSafetyFactor;
  std::optional<double> target_gci;
  results::CheckLimits checks;
  // The language of what a person reads (summary, documents, charts): --lang, else the locale.
  results::Language language = results::Language::English;

  bool wants_documents() const {
    return !markdown.empty() || !latex.empty() || !html.empty() || !xlsx.empty();
  }
  bool wants_results() const {
    return !json.empty() || !csv.empty() || !plots.empty() || !junit.empty() || checks.any() ||
           wants_documents();
  }
};

struct RunOptions {
  std::string folder;  // empty: the current folder
  analysis::EditorUse editor = analysis::EditorUse::Open;
  // Whether the analysis may go ahead on a worker thread: --pipeline, else TAVO_PIPELINE.
  analysis::Pipeline pipeline = analysis::Pipeline::Auto;
  OutputOptions out;
};

// How a table's mesh sizes and schemes are read: the options tavo study and tavo import share.
struct TableOptions {
  std::string table;  // as given (a study runs in the folder it was started in); "-": stdin
  study::FormalOrders formal_orders;
  int dimension = 0;  // 0: none given
  std::optional<double> volume;
};

struct StudyOptions {
  TableOptions input;
  OutputOptions out;
  bool show = false;  // the results window (and with --plots the charts) on the desktop
};

struct ImportOptions {
  TableOptions input;
  std::string folder;
};

using Command = std::variant<RunOptions, StudyOptions, ImportOptions>;

// The exit status of a usage error, and of a check that failed (--check-order, --check-gci).
inline constexpr int kUsageStatus = 2;
inline constexpr int kCheckFailedStatus = 3;

// Parses the arguments (argv[0] is the program). Returns the command to run; or prints the
// help or the version text on standard output and returns nothing with `status` 0; or prints
// one line naming the error and the help on standard error and returns nothing with `status`
// kUsageStatus. `version` is the program's version text. The environment is read here, once:
// TAVO_PIPELINE stands for --pipeline when that is not given.
std::optional<Command> parse_command_line(int argc, const char* const* argv,
                                          const std::string& version, int& status);

}  // namespace app
