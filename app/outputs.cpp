#include "app/outputs.h"

#include <unistd.h>

#include <filesystem>
#include <optional>
#include <system_error>
#include <type_traits>

#include "console/core/cp1252.h"
#include "console/core/frontend.h"
#include "console/core/program_end.h"
#include "documents/documents.h"
#include "results/export.h"
#include "results/output_file.h"

#ifdef TAVO_HAVE_PLOTS
#include "plots/application.h"
#include "plots/charts.h"
#include "plots/in_order.h"
#endif

namespace app {
namespace {

namespace fs = std::filesystem;

std::string reason(std::error_code ec) {
  return ec.message();
}

bool is_kept(const std::string& path, const KeptFile& kept) {
  std::error_code ec;
  return path != "-" && !kept.path.empty() && fs::equivalent(path, kept.path, ec);
}

// Writes `path` with what `write` puts into a TextOut, as a stream: true once committed.
// `write` may return a text saying why it could not make the content (empty when it could).
template <class Write>
bool write_one(const std::string& path, const KeptFile& kept, Write&& write) {
  if (is_kept(path, kept)) {
    show_failure("cannot write " + path + ": it is " + kept.role);
    return false;
  }
  OutputStream stream;
  if (!stream.open(path)) return false;
  results::TextOut& out = *stream.sink();
  if constexpr (std::is_same_v<decltype(write(out)), std::string>) {
    return stream.commit(write(out));
  } else {
    write(out);
    return stream.commit();
  }
}

// The documents' context: the options and the date.
documents::Context document_context(const OutputOptions& options) {
  return {.language = options.language,
          .digits = options.digits,
          .command_line = options.command_line,
          .date = documents::date_now(),
          .charts = {},
          .charts_available = false};
}

#ifdef TAVO_HAVE_PLOTS
// The page's charts as SVG in its language, drawn a variable at a time as the page is written.
auto svg_charts(results::Language language) {
  return [language](const results::VariableResult& var) {
    std::vector<std::string> svgs;
    for (const plots::Chart chart : plots::kCharts) {
      const QByteArray svg = plots::encode(var, chart, plots::Format::Svg, language);
      svgs.emplace_back(svg.constData(), static_cast<std::size_t>(svg.size()));
    }
    return svgs;
  };
}
#endif

bool write_plots(const OutputOptions& options, const results::Results& r, const KeptFile& kept) {
#ifdef TAVO_HAVE_PLOTS
  std::error_code ec;
  fs::create_directories(options.plots, ec);
  if (ec) {
    show_failure("cannot make the folder " + options.plots + ": " + reason(ec));
    return false;
  }
  const plots::Format format =
      plots::format_named(options.plot_format).value_or(plots::Format::Svg);
  plots::ChartThread fonts;  // a QApplication for the fonts when the process has none
  struct File {
    std::string name;
    QByteArray bytes;
  };
  constexpr std::size_t kPerVariable = std::size(plots::kCharts);
  // Drawn on every core, written here in order; one failure is enough, as the next files would
  // fail the same way.
  return plots::make_in_order<File>(
      r.size() * kPerVariable, plots::drawing_threads(),
      [&](std::size_t i) {
        const results::VariableResult var = r.variable(i / kPerVariable);
        const plots::Chart chart = plots::kCharts[i % kPerVariable];
        return File{plots::file_name(var.numbers, format, chart),
                    plots::encode(var, chart, format, options.language)};
      },
      [&](std::size_t, File file) {
        return write_one((fs::path(options.plots) / file.name).string(), kept,
                         [&](results::TextOut& out) {
                           out.text().assign(file.bytes.constData(),
                                             static_cast<std::size_t>(file.bytes.size()));
                         });
      });
#else
  (void)r;
  show_failure("cannot write the charts into " + options.plots +
               ": this tavo was built without the charts (Qt SVG)");
  return false;
#endif
}

}  // namespace

void show_failure(const std::string& text) {
  console::FrontEnd* fe = console::front_end();
  if (fe != nullptr && fe->shows_message_boxes()) {
    fe->message_box(console::cp1252::from_utf8(text), "Tavo", console::BoxKind::RuntimeError);
    return;
  }
  const std::string line = "tavo: " + text + "\n";
  [[maybe_unused]] ssize_t n = ::write(STDERR_FILENO, line.data(), line.size());
}

bool OutputStream::open(const std::string& path, std::size_t piece) {
  path_ = path;
  if (path.empty()) return true;
  if (std::error_code ec = file_.open(path)) {
    show_failure("cannot write " + path + ": " + reason(ec));
    return false;
  }
  out_.emplace(&file_, piece);
  return true;
}

bool OutputStream::commit(const std::string& failed) {
  if (!out_) return true;
  std::error_code ec = out_->finish();
  if (!ec && failed.empty()) ec = file_.commit();
  if (!ec && failed.empty()) return true;
  show_failure("cannot write " + (path_ == "-" ? std::string("standard output") : path_) + ": " +
               (failed.empty() ? reason(ec) : failed));
  return false;
}

bool write_outputs(const OutputOptions& options, const results::Results& r, const KeptFile& kept) {
  bool ok = true;
  auto write = [&](const std::string& path, auto&& writer) {
    if (!path.empty()) ok = write_one(path, kept, writer) && ok;
  };
  write(options.json, [&](results::TextOut& out) { results::write_json(r, out); });
  write(options.csv, [&](results::TextOut& out) { results::write_csv(r, out); });
  if (!options.plots.empty()) ok = write_plots(options, r, kept) && ok;
  if (options.wants_documents()) {
    documents::Context c = document_context(options);
#ifdef TAVO_HAVE_PLOTS
    c.charts_available = true;
    std::optional<plots::ChartThread> fonts;  // a QApplication for the fonts when none is there
    if (!options.html.empty()) {
      fonts.emplace();
      c.charts = svg_charts(options.language);
    }
#endif
    write(options.markdown, [&](results::TextOut& out) { documents::write_markdown(r, c, out); });
    write(options.latex, [&](results::TextOut& out) { documents::write_latex(r, c, out); });
    write(options.html, [&](results::TextOut& out) { documents::write_html(r, c, out); });
    write(options.xlsx, [&](results::TextOut& out) { return documents::write_xlsx(r, c, out); });
  }
  if (!options.junit.empty() || options.checks.any()) {
    const std::vector<results::Check> checks = results::check(r, options.checks);
    write(options.junit,
          [&](results::TextOut& out) { results::write_junit(checks, r.numbers.title, out); });
  }
  return ok;
}

int verdict(const OutputOptions& options, const results::Results& r) {
  if (!options.checks.any()) return 0;
  int status = 0;
  for (const results::Check& c : results::check(r, options.checks)) {
    if (c.passed()) continue;
    const std::string line = "tavo: " + results::failure_line(c) + "\n";
    [[maybe_unused]] ssize_t n = ::write(STDERR_FILENO, line.data(), line.size());
    status = kCheckFailedStatus;
  }
  return status;
}

}  // namespace app
