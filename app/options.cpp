#include "app/options.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string_view>

#include "results/export.h"

namespace app {
namespace {

// A number as written, without the locale: finite, and > 0 unless `zero_allowed`.
std::optional<double> number(std::string_view text, bool zero_allowed = false) {
  double v = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || ptr != end || !std::isfinite(v)) return std::nullopt;
  if (!(v > 0) && !(zero_allowed && v == 0)) return std::nullopt;
  return v;
}

// `P`, or `NAME=P` pairs separated by commas (a bare P among them is the default).
std::optional<study::FormalOrders> formal_orders(std::string_view text) {
  study::FormalOrders orders;
  while (!text.empty()) {
    const std::size_t comma = std::min(text.find(','), text.size());
    const std::string_view item = text.substr(0, comma);
    text.remove_prefix(std::min(comma + 1, text.size()));
    const std::size_t eq = item.find('=');
    const std::string_view value = eq == std::string_view::npos ? item : item.substr(eq + 1);
    double p = 0;
    auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), p);
    if (item.empty() || ec != std::errc() || ptr != value.data() + value.size() ||
        !std::isfinite(p))
      return std::nullopt;
    if (eq == std::string_view::npos) {
      orders.all = p;
    } else if (eq == 0) {
      return std::nullopt;
    } else {
      orders.by_scheme.emplace_back(std::string(item.substr(0, eq)), p);
    }
  }
  return orders;
}

// A validator from a check that says whether the text is acceptable.
CLI::Validator valid_if(std::function<bool(const std::string&)> ok, std::string what) {
  return CLI::Validator([ok = std::move(ok), what = std::move(what)](
                            const std::string& s) { return ok(s) ? std::string() : what; },
                        "");
}

// The arguments as a POSIX shell takes them back: each quoted where it holds more than
// letters, digits and ._/=:,+@%-.
std::string shell_words(int argc, const char* const* argv) {
  std::string out;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (!out.empty()) out += ' ';
    const bool plain = !a.empty() && a.find_first_not_of(
                                         "abcdefghijklmnopqrstuvwxyz"
                                         "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                         "0123456789._/=:,+@%-") == std::string_view::npos;
    if (plain) {
      out += a;
      continue;
    }
    out += '\'';
    for (char c : a) {
      if (c == '\'') {
        out += "'\\''";
      } else {
        out += c;
      }
    }
    out += '\'';
  }
  return out;
}

std::string absolute(const std::string& path) {
  if (path.empty() || path == "-") return path;
  return std::filesystem::absolute(path).lexically_normal().string();
}

// The options of the extras, on the run's command line or on tavo study's, into `o`; `finish`
// gets what must be checked and converted once the line is parsed.
std::function<void()> add_output_options(CLI::App& cli, OutputOptions& o) {
  struct Texts {
    std::string gci_fs, target_gci, check_order, check_gci, lang;
  };
  auto texts = std::make_shared<Texts>();
  CLI::Option* json =
      cli.add_option("--json", o.json, "Write the results as JSON to FILE (- for standard output)")
          ->type_name("FILE");
  CLI::Option* csv =
      cli.add_option("--csv", o.csv, "Write the results as CSV to FILE (- for standard output)")
          ->type_name("FILE");
  CLI::Option* plots =
      cli.add_option("--plots", o.plots,
                     "Write each selected variable's value and convergence charts into DIR")
          ->type_name("DIR");
  CLI::Option* plot_format =
      cli.add_option("--plot-format", o.plot_format, "svg (the default), png or pdf")
          ->type_name("FORMAT")
          ->check(CLI::IsMember({"svg", "png", "pdf"}).description(""));
  const auto positive = valid_if([](const std::string& s) { return number(s).has_value(); },
                                 "must be a finite number greater than 0");
  const auto not_negative =
      valid_if([](const std::string& s) { return number(s, true).has_value(); },
               "must be a finite number, 0 or greater");
  cli.add_option("--gci-fs", texts->gci_fs,
                 "Safety factor of the grid convergence index (" +
                     results::shortest(results::kDefaultSafetyFactor) + ")")
      ->type_name("F")
      ->check(positive);
  cli.add_option("--target-gci", texts->target_gci,
                 "Give the refinement that would bring the finest GCI to F (a fraction)")
      ->type_name("F")
      ->check(positive);
  cli.add_option("--check-order", texts->check_order,
                 "Fail (status 3) where the finest triplet's order is more than TOL off the "
                 "formal order or the triplet is not monotonic")
      ->type_name("TOL")
      ->check(not_negative);
  cli.add_option("--check-gci", texts->check_gci, "Fail (status 3) where the finest GCI exceeds F")
      ->type_name("F")
      ->check(not_negative);
  CLI::Option* junit =
      cli.add_option("--junit", o.junit, "Write the checks as a JUnit XML file to FILE")
          ->type_name("FILE");
  CLI::Option* markdown =
      cli.add_option("--markdown", o.markdown, "Write a table per variable and scheme as Markdown")
          ->type_name("FILE");
  CLI::Option* latex =
      cli.add_option("--latex", o.latex, "Write the tables as a LaTeX article to FILE")
          ->type_name("FILE");
  CLI::Option* html = cli.add_option("--html", o.html,
                                     "Write a self-contained HTML report (tables, charts, inputs)")
                          ->type_name("FILE");
  CLI::Option* xlsx =
      cli.add_option("--xlsx", o.xlsx, "Write the results as a spreadsheet, a sheet per scheme")
          ->type_name("FILE");
  cli.add_option("--digits", o.digits,
                 "Significant digits of the numbers in the documents (" +
                     std::to_string(documents::kDefaultDigits) + ")")
      ->type_name("N")
      ->check(CLI::Range(1, documents::kMaxDigits).description(""));
  cli.add_option("--lang", texts->lang,
                 "en or pt: the language of the summary, documents and charts (the locale's)")
      ->type_name("LANG")
      ->check(CLI::IsMember({"en", "pt"}).description(""));
  return [&o, texts, json, csv, plots, plot_format, junit, markdown, latex, html, xlsx] {
    auto named = [](CLI::Option* opt, const std::string& value, const char* what) {
      if (opt->count() > 0 && value.empty())
        throw CLI::ValidationError(opt->get_name() + " needs " + what);
    };
    named(json, o.json, "a file name");
    named(csv, o.csv, "a file name");
    named(junit, o.junit, "a file name");
    named(plots, o.plots, "a folder name");
    named(markdown, o.markdown, "a file name");
    named(latex, o.latex, "a file name");
    named(html, o.html, "a file name");
    named(xlsx, o.xlsx, "a file name");
    if (plot_format->count() > 0 && plots->count() == 0)
      throw CLI::ValidationError("--plot-format needs --plots");
    if (plots->count() > 0 && o.plots == "-")
      throw CLI::ValidationError("--plots needs a folder, not standard output");
    const std::string* files[] = {&o.json,  &o.csv,  &o.junit, &o.markdown,
                                  &o.latex, &o.html, &o.xlsx};
    int to_stdout = 0;
    for (const std::string* f : files) to_stdout += *f == "-" ? 1 : 0;
    if (to_stdout > 1)
      throw CLI::ValidationError(
          "only one of --json, --csv, --junit, --markdown, --latex, --html and --xlsx can write "
          "to standard output");
    for (std::string* f :
         {&o.json, &o.csv, &o.junit, &o.markdown, &o.latex, &o.html, &o.xlsx, &o.plots})
      *f = absolute(*f);
    for (const std::string* a : files)
      for (const std::string* b : files)
        if (a < b && !a->empty() && *a == *b)
          throw CLI::ValidationError(
              "two of --json, --csv, --junit, --markdown, --latex, --html and --xlsx name the "
              "same file");
    if (!texts->gci_fs.empty()) o.gci_fs = *number(texts->gci_fs);
    if (!texts->target_gci.empty()) o.target_gci = number(texts->target_gci);
    if (!texts->check_order.empty()) o.checks.order_tolerance = number(texts->check_order, true);
    if (!texts->check_gci.empty()) o.checks.gci_limit = number(texts->check_gci, true);
    o.language =
        results::language_named(texts->lang).value_or(results::language_from_environment());
  };
}

// The options of how a table is read, into `o`.
std::function<void()> add_table_options(CLI::App& cli, TableOptions& o) {
  auto formal = std::make_shared<std::string>();
  auto volume = std::make_shared<std::string>();
  cli.add_option("TABLE", o.table, "The table: a file, or - for standard input")
      ->required()
      ->type_name("");
  cli.add_option("--formal-order", *formal,
                 "The schemes' formal order P (2), or per scheme: NAME=P,NAME=P")
      ->type_name("P")
      ->check(valid_if([](const std::string& s) { return formal_orders(s).has_value(); },
                       "must be a number or NAME=NUMBER pairs separated by commas"));
  cli.add_option("--dimension", o.dimension, "The space dimension that turns cells into h")
      ->type_name("D")
      ->check(CLI::IsMember({1, 2, 3}).description(""));
  cli.add_option("--volume", *volume, "The domain's volume for cells (1; only scales h)")
      ->type_name("V")
      ->check(valid_if([](const std::string& s) { return number(s).has_value(); },
                       "must be a finite number greater than 0"));
  return [&o, formal, volume] {
    if (!formal->empty()) o.formal_orders = *formal_orders(*formal);
    if (!volume->empty()) o.volume = number(*volume);
  };
}

// The run's own options.
std::function<void()> add_run_options(CLI::App& cli, RunOptions& o) {
  auto no_editor = std::make_shared<bool>(false);
  auto pipeline = std::make_shared<std::string>();
  cli.add_option("FOLDER", o.folder, "Run in FOLDER instead of the current folder")->type_name("");
  cli.add_flag("--no-editor", *no_editor, "Open the editor neither on dados.r33 nor on the report");
  cli.add_option("--pipeline", *pipeline,
                 "auto (the default), on or off: analyse ahead on a second thread")
      ->type_name("MODE")
      ->check(valid_if([](const std::string& s) { return analysis::pipeline_named(s).has_value(); },
                       "must be auto, on or off"));
  return [&o, no_editor, pipeline] {
    if (*no_editor) o.editor = analysis::EditorUse::Skip;
    // Unset or unknown in the environment: the default.
    std::string mode = *pipeline;
    const char* from_environment = std::getenv("TAVO_PIPELINE");
    if (mode.empty() && from_environment != nullptr) mode = from_environment;
    o.pipeline = analysis::pipeline_named(mode).value_or(analysis::Pipeline::Auto);
  };
}

constexpr char kForms[] =
    "The first argument tells the forms apart: study or import chooses that form, anything\n"
    "else is the run's (a folder named study or import is given as ./study or ./import).";

// Parses `argv` (from its first argument on) with `cli`, then runs `finish`: the help, the
// version or a usage error end it with `status` set.
bool parse(CLI::App& cli, int argc, const char* const* argv, const std::function<void()>& finish,
           int& status) {
  for (CLI::Option* opt : cli.get_options())
    opt->multi_option_policy(CLI::MultiOptionPolicy::Throw);
  cli.get_formatter()->column_width(24);
  try {
    cli.parse(argc, argv);
    finish();
  } catch (const CLI::CallForHelp&) {
    std::cout << cli.help();
    status = 0;
    return false;
  } catch (const CLI::CallForVersion& e) {
    std::cout << e.what() << "\n";
    status = 0;
    return false;
  } catch (const CLI::ParseError& e) {
    cli.description("");  // after the error line, the usage comes first
    std::cerr << "tavo: " << e.what() << "\n" << cli.help();
    status = kUsageStatus;
    return false;
  }
  status = 0;
  return true;
}

}  // namespace

std::optional<Command> parse_command_line(int argc, const char* const* argv,
                                          const std::string& version, int& status) {
  const std::string_view first = argc > 1 ? argv[1] : "";
  if (first == "study") {
    CLI::App cli(
        "tavo study verifies the solution of a table: meshes as rows (h or cells, values of\n"
        "each quantity, optional scheme column and exact row) or points as rows (columns\n"
        "h=VALUE or cells=N). A summary goes to standard output.",
        "tavo study");
    cli.footer(kForms);
    StudyOptions o;
    auto table = add_table_options(cli, o.input);
    auto out = add_output_options(cli, o.out);
    cli.add_flag("--show", o.show,
                 "Show the results (with --plots also the charts) in a desktop window, which "
                 "stays until it is closed");
    o.out.command_line = shell_words(argc, argv);
    if (!parse(
            cli, argc - 1, argv + 1, [&] { table(), out(); }, status))
      return std::nullopt;
    return o;
  }
  if (first == "import") {
    CLI::App cli(
        "tavo import writes a table with two schemes and exact values as a dados.r33 case\n"
        "in FOLDER (code page 1252), for the run and its report.",
        "tavo import");
    cli.footer(kForms);
    ImportOptions o;
    auto table = add_table_options(cli, o.input);
    cli.add_option("FOLDER", o.folder, "The folder of the new case")->required()->type_name("");
    if (!parse(
            cli, argc - 1, argv + 1, [&] { table(); }, status))
      return std::nullopt;
    return o;
  }
  CLI::App cli(
      "Tavo verifies numerical solutions: it reads dados.r33 and the files it names,\n"
      "and writes the report named there.",
      "tavo");
  cli.footer(
      std::string("The extras (--json, --csv, --plots, --junit and the documents) are written only "
                  "after a run\nthat ends normally.\n"
                  "Qt's own options (-platform, -style, ...) are not accepted; Qt reads its "
                  "settings from\n"
                  "the environment (QT_QPA_PLATFORM, DISPLAY, ...). TAVO_CONSOLE=window or "
                  "terminal chooses\n"
                  "the front end; TAVO_PIPELINE=auto, on or off stands for --pipeline.\n") +
      kForms);
  cli.set_version_flag("--version", "tavo " + version, "Print the version and exit");
  RunOptions o;
  auto run = add_run_options(cli, o);
  auto out = add_output_options(cli, o.out);
  o.out.command_line = shell_words(argc, argv);
  if (!parse(
          cli, argc, argv, [&] { run(), out(); }, status))
    return std::nullopt;
  return o;
}

}  // namespace app
