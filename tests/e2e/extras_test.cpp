// The extras on whole runs: the command line, JSON and CSV against the report's own numbers,
// chart files, and the failures (usage errors, unwritable outputs, failed runs).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <span>

#include "e2e/tavo_run.h"
#include "recio/edit.h"

namespace tavo::testing {
namespace {

using Json = nlohmann::json;

struct Folder {
  const char* folder;
  const char* report;
};

const Folder kFolders[] = {
    {"tests/data/golden/worked", "relatorio.txt"},
    {"tests/data/golden/normal-31337", "relatorio.txt"},
    {"tests/data/golden/edge-16180", "res.out"},
    {"tests/data/golden/edge-27182", "relatorio.txt"},
    {"tests/data/golden/edge-60002", "relatorio.txt"},
    {"tests/data/golden/edge-60028", "saida.txt"},
    {"tests/data/golden/edge-60076", "relatorio.txt"},
    {"examples/constant-ratio", "relatorio.txt"},
    {"examples/variable-ratio", "relatorio.txt"},
};

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

// A report field: columns [first, last] (1-based) of a line, blank where the line is shorter.
std::string field(const std::string& line, std::size_t first, std::size_t last) {
  if (line.size() < first) return std::string(last - first + 1, ' ');
  std::string f = line.substr(first - 1, last - first + 1);
  return f + std::string(last - first + 1 - f.size(), ' ');
}

// A number as the report prints it under 1P,Ew.d.
std::string edited(double v, std::size_t w, int d) {
  std::string out(w, ' ');
  recio::edit_e(std::span<char>(out.data(), w), v, {.d = d, .k = 1});
  return out;
}

// A JSON number against a report field: the same text under the report's edit; null where the
// report shows an infinity or a NaN.
void expect_printed(const Json& value, const std::string& printed, int d, const std::string& what) {
  const std::size_t w = printed.size();
  if (value.is_null()) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(printed == edited(inf, w, d) || printed == edited(-inf, w, d) ||
                printed == edited(std::nan(""), w, d))
        << what << ": null, printed " << printed;
  } else {
    EXPECT_EQ(edited(value.get<double>(), w, d), printed) << what;
  }
}

constexpr std::string_view kHashLine = "##############################################";

// Every number of the report against the JSON: the mesh table, and per variable its heading,
// its interval table and its two scheme tables.
void expect_json_matches_report(const Json& j, const std::string& report, double fs) {
  const std::vector<std::string> lines = lines_of(report);
  std::size_t at = 0;
  while (at < lines.size() && lines[at].find("num. baixa") == std::string::npos) ++at;
  const Json& meshes = j["meshes"];
  const std::size_t n = meshes.size();
  ASSERT_GE(n, 1u);
  for (std::size_t m = 0; m < n; ++m) {
    const std::string& line = lines.at(at + 1 + m);
    expect_printed(meshes[m]["h"], field(line, 1, 22), 15, "mesh h");
    if (m == 0) {
      EXPECT_TRUE(meshes[m]["ratio"].is_null());
    } else {
      expect_printed(meshes[m]["ratio"], field(line, 23, 38), 9, "ratio");
    }
  }
  for (const Json& v : j["variables"]) {
    while (at < lines.size() && lines[at] != kHashLine) ++at;
    ASSERT_LT(at, lines.size()) << "no section for variable " << v["index"];
    expect_printed(v["exact"], field(lines[at + 5], 6, 35), 19, "exact");
    expect_printed(v["schemes"]["low"]["formal_order"], field(lines[at + 6], 6, 35), 19, "pL");
    expect_printed(v["schemes"]["high"]["formal_order"], field(lines[at + 7], 6, 35), 19, "pL");
    at += 9;  // the interval table's heading
    ASSERT_EQ(v["intervals"].size(), n >= 3 ? n - 2 : 0);
    for (const Json& r : v["intervals"]) {
      const std::string& line = lines.at(++at);
      expect_printed(r["h"], field(line, 1, 11), 2, "interval h");
      const bool applies = r["applies"].get<bool>();
      EXPECT_EQ(field(line, 65, 67), applies ? "SIM" : "N\xE3o");
      if (applies) {
        expect_printed(r["tq"], field(line, 12, 34), 14, "tq");
        expect_printed(r["uq"], field(line, 35, 57), 14, "uq");
        EXPECT_EQ(field(line, 79, 81), r["exact_inside"].get<bool>() ? "sim" : "N\xC3O");
      } else {
        EXPECT_TRUE(r["tq"].is_null() && r["uq"].is_null() && r["exact_inside"].is_null());
        EXPECT_EQ(field(line, 12, 34), edited(0, 23, 14));
        EXPECT_EQ(field(line, 79, 81), "---");
      }
    }
    for (const char* scheme : {"low", "high"}) {
      at += 4;  // past the blank line, the title and the heading
      const Json& s = v["schemes"][scheme];
      ASSERT_EQ(s["meshes"].size(), n);
      for (std::size_t m = 0; m < n; ++m) {
        const std::string& line = lines.at(at + m);
        const Json& e = s["meshes"][m];
        expect_printed(e["h"], field(line, 1, 11), 2, "h");
        expect_printed(e["value"], field(line, 12, 35), 15, "Th");
        if (m >= 1) expect_printed(e["ti_12"], field(line, 36, 59), 15, "Ti_12");
        if (m >= 2) expect_printed(e["ti_a"], field(line, 60, 83), 15, "Ti_a");
        EXPECT_EQ(line.size(), m == 0 ? 35u : m == 1 ? 59u : 83u);
        // The GCI from the other fields, with the safety factor given. An infinite pa (two
        // equal solutions after a change) leaves no change to scale: 0.
        if (m >= 2 && !e["gci"].is_null() && e["apparent_order"].is_null()) {
          EXPECT_EQ(e["gci"].get<double>(), 0);
        } else if (m >= 2 && !e["gci"].is_null()) {
          const double pa = e["apparent_order"].get<double>();
          const double t = e["value"].get<double>();
          const double t1 = s["meshes"][m - 1]["value"].get<double>();
          const double q = meshes[m]["ratio"].get<double>();
          EXPECT_NEAR(e["gci"].get<double>(), fs * std::fabs((t - t1) / t) / (std::pow(q, pa) - 1),
                      1e-12 * e["gci"].get<double>());
        }
        if (m < 2) {
          EXPECT_TRUE(e["convergence"].is_null() && e["gci"].is_null());
        }
      }
      at += n - 1;
    }
  }
}

std::size_t csv_rows(const std::string& csv) {
  std::size_t rows = 0;
  for (std::size_t at = csv.find("\r\n"); at != std::string::npos; at = csv.find("\r\n", at + 2))
    ++rows;
  return rows;
}

class ExtrasTest : public ::testing::TestWithParam<Folder> {};

TEST_P(ExtrasTest, ReportUnchangedAndExtrasMatchIt) {
  const Folder& f = GetParam();
  TempDir tmp;
  const fs::path plain = tmp.path() / "plain", extras = tmp.path() / "extras";
  copy_case(source_dir() / f.folder, plain);
  copy_case(source_dir() / f.folder, extras);

  RunResult a = run_tavo(plain);
  ASSERT_EQ(a.exit_code, 0) << a.err;
  RunResult b = run_tavo(extras, {}, "",
                         {"--no-editor", "--json", "r.json", "--csv", "r.csv", "--plots",
                          "out/charts", "--gci-fs", "1.5", "--lang", "pt"});
  ASSERT_EQ(b.exit_code, 0) << b.err;
  EXPECT_EQ(b.err, "");
  EXPECT_EQ(b.notepad_log, "");
  const std::string report = read_file(extras / f.report);
  EXPECT_EQ(without_date_line(report), without_date_line(read_file(plain / f.report)));

  Json j = Json::parse(read_file(extras / "r.json"));
  EXPECT_EQ(j["program"], "Tavo");
  EXPECT_EQ(j["report"], f.report);
  expect_json_matches_report(j, report, 1.5);

  const std::size_t vars = j["variables"].size(), meshes = j["meshes"].size();
  EXPECT_EQ(csv_rows(read_file(extras / "r.csv")), 1 + vars * 2 * meshes);

#ifdef TAVO_HAVE_PLOTS
  std::vector<std::string> charts;
  for (const auto& e : fs::directory_iterator(extras / "out/charts"))
    charts.push_back(e.path().filename().string());
  std::sort(charts.begin(), charts.end());
  ASSERT_EQ(charts.size(), 2 * vars);  // the value chart and the convergence chart
  for (const Json& v : j["variables"]) {
    const std::string index = std::to_string(v["index"].get<int>());
    std::vector<std::string> mine;
    for (const std::string& name : charts)
      if (name.rfind(index + "-", 0) == 0 || name == index + ".svg") mine.push_back(name);
    ASSERT_EQ(mine.size(), 2u) << index;
    EXPECT_NE(mine[0].ends_with("-values.svg"), mine[1].ends_with("-values.svg"));
    for (const std::string& name : mine) {
      const std::string svg = read_file(extras / "out/charts" / name);
      EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
      EXPECT_NE(svg.find("</svg>"), std::string::npos);
      // The report stays Portuguese whatever the language; the charts follow --lang.
      EXPECT_NE(svg.find(name.ends_with("-values.svg") ? "Valor em função" : "Ordem aparente"),
                std::string::npos)
          << name;
    }
  }
#endif
}

INSTANTIATE_TEST_SUITE_P(Runs, ExtrasTest, ::testing::ValuesIn(kFolders), [](const auto& info) {
  std::string name = fs::path(info.param.folder).filename().string();
  for (char& ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
});

class CommandLineTest : public ::testing::Test {
 protected:
  CommandLineTest() { copy_case(source_dir() / "examples/constant-ratio", dir()); }
  fs::path dir() const { return tmp_.path() / "case"; }
  RunResult run(std::vector<std::string> args) { return run_tavo(dir(), {}, "", std::move(args)); }
  std::string report() const { return read_file(dir() / "relatorio.txt"); }

  TempDir tmp_;
};

TEST_F(CommandLineTest, HelpAndVersion) {
  for (const char* flag : {"-h", "--help"}) {
    RunResult r = run({flag});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out.rfind("Tavo verifies", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("Usage: tavo [OPTIONS] [FOLDER]"), std::string::npos) << r.out;
    for (const char* option :
         {"--no-editor", "--json", "--csv", "--plots", "--plot-format", "--gci-fs", "--pipeline",
          "--version", "--markdown", "--latex", "--html", "--xlsx", "--digits"})
      EXPECT_NE(r.out.find(option), std::string::npos) << option;
    EXPECT_EQ(r.err, "");
  }
  RunResult r = run({"--version"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "tavo 1.0\n");
  EXPECT_EQ(r.notepad_log, "");
  EXPECT_FALSE(fs::exists(dir() / "relatorio.txt"));
}

TEST_F(CommandLineTest, UsageErrorsExitWithTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"},
      {"-x"},
      {"--plot-format", "gif", "--plots", "p"},
      {"--plot-format", "png"},  // without --plots
      {"--gci-fs", "0"},
      {"--gci-fs", "-1"},
      {"--gci-fs", "abc"},
      {"--gci-fs", "inf"},
      {"--gci-fs", "1,5"},
      {"--pipeline", "yes"},
      {"--pipeline"},
      {"--json"},
      {"--json", ""},
      {"--json", "-", "--csv", "-"},
      {"--json", "a.json", "--csv", "./a.json"},
      {"--plots", "-"},
      {"--digits", "0"},
      {"--digits", "18"},
      {"--html", "-", "--markdown", "-"},
      {"--html", "a.html", "--latex", "./a.html"},
      {"--json", "a", "--json", "b"},
      {"one", "two"},
  };
  for (const auto& args : cases) {
    std::string shown;
    for (const auto& a : args) shown += a + " ";
    RunResult r = run(args);
    EXPECT_EQ(r.exit_code, 2) << shown;
    EXPECT_EQ(r.err.rfind("tavo: ", 0), 0u) << shown << r.err;
    const std::size_t first_line_end = r.err.find('\n');
    ASSERT_NE(first_line_end, std::string::npos) << shown;
    EXPECT_EQ(r.err.find("Usage: tavo [OPTIONS] [FOLDER]"), first_line_end + 1) << shown << r.err;
    EXPECT_EQ(r.out, "") << shown;
    EXPECT_EQ(r.notepad_log, "") << shown;
  }
  EXPECT_FALSE(fs::exists(dir() / "relatorio.txt"));
  RunResult r = run({"no-such-folder"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "tavo: cannot enter the folder no-such-folder: No such file or directory\n");
}

TEST_F(CommandLineTest, FolderAndPathsFromTheStartingFolder) {
  fs::create_directories(tmp_.path() / "elsewhere");
  RunResult r = run_tavo(tmp_.path() / "elsewhere", {}, "",
                         {"--no-editor", "--json", "r.json", "--csv", "-", (dir()).string()});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir() / "relatorio.txt"));
  EXPECT_TRUE(fs::exists(tmp_.path() / "elsewhere" / "r.json"));
  EXPECT_EQ(r.out.rfind("variable,name,exact,scheme,", 0), 0u) << r.out;
  EXPECT_EQ(csv_rows(r.out), 1 + 3 * 2 * 5u);
}

TEST_F(CommandLineTest, WithoutNoEditorBothEditorsOpen) {
  RunResult r = run({"--json", "r.json"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.notepad_log, "dados.r33\nrelatorio.txt\n");
  EXPECT_TRUE(fs::exists(dir() / "r.json"));
}

TEST_F(CommandLineTest, UnwritableOutputExitsTwoWithTheReportIntact) {
  RunResult plain = run({"--no-editor"});
  ASSERT_EQ(plain.exit_code, 0);
  const std::string expected = without_date_line(report());

  RunResult r = run({"--no-editor", "--json", "/nonexistent-tavo/r.json", "--csv", "r.csv"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "tavo: cannot write /nonexistent-tavo/r.json: No such file or directory\n");
  EXPECT_EQ(without_date_line(report()), expected);
  EXPECT_TRUE(fs::exists(dir() / "r.csv"));  // the other extras are still written

  r = run({"--no-editor", "--csv", "relatorio.txt"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "tavo: cannot write " + (dir() / "relatorio.txt").string() +
                       ": it is the run's report\n");
  EXPECT_EQ(without_date_line(report()), expected);

  r = run({"--no-editor", "--csv", "/dev/full"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "tavo: cannot write /dev/full: No space left on device\n");

  write_file(dir() / "blocker", "");
  r = run({"--no-editor", "--plots", "blocker/charts"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err.rfind("tavo: cannot make the folder " + (dir() / "blocker/charts").string(), 0),
            0u)
      << r.err;
  EXPECT_EQ(without_date_line(report()), expected);
}

TEST_F(CommandLineTest, FailedRunWritesNoExtra) {
  fs::remove(dir() / "alta32.txt");  // created empty by the run, then an end of file
  RunResult r = run({"--no-editor", "--json", "r.json", "--csv", "r.csv", "--plots", "charts"});
  EXPECT_EQ(r.exit_code, (0xC0000000u | 24) & 0xFF);
  EXPECT_NE(r.err.find("(24): end-of-file during read"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir() / "r.json"));
  EXPECT_FALSE(fs::exists(dir() / "r.csv"));
  EXPECT_FALSE(fs::exists(dir() / "charts"));
}

// The verdict for CI: pass, fail, a variable without a finest triplet, and a run-time error,
// which keeps its own status and writes no JUnit file.
TEST_F(CommandLineTest, CheckOrderVerdict) {
  struct Case {
    std::string folder;  // under the source tree
    std::vector<std::string> args;
    int status;
    std::string first_line;  // of standard error
  } cases[] = {
      {"examples/constant-ratio", {"--check-order", "0.2"}, 0, ""},
      {"examples/constant-ratio",
       {"--check-order", "0.1"},
       3,
       "tavo: check failed: variable 1 \"u(1/2): meio do dominio\", scheme low: p = 1.13855, "
       "formal order 1, GCI 0.189074, monotonic: order off by more than 0.1"},
      {"examples/constant-ratio", {"--check-gci", "0.01"}, 3, "tavo: check failed: variable 1"},
      {"tests/data/golden/edge-60002",
       {"--check-order", "5"},
       3,
       "tavo: check failed: variable 1 \"arrasto_n\u00famero_res\u00edduo_parede\", scheme low: p "
       "= "
       "undefined, formal order 1, GCI undefined: no finest triplet (2 meshes)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[1]);
    fs::remove_all(dir());
    copy_case(source_dir() / c.folder, dir());
    std::vector<std::string> args = {"--no-editor", "--junit", "r.xml"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const RunResult r = run(args);
    EXPECT_EQ(r.exit_code, c.status) << r.err;
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')).rfind(c.first_line, 0), 0u) << r.err;
    const std::string xml = read_file(dir() / "r.xml");
    EXPECT_NE(xml.find(c.status == 0 ? "failures=\"0\"" : "<failure "), std::string::npos);
  }
  fs::remove_all(dir());
  copy_case(source_dir() / "examples/constant-ratio", dir());
  fs::remove(dir() / "alta32.txt");  // a run-time error ends the run first
  const RunResult r = run({"--no-editor", "--check-order", "0.1", "--junit", "r.xml"});
  EXPECT_EQ(r.exit_code, (0xC0000000u | 24) & 0xFF);
  EXPECT_FALSE(fs::exists(dir() / "r.xml"));
}

// As installed: tavo in bin and the editor stand-in in its private folder, which tavo finds
// although no notepad is on PATH.
TEST_F(CommandLineTest, InstalledLayoutFindsThePrivateEditor) {
  const fs::path prefix = tmp_.path() / "prefix";
  fs::create_directories(prefix / "bin");
  const fs::path libexec = prefix / "bin" / TAVO_LIBEXEC_FROM_BIN;
  fs::create_directories(libexec);
  fs::copy_file(tavo_binary(), prefix / "bin/tavo");
  write_file(libexec / "notepad",
             "#!/bin/sh\necho \"$*\" >> '" + (tmp_.path() / "editor.log").string() + "'\n");
  fs::permissions(libexec / "notepad", fs::perms::owner_all);
  const std::string command = "cd '" + dir().string() + "' && env -i PATH=/usr/bin:/bin HOME='" +
                              tmp_.path().string() + "' TAVO_CONSOLE=terminal '" +
                              (prefix / "bin/tavo").string() + "' </dev/null >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(read_file(tmp_.path() / "editor.log"), "dados.r33\nrelatorio.txt\n");
}

#ifdef TAVO_HAVE_PLOTS
TEST_F(CommandLineTest, PngAndPdfCharts) {
  for (const char* format : {"png", "pdf"}) {
    RunResult r = run({"--no-editor", "--plots", "charts", "--plot-format", format});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::size_t files = 0;
    for (const auto& e : fs::directory_iterator(dir() / "charts")) {
      if (e.path().extension() != std::string(".") + format) continue;
      ++files;
      const std::string bytes = read_file(e.path());
      if (std::string_view(format) == "png") {
        EXPECT_EQ(bytes.rfind("\x89PNG\r\n\x1a\n", 0), 0u) << e.path();
      } else {
        EXPECT_EQ(bytes.rfind("%PDF-", 0), 0u) << e.path();
        EXPECT_NE(bytes.find("%%EOF", bytes.size() - 8), std::string::npos) << e.path();
      }
    }
    EXPECT_EQ(files, 6u) << format;
  }
}
#endif

}  // namespace
}  // namespace tavo::testing
