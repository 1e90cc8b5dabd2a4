// The documents (--markdown, --latex, --html, --xlsx) of runs and studies: every table cell
// equals the JSON's number to the digits shown, the names come out escaped, the LaTeX compiles
// (where pdflatex is installed), the page passes html-validate and renders in headless
// Chromium with every table and chart, and the workbook holds the JSON's numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <regex>
#include <string_view>

#include "e2e/tavo_run.h"

namespace tavo::testing {
namespace {

using Json = nlohmann::ordered_json;  // the schemes in the documents' order

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A command's standard output (its standard error dropped) and exit status.
struct Output {
  int status = -1;
  std::string text;
};
Output command(const std::string& line) {
  Output o;
  FILE* p = ::popen((line + " 2>/dev/null").c_str(), "r");
  if (p == nullptr) return o;
  char buf[1 << 16];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) o.text.append(buf, n);
  const int status = ::pclose(p);
  o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return o;
}

// A program on PATH, or empty. Missing tools skip their checks on a developer's machine, but
// fail under CI, where scripts/setup.sh has installed them.
std::string tool(const std::string& name) {
  const Output o = command("command -v " + name);
  std::string path = o.text.substr(0, o.text.find('\n'));
  return o.status == 0 ? path : "";
}
bool required_tool_missing(const std::string& path, const std::string& name) {
  if (!path.empty()) return false;
  if (std::getenv("CI") != nullptr) ADD_FAILURE() << name << " is not installed";
  return true;
}

std::string shell_quoted(const fs::path& p) {
  return "'" + p.string() + "'";
}

// A document's number back as the plain %g text it was made from, parsed: LaTeX's
// \ensuremath{1.5\times10^{-7}} and HTML's 1.5×10<sup>−7</sup> both give 1.5e-7; empty is
// not a number.
double shown_number(std::string cell) {
  const std::pair<std::string, std::string> undo[] = {
      {"\\ensuremath{", ""}, {"\\times10^{", "e"}, {"}", ""},    {"×10<sup>", "e"},
      {"</sup>", ""},        {"\u2212", "-"},      {"\\\\", ""},
  };
  for (const auto& [from, to] : undo)
    for (std::size_t at; (at = cell.find(from)) != std::string::npos;)
      cell.replace(at, from.size(), to);
  const std::size_t first = cell.find_first_not_of(' ');
  if (first == std::string::npos) return kNaN;
  const std::size_t last = cell.find_last_not_of(' ');
  cell = cell.substr(first, last - first + 1);
  char* end = nullptr;
  const double v = std::strtod(cell.c_str(), &end);
  EXPECT_EQ(*end, '\0') << "not a number: " << cell;
  return v;
}

// `expected` to `digits` significant digits, as the documents round it.
double rounded(double expected, int digits) {
  if (!std::isfinite(expected)) return kNaN;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*g", digits, expected);
  return std::strtod(buf, nullptr);
}

// A document's cell against a number: `want` to `digits` digits, or empty when undefined.
void expect_shown(const std::string& cell, double want, int digits) {
  const double got = shown_number(cell);
  if (std::isnan(want)) {
    EXPECT_TRUE(std::isnan(got)) << cell;
  } else {
    EXPECT_EQ(got, rounded(want, digits)) << cell;
  }
}

double number(const Json& j) {
  return j.is_null() ? kNaN : j.get<double>();
}

// The Celik table of one variable and scheme as the JSON gives it: per mesh the ten columns
// mesh, h, r, phi, p, phi_ext, e_a, e_ext, GCI (those three in per cent) and U.
std::vector<std::vector<double>> expected_table(const Json& scheme) {
  std::vector<std::vector<double>> rows;
  const Json& m = scheme["meshes"];
  for (std::size_t j = 0; j < m.size(); ++j) {
    const double h = m[j]["h"], value = m[j]["value"];
    const double coarser = j >= 1 ? m[j - 1]["value"].get<double>() : kNaN;
    const double ti_a = number(m[j]["ti_a"]);
    rows.push_back({double(j + 1), h, j >= 1 ? m[j - 1]["h"].get<double>() / h : kNaN, value,
                    number(m[j]["apparent_order"]), ti_a,
                    100 * std::fabs((coarser - value) / value),
                    j >= 2 ? 100 * std::fabs((value - ti_a) / ti_a) : kNaN,
                    100 * number(m[j]["gci"]), number(m[j]["u_eh2014"])});
  }
  return rows;
}

// The tables of a document, cut into cells, in the order they come.
using Cells = std::vector<std::vector<std::string>>;

std::vector<std::string> split(const std::string& line, const std::string& separator) {
  std::vector<std::string> out;
  std::size_t at = 0;
  for (std::size_t next; (next = line.find(separator, at)) != std::string::npos;
       at = next + separator.size())
    out.push_back(line.substr(at, next - at));
  out.push_back(line.substr(at));
  return out;
}

std::vector<std::string> lines(const std::string& text) {
  return split(text, "\n");
}

std::vector<Cells> markdown_tables(const std::string& doc) {
  std::vector<Cells> tables;
  const std::vector<std::string> all = lines(doc);
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i].rfind("|---:", 0) != 0) continue;
    Cells& t = tables.emplace_back();
    for (++i; i < all.size() && all[i].rfind("| ", 0) == 0; ++i) {
      std::vector<std::string> cells = split(all[i], " | ");
      cells.front().erase(0, 2);
      cells.back().resize(cells.back().size() - 2);
      t.push_back(cells);
    }
  }
  return tables;
}

std::vector<Cells> latex_tables(const std::string& doc) {
  std::vector<Cells> tables;
  const std::vector<std::string> all = lines(doc);
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i] != "\\midrule") continue;
    Cells& t = tables.emplace_back();
    for (++i; i < all.size() && all[i] != "\\bottomrule"; ++i) t.push_back(split(all[i], " & "));
  }
  return tables;
}

std::vector<Cells> html_tables(const std::string& doc) {
  std::vector<Cells> tables;
  for (std::size_t at = 0; (at = doc.find("<table class=\"celik\"", at)) != std::string::npos;) {
    const std::size_t end = doc.find("</table>", at);
    Cells& t = tables.emplace_back();
    for (const std::string& line : lines(doc.substr(at, end - at))) {
      if (line.rfind("<tr><td", 0) != 0) continue;
      std::vector<std::string> cells = split(line, "</td><td class=\"n\">");
      cells.front().erase(0, std::string_view("<tr><td class=\"n\">").size());
      cells.back().resize(cells.back().size() - std::string_view("</td></tr>").size());
      t.push_back(cells);
    }
    at = end;
  }
  return tables;
}

// Every table of a document against the JSON, cell by cell, to `digits` digits.
void expect_tables(const std::vector<Cells>& tables, const Json& j, int digits,
                   const std::string& format) {
  std::size_t k = 0;
  for (const Json& v : j["variables"]) {
    for (const auto& [scheme, s] : v["schemes"].items()) {
      SCOPED_TRACE(format + ": variable " + std::to_string(v["index"].get<int>()) + " " + scheme);
      ASSERT_LT(k, tables.size());
      const std::vector<std::vector<double>> expected = expected_table(s);
      const Cells& t = tables[k++];
      ASSERT_EQ(t.size(), expected.size());
      for (std::size_t row = 0; row < t.size(); ++row) {
        ASSERT_EQ(t[row].size(), 10u) << row;
        for (std::size_t col = 0; col < 10; ++col) {
          SCOPED_TRACE("mesh " + std::to_string(row + 1) + " column " + std::to_string(col));
          expect_shown(t[row][col], expected[row][col], digits);
        }
      }
    }
  }
  EXPECT_EQ(k, tables.size()) << format;
}

// The page's summary: per variable and scheme its finest mesh's p, GCI (per cent) and U, and
// the flags of an asymptotic ratio far from 1 and of an oscillating triplet.
void expect_summary(const std::string& html, const Json& j, int digits) {
  const std::size_t begin = html.find("<table class=\"summary\">");
  ASSERT_NE(begin, std::string::npos);
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : lines(html.substr(begin, html.find("</table>", begin) - begin))) {
    if (line.rfind("<tr><td>", 0) != 0 && line.rfind("<tr class=\"flagged\"><td>", 0) != 0)
      continue;
    rows.push_back(split(line, "</td><td"));
    for (std::string& cell : rows.back()) cell.erase(0, cell.find('>') + 1);
  }
  std::size_t row = 0;
  for (const Json& v : j["variables"]) {
    for (const auto& [scheme, s] : v["schemes"].items()) {
      SCOPED_TRACE("summary: variable " + std::to_string(v["index"].get<int>()) + " " + scheme);
      ASSERT_LT(row, rows.size());
      const std::vector<std::string>& cells = rows[row++];
      ASSERT_EQ(cells.size(), 8u);
      const Json& last = s["meshes"].back();
      EXPECT_EQ(cells[1], scheme);
      expect_shown(cells[3], number(last["apparent_order"]), digits);
      expect_shown(cells[5], 100 * number(last["gci"]), digits);
      expect_shown(cells[6], number(last["u_eh2014"]), digits);
      const double ratio = number(last["asymptotic_ratio"]);
      bool oscillating = false;
      for (const Json& m : s["meshes"])
        oscillating =
            oscillating || (m["convergence"].is_string() &&
                            m["convergence"].get<std::string>().rfind("oscillatory", 0) == 0);
      EXPECT_EQ(cells[7].find("far from 1") != std::string::npos ||
                    cells[7].find("longe de 1") != std::string::npos,
                std::fabs(ratio - 1) > 0.1)
          << cells[7] << " " << ratio;
      EXPECT_EQ(cells[7].find("oscilla") != std::string::npos, oscillating) << cells[7];
    }
  }
  EXPECT_EQ(row, rows.size());
}

// A sheet's cells by reference ("D3"): numbers as they are written, texts inline.
std::map<std::string, std::string> sheet_cells(const std::string& xml) {
  std::map<std::string, std::string> cells;
  static const std::regex cell(
      R"re(<c r="([A-Z]+[0-9]+)"[^>]*>(?:<v>([^<]*)</v>|<is><t[^>]*>([^<]*)</t></is>))re");
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), cell); it != std::sregex_iterator();
       ++it)
    cells[(*it)[1]] = (*it)[2].matched ? (*it)[2].str() : (*it)[3].str();
  for (auto& [ref, text] : cells)
    for (const auto& [entity, c] : {std::pair{"&lt;", "<"}, std::pair{"&gt;", ">"},
                                    std::pair{"&quot;", "\""}, std::pair{"&amp;", "&"}})
      for (std::size_t at; (at = text.find(entity)) != std::string::npos;)
        text.replace(at, std::string_view(entity).size(), c);
  return cells;
}

// One sheet per scheme, one row per variable and mesh, numbers to libxlsxwriter's 16 digits.
void expect_workbook(const fs::path& xlsx, const Json& j) {
  const Output book = command("unzip -p " + shell_quoted(xlsx) + " xl/workbook.xml");
  ASSERT_EQ(book.status, 0) << "unzip";
  std::vector<std::string> schemes;
  for (const auto& [name, s] : j["variables"][0]["schemes"].items()) schemes.push_back(name);
  for (std::size_t sheet = 0; sheet < schemes.size(); ++sheet) {
    SCOPED_TRACE("sheet " + schemes[sheet]);
    EXPECT_NE(book.text.find("<sheet name=\"" + schemes[sheet] + "\" sheetId=\"" +
                             std::to_string(sheet + 1) + "\""),
              std::string::npos);
    const Output xml = command("unzip -p " + shell_quoted(xlsx) + " xl/worksheets/sheet" +
                               std::to_string(sheet + 1) + ".xml");
    ASSERT_EQ(xml.status, 0);
    const std::map<std::string, std::string> cells = sheet_cells(xml.text);
    int row = 2;
    for (const Json& v : j["variables"]) {
      const Json& s = v["schemes"][schemes[sheet]];
      const std::vector<std::vector<double>> t = expected_table(s);
      for (std::size_t m = 0; m < t.size(); ++m, ++row) {
        auto at = [&](char column) {
          auto it = cells.find(column + std::to_string(row));
          return it == cells.end() ? std::string() : it->second;
        };
        EXPECT_EQ(at('A'), std::to_string(v["index"].get<int>()));
        EXPECT_EQ(at('B'), v["name"].get<std::string>());
        // h, r, value, p, phi_ext, e_a, e_ext, GCI (fractions here), U.
        const std::pair<char, double> columns[] = {
            {'C', t[m][0]},       {'D', t[m][1]}, {'E', t[m][2]},       {'F', t[m][3]},
            {'H', t[m][4]},       {'I', t[m][5]}, {'K', t[m][6] / 100}, {'L', t[m][7] / 100},
            {'M', t[m][8] / 100}, {'O', t[m][9]}};
        for (const auto& [column, want] : columns) {
          SCOPED_TRACE(std::string(1, column) + std::to_string(row));
          if (std::isnan(want)) {
            EXPECT_EQ(at(column), "");
          } else {
            // 16 digits (%.16G) are within 5e-16 of the value; the per-cent columns went
            // through * 100 / 100, an ulp or two more.
            EXPECT_NEAR(shown_number(at(column)), want, 1e-15 * std::fabs(want));
          }
        }
      }
    }
    EXPECT_EQ(cells.count("A" + std::to_string(row)), 0u) << "no row beyond the last mesh";
  }
}

void expect_latex_compiles(const fs::path& tex, std::size_t tables) {
  const std::string doc = read_file(tex);
  std::size_t open = 0, close = 0;
  for (std::size_t at = 0; (at = doc.find("\\begin{table}", at)) != std::string::npos; ++at) ++open;
  for (std::size_t at = 0; (at = doc.find("\\end{table}", at)) != std::string::npos; ++at) ++close;
  EXPECT_EQ(open, tables);
  EXPECT_EQ(close, tables);
  EXPECT_NE(doc.find("\\usepackage{booktabs}"), std::string::npos);
  const std::string pdflatex = tool("pdflatex");
  if (pdflatex.empty()) {
    // No TeX here (CI has none): the braces at least balance, escaped ones aside.
    int depth = 0;
    for (std::size_t i = 0; i < doc.size(); ++i) {
      if (doc[i] == '\\') {
        ++i;
        continue;
      }
      depth += doc[i] == '{' ? 1 : doc[i] == '}' ? -1 : 0;
      ASSERT_GE(depth, 0) << i;
    }
    EXPECT_EQ(depth, 0);
    return;
  }
  const Output o =
      command("cd " + shell_quoted(tex.parent_path()) + " && " + pdflatex +
              " -interaction=nonstopmode -halt-on-error " + shell_quoted(tex.filename()));
  EXPECT_EQ(o.status, 0) << o.text.substr(o.text.size() > 3000 ? o.text.size() - 3000 : 0);
  fs::path pdf = tex;
  EXPECT_TRUE(fs::exists(pdf.replace_extension(".pdf")));
}

// The page through html-validate, then rendered by Chromium: its DOM has every table and
// chart, and the inputs with the digests sha256sum gives.
void expect_page(const fs::path& html, const Json& j, std::size_t tables,
                 const std::vector<std::string>& inputs) {
  const std::string validator = tool("html-validate");
  if (!required_tool_missing(validator, "html-validate")) {
    const Output o = command(validator + " " + shell_quoted(html) + " 2>&1");
    EXPECT_EQ(o.status, 0) << o.text;
  }
  const std::string chromium = tool("chromium");
  if (required_tool_missing(chromium, "chromium")) return;
  const fs::path profile = html.parent_path() / "chromium-profile";
  const Output dom =
      command("timeout 120 " + chromium +
              " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
              " --disable-background-networking --disable-component-update --disable-sync"
              " --user-data-dir=" +
              shell_quoted(profile) + " --dump-dom " + shell_quoted("file://" + html.string()));
  ASSERT_EQ(dom.status, 0);
  auto count = [&](const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = 0; (at = dom.text.find(what, at)) != std::string::npos; ++at) ++n;
    return n;
  };
  EXPECT_EQ(count("<table class=\"celik\""), tables);
  EXPECT_EQ(count("<table class=\"summary\""), 1u);
  EXPECT_EQ(count("<section class=\"variable\""), j["variables"].size());
#ifdef TAVO_HAVE_PLOTS
  // A figure per variable of its two charts (values, convergence), with the lines Qt drew.
  const std::size_t charts = 2 * j["variables"].size();
  EXPECT_EQ(count("<figure>"), j["variables"].size());
  EXPECT_EQ(count("<svg "), charts);
  EXPECT_EQ(count("</svg>"), charts);
  EXPECT_GT(count("<polyline"), 4 * j["variables"].size());
#else
  EXPECT_EQ(count("<svg"), 0u);
#endif
  for (const std::string& input : inputs) {
    const Output sum = command("sha256sum " + shell_quoted(html.parent_path() / input));
    ASSERT_EQ(sum.status, 0) << input;
    EXPECT_NE(dom.text.find("<td class=\"file\">" + input + "</td>"), std::string::npos) << input;
    EXPECT_NE(dom.text.find("<code>" + sum.text.substr(0, 64) + "</code>"), std::string::npos)
        << input;
  }
}

struct Case {
  const char* name;
  const char* folder;  // an example run, or nullptr for a study of `table`
  const char* table;
  std::vector<std::string> args;  // besides the files
  int digits;
  // A variable's name as each format writes it: Markdown, LaTeX, HTML (empty: not checked).
  std::array<std::string, 3> escaped_name;
  const char* table_word;  // "Table" or "Tabela"
};

const Case kCases[] = {
    {"constant_ratio",
     "examples/constant-ratio",
     nullptr,
     {"--no-editor"},
     4,
     {"u(3/4): perto da camada limite", "u(3/4): perto da camada limite",
      "u(3/4): perto da camada limite"},
     "Table"},
    {"variable_ratio_pt",
     "examples/variable-ratio",
     nullptr,
     {"--no-editor", "--lang", "pt"},
     6,
     {},
     "Tabela"},
    // Two schemes, one quantity named with every character the formats escape, one that
    // oscillates.
    {"study",
     nullptr,
     "h,scheme,\"a_b%c&d#e$f\\g|h <i> \"\"j\"\" {k} ~^ φ–ç\",drag\n"
     "0.4,low,1.32,0.5\n0.2,low,1.18,0.45\n0.1,low,1.085,0.47\n0.05,low,1.04,0.462\n"
     "0.4,high,1.1,0.47\n0.2,high,1.03,0.44\n0.1,high,1.007,0.4275\n0.05,high,1.0018,0.4219\n",
     {"--formal-order", "low=1,high=2", "--gci-fs", "3"},
     3,
     {"a\\_b%c\\&d\\#e\\$f\\\\g\\|h \\<i\\> \"j\" \\{k\\} \\~^ φ–ç",
      "a\\_b\\%c\\&d\\#e\\$f\\textbackslash{}g\\textbar{}h \\textless{}i\\textgreater{} \"j\" "
      "\\{k\\} \\textasciitilde{}\\textasciicircum{} \\ensuremath{\\phi}--ç",
      "a_b%c&amp;d#e$f\\g|h &lt;i&gt; &quot;j&quot; {k} ~^ φ–ç"},
     "Table"},
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

class DocumentsTest : public ::testing::TestWithParam<Case> {};

TEST_P(DocumentsTest, TablesEqualTheJson) {
  const Case& c = GetParam();
  TempDir tmp;
  const fs::path dir = tmp.path() / "case";
  std::vector<std::string> args = c.args;
  std::vector<std::string> inputs;
  if (c.folder != nullptr) {
    copy_case(source_dir() / c.folder, dir);
    inputs = {"dados.r33", "exatos.txt"};
  } else {
    fs::create_directories(dir);
    write_file(dir / "t.csv", c.table);
    args.insert(args.begin(), "study");
    args.push_back("t.csv");
    inputs = {"t.csv"};
  }
  args.insert(args.end(), {"--json", "r.json", "--markdown", "r.md", "--latex", "r.tex", "--html",
                           "r.html", "--xlsx", "r.xlsx", "--digits", std::to_string(c.digits)});
  const RunResult r = Tavo(dir, {.args = args, .env = {"SOURCE_DATE_EPOCH=86400"}}).wait();
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const Json j = Json::parse(read_file(dir / "r.json"));
  std::size_t tables = 0;
  for (const Json& v : j["variables"]) tables += v["schemes"].size();

  const std::string md = read_file(dir / "r.md"), tex = read_file(dir / "r.tex"),
                    html = read_file(dir / "r.html");
  expect_tables(markdown_tables(md), j, c.digits, "markdown");
  expect_tables(latex_tables(tex), j, c.digits, "latex");
  expect_tables(html_tables(html), j, c.digits, "html");
  expect_summary(html, j, c.digits);
  expect_workbook(dir / "r.xlsx", j);

  const std::string first = std::string(c.table_word) + " 1.";
  EXPECT_NE(md.find("**" + first + "**"), std::string::npos);
  EXPECT_NE(tex.find("\\renewcommand{\\tablename}{" + std::string(c.table_word) + "}"),
            std::string::npos);
  EXPECT_NE(html.find("<caption>" + first), std::string::npos);
  EXPECT_NE(
      html.find("<html lang=\"" + std::string(c.table_word == std::string("Table") ? "en" : "pt")),
      std::string::npos);
  EXPECT_NE(html.find("<dd>1970-01-02 00:00:00 +0000</dd>"), std::string::npos);
  if (!c.escaped_name[0].empty()) {
    EXPECT_NE(md.find(c.escaped_name[0]), std::string::npos) << md.substr(0, 2000);
    EXPECT_NE(tex.find(c.escaped_name[1]), std::string::npos);
    EXPECT_NE(html.find(c.escaped_name[2]), std::string::npos);
  }
  expect_latex_compiles(dir / "r.tex", tables);
  expect_page(dir / "r.html", j, tables, inputs);
}

INSTANTIATE_TEST_SUITE_P(RunsAndStudies, DocumentsTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A document that cannot be written is one line naming it and status 2; the others are
// written, and nothing half-made is left behind. A standard-input table has no digest.
TEST(DocumentsFailures, OneLineTheOthersWrittenNothingLeft) {
  TempDir tmp;
  const fs::path dir = tmp.path() / "s";
  fs::create_directories(dir);
  const std::string table = "h,lift\n0.4,1.16\n0.2,1.04\n0.1,1.01\n0.05,1.0025\n";
  write_file(dir / "t.csv", table);
  RunResult r = Tavo(dir, {.args = {"study", "--xlsx", "/nonexistent-tavo/r.xlsx", "--html",
                                    "r.html", "--markdown", "missing/r.md", "-"},
                           .input = dir / "t.csv"})
                    .wait();
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "tavo: cannot write " + (dir / "missing/r.md").string() +
                       ": No such file or directory\n"
                       "tavo: cannot write /nonexistent-tavo/r.xlsx: No such file or directory\n");
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"r.html", "t.csv"}));
  const std::string html = read_file(dir / "r.html");
  EXPECT_NE(html.find("<td class=\"file\">-</td><td>the study&#39;s table</td><td>standard input"),
            std::string::npos);
  // To standard output, the study's summary gives way to the document.
  r = Tavo(dir, {.args = {"study", "--markdown", "-", "t.csv"}}).wait();
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("# t.csv\n\nVerification report: t.csv, Tavo 1.0, ", 0), 0u) << r.out;
}

}  // namespace
}  // namespace tavo::testing
