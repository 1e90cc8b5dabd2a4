#include "results/results_table.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "results/export.h"

namespace results {
namespace {

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

ResultsTable::ResultsTable(const Results& r, Language language) : r_(r), texts_(texts(language)) {
  for (std::size_t v = 0; v < r.size(); ++v) {
    const model::Variable& numbers = r.numbers.variables[v];
    for (std::size_t k = 0; k < numbers.schemes.size(); ++k)
      for (std::size_t j = 0; j < numbers.schemes[k].mesh_count(); ++j) rows_.push_back({v, k, j});
  }
}

std::string_view ResultsTable::header(TableColumn c) const {
  switch (c) {
    case TableColumn::Variable:
      return texts_.variable;
    case TableColumn::Scheme:
      return texts_.scheme;
    case TableColumn::Mesh:
      return texts_.mesh;
    case TableColumn::H:
      return "h";
    case TableColumn::Value:
      return texts_.value;
    case TableColumn::ConvergenceRatio:
      return "R";
    case TableColumn::ApparentOrder:
      return "p";
    case TableColumn::Gci:
      return "GCI";
    case TableColumn::Uncertainty:
      return "U";
    case TableColumn::Class:
      return texts_.convergence;
  }
  return {};
}

double ResultsTable::number(std::size_t row, TableColumn c) const {
  const Row& w = rows_[row];
  const model::Series& s = r_.numbers.variables[w.variable].schemes[w.scheme];
  const SchemeMeasures& m = r_.measures[w.variable].schemes[w.scheme];
  const bool triplet = model::ends_triplet(w.mesh);
  switch (c) {
    case TableColumn::Mesh:
      return static_cast<double>(w.mesh + 1);
    case TableColumn::H:
      return s.h[w.mesh];
    case TableColumn::Value:
      return s.value[w.mesh];
    case TableColumn::ConvergenceRatio:
      return triplet ? s.convergence_ratio[w.mesh] : model::kUndefined;
    case TableColumn::ApparentOrder:
      return triplet ? s.apparent_order[w.mesh] : model::kUndefined;
    case TableColumn::Gci:
      return m.gci[w.mesh];
    case TableColumn::Uncertainty:
      return m.u[w.mesh];
    case TableColumn::Variable:
    case TableColumn::Scheme:
    case TableColumn::Class:
      break;
  }
  return model::kUndefined;
}

Convergence ResultsTable::convergence(std::size_t row) const {
  const Row& w = rows_[row];
  return r_.measures[w.variable].schemes[w.scheme].convergence[w.mesh];
}

std::string ResultsTable::text(std::size_t row, TableColumn c) const {
  const Row& w = rows_[row];
  const model::Variable& v = r_.numbers.variables[w.variable];
  switch (c) {
    case TableColumn::Variable:
      return std::to_string(v.number) + " " + v.name;
    case TableColumn::Scheme:
      return std::string(v.schemes[w.scheme].scheme);
    case TableColumn::Class:
      return std::string(convergence_text(convergence(row), texts_));
    case TableColumn::Mesh:
      return std::to_string(w.mesh + 1);
    default:
      return significant(number(row, c), 6);
  }
}

std::string ResultsTable::full(std::size_t row, TableColumn c) const {
  if (!numeric_column(c) || c == TableColumn::Mesh) return text(row, c);
  const double v = number(row, c);
  return std::isfinite(v) ? shortest(v) : std::string();
}

bool ResultsTable::matches(std::size_t row, std::string_view filter) const {
  if (filter.empty()) return true;
  const std::string hay = text(row, TableColumn::Variable);
  auto it = std::search(hay.begin(), hay.end(), filter.begin(), filter.end(),
                        [](char a, char b) { return lower(a) == lower(b); });
  return it != hay.end();
}

std::vector<std::size_t> ResultsTable::sorted(TableColumn c, bool descending) const {
  std::vector<std::size_t> order(rows_.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  if (numeric_column(c)) {
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      const double x = number(a, c), y = number(b, c);
      if (std::isnan(x) || std::isnan(y)) return !std::isnan(x) && std::isnan(y);
      return descending ? x > y : x < y;
    });
  } else {
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      const std::string x = text(a, c), y = text(b, c);
      if (x.empty() || y.empty()) return !x.empty() && y.empty();
      return descending ? x > y : x < y;
    });
  }
  return order;
}

std::string ResultsTable::delimited(std::span<const std::size_t> rows, char delimiter) const {
  auto field = [&](std::string& out, std::string_view s) {
    const bool quote = delimiter == ',' && s.find_first_of(",\"\r\n") != std::string_view::npos;
    if (!quote) {
      for (char ch : s) out += ch == '\t' || ch == '\r' || ch == '\n' ? ' ' : ch;
      return;
    }
    out += '"';
    for (char ch : s) {
      if (ch == '"') out += '"';
      out += ch;
    }
    out += '"';
  };
  std::string out;
  for (std::size_t c = 0; c < kTableColumns; ++c) {
    if (c > 0) out += delimiter;
    field(out, header(static_cast<TableColumn>(c)));
  }
  out += "\r\n";
  for (std::size_t row : rows) {
    for (std::size_t c = 0; c < kTableColumns; ++c) {
      if (c > 0) out += delimiter;
      field(out, full(row, static_cast<TableColumn>(c)));
    }
    out += "\r\n";
  }
  return out;
}

std::string ResultsTable::tab_separated(std::span<const std::size_t> rows) const {
  return delimited(rows, '\t');
}

std::string ResultsTable::csv(std::span<const std::size_t> rows) const {
  return delimited(rows, ',');
}

}  // namespace results
