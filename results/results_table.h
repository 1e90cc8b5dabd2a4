// The results as one table, row by row: a variable, scheme and mesh per row with h, the value,
// R, p, the GCI, the Eca-Hoekstra U and the convergence class. The model of the desktop's
// results window, without any toolkit: its cells as text and as numbers, its order under a
// sort, its filter by variable, and its rows as the text a spreadsheet takes (tab-separated)
// or as CSV.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "results/results.h"
#include "results/texts.h"

namespace results {

enum class TableColumn : std::uint8_t {
  Variable,  // its number and name
  Scheme,
  Mesh,  // counted from 1, as in the report
  H,
  Value,
  ConvergenceRatio,
  ApparentOrder,
  Gci,
  Uncertainty,
  Class,
};
inline constexpr std::size_t kTableColumns = 10;

// Whether a column holds numbers (the variable, the scheme and the class are texts).
constexpr bool numeric_column(TableColumn c) {
  return c != TableColumn::Variable && c != TableColumn::Scheme && c != TableColumn::Class;
}

class ResultsTable {
 public:
  // A view of `r`, which must outlive the table.
  ResultsTable(const Results& r, Language language);

  std::size_t rows() const { return rows_.size(); }
  static constexpr std::size_t columns() { return kTableColumns; }
  std::string_view header(TableColumn c) const;

  // The cell as shown: numbers to six significant digits, blank where undefined.
  std::string text(std::size_t row, TableColumn c) const;
  // The cell's number (not a number where it has none, and for the text columns).
  double number(std::size_t row, TableColumn c) const;
  Convergence convergence(std::size_t row) const;
  // The variable of a row, as the index into r's variables.
  std::size_t variable(std::size_t row) const { return rows_[row].variable; }

  // Whether a row belongs to the variables `filter` names: empty names all; else the text is
  // found (without regard to case, ASCII) in the variable's number and name.
  bool matches(std::size_t row, std::string_view filter) const;

  // The rows in the order of column `c` (numbers by value, then text; rows without a value
  // last in either direction; ties keep the table's order).
  std::vector<std::size_t> sorted(TableColumn c, bool descending) const;

  // The rows with a header line as a spreadsheet pastes them: tab-separated, numbers in full
  // (their shortest exact form, decimal point), CR LF between lines.
  std::string tab_separated(std::span<const std::size_t> rows) const;
  // The same as RFC 4180 CSV.
  std::string csv(std::span<const std::size_t> rows) const;

 private:
  struct Row {
    std::size_t variable, scheme, mesh;
  };
  std::string full(std::size_t row, TableColumn c) const;
  std::string delimited(std::span<const std::size_t> rows, char delimiter) const;

  const Results& r_;
  const Texts& texts_;
  std::vector<Row> rows_;
};

}  // namespace results
