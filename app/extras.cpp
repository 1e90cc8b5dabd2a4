#include "app/extras.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "analysis/run_sequence.h"
#include "console/core/console.h"
#include "console/core/cp1252.h"
#include "console/core/frontend.h"
#include "console/core/program_end.h"
#include "recio/process_end.h"
#include "recio/startup.h"
#include "results/export.h"
#include "results/from_analysis.h"
#include "results/output_file.h"
#include "results/results.h"

#ifdef TAVO_HAVE_CHART_WINDOWS
#include "app/chart_windows.h"
#endif
#ifdef TAVO_HAVE_PLOTS
#include "plots/application.h"
#include "plots/charts.h"
#endif

namespace app {
namespace {

namespace fs = std::filesystem;

// One line on standard error, or a message box where the front end shows them. `text` is
// UTF-8, as file names are.
void show_failure(const std::string& text) {
  console::FrontEnd* fe = console::front_end();
  if (fe != nullptr && fe->shows_message_boxes()) {
    fe->message_box(console::cp1252::from_utf8(text), "Tavo", console::BoxKind::RuntimeError);
    return;
  }
  const std::string line = "tavo: " + text + "\n";
  [[maybe_unused]] ssize_t n = ::write(STDERR_FILENO, line.data(), line.size());
}

std::string reason(std::error_code ec) {
  return ec.message();
}

// The report is the run's result and is never replaced by an extra.
bool is_the_report(const std::string& path, const std::string& report_name) {
  std::error_code ec;
  return path != "-" && fs::equivalent(path, report_name, ec);
}

bool write_one(const std::string& path, std::string_view bytes, const std::string& report_name) {
  if (is_the_report(path, report_name)) {
    show_failure("cannot write " + path + ": it is the run's report");
    return false;
  }
  std::error_code ec = results::write_output(path, bytes);
  if (ec) {
    show_failure("cannot write " + (path == "-" ? std::string("standard output") : path) + ": " +
                 reason(ec));
    return false;
  }
  return true;
}

bool write_plots(const Options& options, const results::Results& r) {
#ifdef TAVO_HAVE_PLOTS
  std::error_code ec;
  fs::create_directories(options.plots, ec);
  if (ec) {
    show_failure("cannot make the folder " + options.plots + ": " + reason(ec));
    return false;
  }
  const plots::Format format =
      plots::format_named(options.plot_format).value_or(plots::Format::Svg);
  plots::ChartThread charts;
  for (const results::VariableResult& var : r.variables) {
    QByteArray bytes;
    std::string name;
    // The frame closed meanwhile: the process is ending with it.
    if (!charts.run([&] {
          bytes = plots::encode(var, format);
          name = plots::file_name(var, format);
        }))
      console::park_thread_forever();
    const std::string path = (fs::path(options.plots) / name).string();
    // One failure is enough: the next files would fail the same way.
    if (!write_one(path,
                   std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                   r.report_name))
      return false;
  }
  return true;
#else
  (void)r;
  show_failure("cannot write the charts into " + options.plots +
               ": this tavo was built without Qt Charts");
  return false;
#endif
}

// Writes the files `options` ask for; false once one could not be written.
bool write_files(const Options& options, const results::Results& r) {
  bool ok = true;
  if (!options.json.empty()) ok = write_one(options.json, results::to_json(r), r.report_name) && ok;
  if (!options.csv.empty()) ok = write_one(options.csv, results::to_csv(r), r.report_name) && ok;
  if (!options.plots.empty()) ok = write_plots(options, r) && ok;
  return ok;
}

}  // namespace

void run_program(const Options& options, const std::string& version) {
  recio::start_runtime();
  analysis::run_sequence(options.editor);
  if (!options.wants_extras()) return;
  const results::Results r =
      results::compute(results::from_analysis_state(), options.gci_fs, version);
  if (!write_files(options, r)) end_with_status(kUsageStatus);
#ifdef TAVO_HAVE_CHART_WINDOWS
  // Scripts (--no-editor) get the files only, and a run that ends by itself.
  if (!options.plots.empty() && options.editor == analysis::EditorUse::Open) open_chart_windows(r);
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
