// The documents of a run or a study for people who review it: Markdown and LaTeX tables, one
// self-contained HTML page, and a spreadsheet. No Qt: the charts come in as SVG texts.
//
// Markdown, LaTeX and HTML are rendered from one Mustache template per format (templates/,
// compiled into the program), filled with a view of the results (view.h) whose words come
// from results/texts.h in the document's language. Per variable and scheme they hold a table
// after Celik et al. (J. Fluids Eng. 130, 078001, 2008, Table 1): per mesh h, the refinement
// ratio r = h(j-1) / h(j), the value phi, the apparent order p, the value phi_ext extrapolated
// with it, the relative errors e_a and e_ext, the GCI, and the Eca-Hoekstra uncertainty U with
// its estimator. Numbers are shown to `digits` significant digits with a decimal point in every
// language; e_a, e_ext and the GCI in per cent, U in the variable's units.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "results/output_file.h"
#include "results/results.h"
#include "results/texts.h"

namespace documents {

inline constexpr int kDefaultDigits = 4;
inline constexpr int kMaxDigits = 17;  // enough for any double

// The summary flags an asymptotic ratio this far from 1 (Roache's check of the asymptotic
// range: near 1 there).
inline constexpr double kAsymptoticTolerance = 0.1;

// What a document says besides the results: how and when they were made.
struct Context {
  results::Language language = results::Language::English;
  int digits = kDefaultDigits;  // 1 to kMaxDigits
  std::string command_line;     // the arguments after the program's name, UTF-8
  std::string date;             // as shown (see date_now)
  // The charts of a variable as the texts of SVG files (none: an empty list), asked for a
  // variable at a time as the page is written, so that only one variable's charts are held.
  // Without charts at all (a tavo built without them) `charts_available` is false and the
  // page says so.
  std::function<std::vector<std::string>(const results::VariableResult&)> charts;
  bool charts_available = false;
};

// Now as "2025-01-05 14:03:12 -0300" (local time); with SOURCE_DATE_EPOCH set to seconds since
// 1970, that moment in UTC ("... +0000"), so that a document can be made again byte for byte.
std::string date_now();

// The documents as text, streamed into `out` a variable at a time: the view of one variable
// is made, written and dropped before the next.
void write_markdown(const results::Results& r, const Context& c, results::TextOut& out);
// A standalone article (pdflatex, with booktabs, lmodern and geometry).
void write_latex(const results::Results& r, const Context& c, results::TextOut& out);
// One HTML5 page with nothing outside it (style and charts inline). Besides the tables: the
// inputs with their SHA-256 (the files are read here, from the current folder), the options,
// Tavo's version and the date; a summary of every variable and scheme on its finest mesh
// with flags; the charts; the references of the procedures.
void write_html(const results::Results& r, const Context& c, results::TextOut& out);

// The results as an XLSX workbook into `out`: one sheet per scheme (in the order the schemes
// first appear), one row per variable and mesh, numbers as numbers (e_a, e_ext and the GCI as
// fractions, as in the JSON), headings in the context's language. Returns why the workbook
// could not be made (it is built in a private scratch folder first), or an empty text.
std::string write_xlsx(const results::Results& r, const Context& c, results::TextOut& out);

}  // namespace documents
