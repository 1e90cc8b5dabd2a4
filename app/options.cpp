#include "app/options.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "results/export.h"

namespace app {
namespace {

// The safety factor as written, without the locale: a finite number > 0.
std::optional<double> safety_factor(const std::string& text) {
  double v = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || ptr != end || !std::isfinite(v) || !(v > 0)) return std::nullopt;
  return v;
}

std::string absolute(const std::string& path) {
  if (path.empty() || path == "-") return path;
  return std::filesystem::absolute(path).lexically_normal().string();
}

}  // namespace

std::optional<Options> parse_command_line(int argc, const char* const* argv,
                                          const std::string& version, int& status) {
  CLI::App cli(
      "Tavo verifies numerical solutions: it reads dados.r33 and the files it names,\n"
      "and writes the report named there.",
      "tavo");
  cli.footer(
      "The extras (--json, --csv, --plots) are written only after a run that ends normally.\n"
      "Qt's own options (-platform, -style, ...) are not accepted; Qt reads its settings from\n"
      "the environment (QT_QPA_PLATFORM, DISPLAY, ...). TAVO_CONSOLE=window or terminal chooses\n"
      "the front end; TAVO_PIPELINE=auto, on or off stands for --pipeline.");
  cli.set_version_flag("--version", "tavo " + version, "Print the version and exit");

  Options o;
  std::string fs_text;
  bool no_editor = false;
  cli.add_option("FOLDER", o.folder, "Run in FOLDER instead of the current folder")->type_name("");
  cli.add_flag("--no-editor", no_editor, "Open the editor neither on dados.r33 nor on the report");
  CLI::Option* json = cli.add_option("--json", o.json,
                                     "Write the results as JSON to FILE (- for "
                                     "standard output)")
                          ->type_name("FILE");
  CLI::Option* csv =
      cli.add_option("--csv", o.csv, "Write the results as CSV to FILE (- for standard output)")
          ->type_name("FILE");
  CLI::Option* plots =
      cli.add_option("--plots", o.plots, "Write a convergence chart per selected variable into DIR")
          ->type_name("DIR");
  CLI::Option* plot_format =
      cli.add_option("--plot-format", o.plot_format, "svg (the default), png or pdf")
          ->type_name("FORMAT")
          ->check(CLI::IsMember({"svg", "png", "pdf"}).description(""));
  cli.add_option("--gci-fs", fs_text,
                 "Safety factor of the grid convergence index (" +
                     results::shortest(results::kDefaultSafetyFactor) + ")")
      ->type_name("F")
      ->check(CLI::Validator(
          [](const std::string& s) {
            return safety_factor(s) ? std::string() : "must be a finite number greater than 0";
          },
          ""));
  std::string pipeline;
  cli.add_option("--pipeline", pipeline,
                 "auto (the default), on or off: analyse ahead on a second thread")
      ->type_name("MODE")
      ->check(CLI::Validator(
          [](const std::string& s) {
            return analysis::pipeline_named(s) ? std::string() : "must be auto, on or off";
          },
          ""));
  for (CLI::Option* opt : cli.get_options())
    opt->multi_option_policy(CLI::MultiOptionPolicy::Throw);
  cli.get_formatter()->column_width(24);

  try {
    cli.parse(argc, argv);
    if (o.json == "-" && o.csv == "-")
      throw CLI::ValidationError("--json and --csv cannot both write to standard output");
    if (json->count() > 0 && o.json.empty()) throw CLI::ValidationError("--json needs a file name");
    if (csv->count() > 0 && o.csv.empty()) throw CLI::ValidationError("--csv needs a file name");
    if (plots->count() > 0 && o.plots.empty())
      throw CLI::ValidationError("--plots needs a folder name");
    if (plot_format->count() > 0 && plots->count() == 0)
      throw CLI::ValidationError("--plot-format needs --plots");
    if (plots->count() > 0 && o.plots == "-")
      throw CLI::ValidationError("--plots needs a folder, not standard output");
    o.json = absolute(o.json);
    o.csv = absolute(o.csv);
    o.plots = absolute(o.plots);
    if (!o.json.empty() && o.json == o.csv)
      throw CLI::ValidationError("--json and --csv name the same file");
  } catch (const CLI::CallForHelp&) {
    std::cout << cli.help();
    status = 0;
    return std::nullopt;
  } catch (const CLI::CallForVersion& e) {
    std::cout << e.what() << "\n";
    status = 0;
    return std::nullopt;
  } catch (const CLI::ParseError& e) {
    cli.description("");  // after the error line, the usage comes first
    std::cerr << "tavo: " << e.what() << "\n" << cli.help();
    status = kUsageStatus;
    return std::nullopt;
  }
  if (no_editor) o.editor = analysis::EditorUse::Skip;
  if (!fs_text.empty()) o.gci_fs = *safety_factor(fs_text);
  // Unset or unknown in the environment: the default.
  const char* from_environment = std::getenv("TAVO_PIPELINE");
  if (pipeline.empty() && from_environment != nullptr) pipeline = from_environment;
  o.pipeline = analysis::pipeline_named(pipeline).value_or(analysis::Pipeline::Auto);
  status = 0;
  return o;
}

}  // namespace app
