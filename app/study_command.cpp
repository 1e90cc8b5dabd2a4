#include "app/study_command.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <memory>

#include "app/outputs.h"
#include "results/export.h"
#include "results/output_file.h"
#include "study/field_study.h"
#include "study/import_case.h"
#include "study/mesh_study.h"
#include "study/summary.h"
#include "study/table.h"

namespace app {
namespace {

// Control-C (or SIGTERM, SIGHUP, SIGQUIT) while a study writes its files: the temporary files
// go, then the signal ends the process as it would have.
extern "C" void remove_and_reraise(int signal) {
  results::remove_temporary_files();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void remove_temporary_files_on_signals() {
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) std::signal(s, remove_and_reraise);
}

void error_line(const std::string& text) {
  const std::string line = "tavo: " + text + "\n";
  [[maybe_unused]] ssize_t n = ::write(STDERR_FILENO, line.data(), line.size());
}

// The table's descriptor, closed with it (standard input stays open), and its reader.
struct Table {
  Table(int descriptor, const study::ReadOptions& options)
      : fd(descriptor), reader(descriptor, options) {}
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;
  ~Table() {
    if (fd > STDIN_FILENO) ::close(fd);
  }

  int fd;
  study::TableReader reader;
};

// The table `o` names (a file, or standard input for "-") with its header read: a reader, or
// none after the message.
std::unique_ptr<Table> open_table(const TableOptions& o) {
  const int fd = o.table == "-" ? STDIN_FILENO : ::open(o.table.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error_line("cannot read " + o.table + ": " + std::strerror(errno));
    return nullptr;
  }
  study::ReadOptions options;
  options.source_name = o.table;
  options.dimension = o.dimension;
  options.volume = o.volume;
  auto table = std::make_unique<Table>(fd, options);
  if (study::Error e = table->reader.read_header(); e.failed()) {
    error_line(e.message);
    return nullptr;
  }
  return table;
}

bool writes_to_standard_output(const OutputOptions& o) {
  for (const std::string* f : {&o.json, &o.csv, &o.junit, &o.markdown, &o.latex, &o.html, &o.xlsx})
    if (*f == "-") return true;
  return false;
}

int study_field(study::TableReader& reader, const StudyOptions& o, const std::string& version) {
  for (const auto& [given, name] :
       {std::pair{!o.out.plots.empty(), "--plots"}, std::pair{o.show, "--show"},
        std::pair{!o.out.junit.empty(), "--junit"},
        std::pair{!o.out.markdown.empty(), "--markdown"},
        std::pair{!o.out.latex.empty(), "--latex"}, std::pair{!o.out.html.empty(), "--html"},
        std::pair{!o.out.xlsx.empty(), "--xlsx"}}) {
    if (given) {
      error_line(std::string(name) +
                 " is not available for a field (points as rows); its "
                 "results are written with --csv");
      return kUsageStatus;
    }
  }
  OutputStream summary, csv, json;
  // The summary streams: each chunk's lines go out as the chunk is done.
  if (!summary.open(writes_to_standard_output(o.out) ? "" : "-", 0) || !csv.open(o.out.csv) ||
      !json.open(o.out.json))
    return kUsageStatus;
  study::FieldSettings settings{
      .formal_order = o.input.formal_orders.of(study::kSolutionScheme),
      .measures = {.safety_factor = o.out.gci_fs, .target_gci = o.out.target_gci},
      .checks = o.out.checks,
      .language = o.out.language,
      .source = o.input.table,
      .version = version};
  study::FieldSinks sinks{.summary = summary.sink(), .csv = csv.sink(), .json = json.sink()};
  // Failures go to standard error as they come, as the summary goes to standard output.
  results::OutputFile err_file;
  err_file.use_descriptor(STDERR_FILENO);
  results::TextOut err_out(&err_file, 0);
  if (o.out.checks.any()) sinks.failures = &err_out;
  const study::FieldOutcome outcome = study::study_field(reader, settings, sinks);
  static_cast<void>(err_out.finish());
  if (outcome.error.failed()) {
    error_line(outcome.error.message);
    return kUsageStatus;  // the files are not committed: nothing is left of them
  }
  bool ok = summary.commit();
  ok = csv.commit() && ok;
  ok = json.commit() && ok;
  if (!ok) return kUsageStatus;
  return outcome.failed > 0 ? kCheckFailedStatus : 0;
}

}  // namespace

int run_study(const StudyOptions& o, const std::string& version,
              std::shared_ptr<const results::Results>* shown) {
  remove_temporary_files_on_signals();
  const std::unique_ptr<Table> table = open_table(o.input);
  if (table == nullptr) return kUsageStatus;
  if (table->reader.layout() == study::Layout::PointsAsRows)
    return study_field(table->reader, o, version);

  study::MeshTable mesh_table;
  if (study::Error e = table->reader.read_meshes(mesh_table); e.failed()) {
    error_line(e.message);
    return kUsageStatus;
  }
  // The results read the study's arrays: both are kept together for as long as a window shows
  // them.
  struct Study {
    Study(const study::MeshTable& t, const study::FormalOrders& orders, const std::string& name)
        : arrays(t, orders, name) {}
    study::MeshStudy arrays;
    results::Results results;
  };
  const auto study_kept = std::make_shared<Study>(mesh_table, o.input.formal_orders, o.input.table);
  model::Numbers numbers = study_kept->arrays.numbers();
  using Role = model::InputFile::Role;
  numbers.inputs = {{.role = o.input.table == "-" ? Role::StandardInput : Role::Table,
                     .path = o.input.table,
                     .name = o.input.table}};
  study_kept->results = results::compute(
      std::move(numbers), {.safety_factor = o.out.gci_fs, .target_gci = o.out.target_gci}, version);
  const std::shared_ptr<const results::Results> kept_results(study_kept, &study_kept->results);
  const results::Results& r = *kept_results;
  if (!writes_to_standard_output(o.out)) {
    OutputStream summary;
    summary.open("-");
    study::write_summary(r, results::texts(o.out.language), *summary.sink());
    summary.commit();
  }
  std::error_code ec;
  const std::string kept =
      o.input.table == "-" ? "" : std::filesystem::absolute(o.input.table, ec).string();
  const bool written = write_outputs(o.out, r, {kept, "the study's table"});
  const int checked = verdict(o.out, r);
  if (!written) return kUsageStatus;
  if (checked == 0 && o.show && shown != nullptr) *shown = kept_results;
  return checked;
}

int run_import(const ImportOptions& o) {
  const std::unique_ptr<Table> table = open_table(o.input);
  if (table == nullptr) return kUsageStatus;
  study::MeshTable mesh_table;
  study::Error e;
  if (table->reader.layout() != study::Layout::MeshesAsRows)
    e.message = o.input.table + ": a case is made from a table of meshes as rows, not of points";
  if (!e.failed()) e = table->reader.read_meshes(mesh_table);
  if (!e.failed())
    e = study::write_case(mesh_table, o.input.formal_orders, o.folder, o.input.table);
  if (e.failed()) {
    error_line(e.message);
    return kUsageStatus;
  }
  return 0;
}

}  // namespace app
