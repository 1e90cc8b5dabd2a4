#include "app/extras.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "analysis/run_numbers.h"
#include "analysis/run_sequence.h"
#include "app/outputs.h"
#include "console/core/console.h"
#include "console/core/program_end.h"
#include "recio/process_end.h"
#include "recio/startup.h"
#include "results/results.h"

#ifdef TAVO_HAVE_DESKTOP_WINDOWS
#include "app/desktop.h"
#include "console/core/cp1252.h"
#include "console/window/window_front_end.h"
#endif

namespace app {

void run_program(const RunOptions& options, const std::string& version) {
  recio::start_runtime();
  analysis::run_sequence({.editor = options.editor, .pipeline = options.pipeline});
  const OutputOptions& out = options.out;
  if (!out.wants_results()) return;
  auto r = std::make_shared<const results::Results>(
      results::compute(analysis::run_numbers(analysis::state()),
                       {.safety_factor = out.gci_fs, .target_gci = out.target_gci}, version));
  const bool written = write_outputs(out, *r, {r->numbers.source, "the run's report"});
  const int checked = verdict(out, *r);
  if (!written) end_with_status(kUsageStatus);
  if (checked != 0) end_with_status(checked);
#ifdef TAVO_HAVE_DESKTOP_WINDOWS
  // Scripts (--no-editor) get the files only, and a run that ends by itself.
  if (options.editor == analysis::EditorUse::Open)
    open_result_windows(r, out.language, !out.plots.empty());
#endif
}

bool has_result_windows() {
#ifdef TAVO_HAVE_DESKTOP_WINDOWS
  return true;
#else
  return false;
#endif
}

void show_results([[maybe_unused]] std::shared_ptr<const results::Results> r,
                  [[maybe_unused]] const StudyOptions& study) {
#ifdef TAVO_HAVE_DESKTOP_WINDOWS
  const std::string table = study.input.table == "-" ? "standard input" : study.input.table;
  console::set_window_text(console::window::kFrameHandle,
                           console::cp1252::from_utf8("Tavo - " + table));
  open_result_windows(std::move(r), study.out.language, !study.out.plots.empty());
#endif
}

void end_with_status(int status) {
  recio::run_exit_handler();
  console::process_console().finish_run();
  console::end_of_program(status);
  std::fflush(nullptr);
  std::_Exit(status);
}

}  // namespace app
