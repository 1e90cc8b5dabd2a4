#include "study/table.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <numeric>

#include "study/scan.h"

namespace study {

namespace detail {

namespace {

bool same_letters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (x != b[i]) return false;
  }
  return true;
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

enum class MeshKey { None, H, Cells };

// `h=0.1` or `cells = 8000` (the key in any case): the key and the text after '='.
MeshKey mesh_key(std::string_view name, std::string_view& value) {
  const std::size_t eq = name.find('=');
  if (eq == std::string_view::npos) return MeshKey::None;
  const std::string_view key = trimmed(name.substr(0, eq));
  value = trimmed(name.substr(eq + 1));
  if (same_letters(key, "h")) return MeshKey::H;
  if (same_letters(key, "cells")) return MeshKey::Cells;
  return MeshKey::None;
}

std::string number_text(double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

constexpr double kMaxCells = 9007199254740992.0;  // 2^53: every count below is exact

// h = (V / N)^(1 / D), the mean cell size. The C library's cube root may miss by an ulp
// (0.125 gives 0.49999999999999994): taken in long double, an exact cube comes out exact.
double h_of_cells(double volume, double cells, int dimension) {
  const double per_cell = volume / cells;
  if (dimension == 1) return per_cell;
  if (dimension == 2) return std::sqrt(per_cell);
  return static_cast<double>(std::cbrt(static_cast<long double>(per_cell)));
}

}  // namespace

class Reader {
 public:
  Reader(int fd, std::string_view bytes, ReadOptions options)
      : options_(std::move(options)),
        scan_(fd, bytes, options_),
        volume_(options_.volume.value_or(1)) {}

  Error read_header();
  Error read_meshes(MeshTable& table);
  Error next_chunk(FieldChunk& chunk, std::size_t max_points);

  Layout layout = Layout::MeshesAsRows;
  FieldHeader field;

 private:
  enum class Role : std::uint8_t { Label, Mesh, Exact, H, Cells, Volume, Scheme, Quantity };
  struct Column {
    Role role;
    std::size_t slot;  // the label's, mesh's (coarse to fine) or quantity's index
  };

  Error failed(std::size_t line, const std::string& what) {
    scan_.fail(line, what);
    return scan_.error();
  }
  Error bad_number(const Cell& cell, std::size_t column, Number n) {
    return failed(cell.line,
                  scan_.column(column) + ": " + scan_.shown(cell) +
                      (n == Number::NotFinite ? " is not a finite number" : " is not a number"));
  }
  // A number that may be blank (kNoValue).
  bool value_of(const Cell& cell, std::size_t column, double& v) {
    const Number n = parse_number(cell.text(), scan_.decimal_comma(), v);
    if (n == Number::Blank) v = kNoValue;
    if (n == Number::Blank || n == Number::Ok) return true;
    bad_number(cell, column, n);
    return false;
  }
  bool positive_of(const Cell& cell, std::size_t column, const char* what, double& v);
  bool check_width(std::size_t cells) {
    if (cells == columns_.size()) return true;
    failed(scan_.row_line(), std::to_string(cells) + (cells == 1 ? " cell" : " cells") +
                                 " where the header has " + std::to_string(columns_.size()));
    return false;
  }
  Error header_of_points(const std::vector<std::string>& names, std::size_t line);
  Error header_of_meshes(const std::vector<std::string>& names, std::size_t line);

  enum class State { New, Meshes, Points, Done };

  ReadOptions options_;
  Scanner scan_;
  State state_ = State::New;
  std::vector<Column> columns_;
  std::vector<std::string> quantities_;
  double volume_;  // for cell counts without a volume column
  std::size_t next_point_ = 0;
};

bool Reader::positive_of(const Cell& cell, std::size_t column, const char* what, double& v) {
  const Number n = parse_number(cell.text(), scan_.decimal_comma(), v);
  if (n == Number::Blank) {
    failed(cell.line, scan_.column(column) + ": blank, but every mesh needs its " + what);
    return false;
  }
  if (n != Number::Ok) {
    bad_number(cell, column, n);
    return false;
  }
  if (!(v > 0)) {
    failed(cell.line, scan_.column(column) + ": " + scan_.shown(cell) + " is not > 0");
    return false;
  }
  return true;
}

Error Reader::read_header() {
  if (state_ != State::New) return failed(0, "the header is read once only");
  RowStatus s = scan_.choose_delimiter();
  if (s == RowStatus::Row) s = scan_.next_row();
  if (s == RowStatus::Failed) return scan_.error();
  if (s != RowStatus::Row) return failed(0, "the table is empty: no header line");
  const std::size_t line = scan_.row_line();
  std::vector<Cell>& cells = scan_.cells();

  std::vector<std::string> names(cells.size());
  bool all_numbers = true;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    double v;
    const Number n = parse_number(cells[i].text(), scan_.decimal_comma(), v);
    if (n != Number::Ok && n != Number::Blank) all_numbers = false;
    std::string text;
    if (!scan_.append_text(cells[i], i, text)) return scan_.error();
    names[i] = std::string(trimmed(text));
  }
  if (all_numbers) return failed(line, "no header line: the first row holds numbers, not names");
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i].empty())
      return failed(line, "column " + std::to_string(i + 1) + ": a blank column name");
    for (std::size_t j = 0; j < i; ++j)
      if (names[j] == names[i])
        return failed(line, "column " + std::to_string(i + 1) + ": " +
                                quoted_for_message(names[i]) + " names column " +
                                std::to_string(j + 1) + " already");
  }
  scan_.set_column_names(names);
  const bool points = std::any_of(names.begin(), names.end(), [](const std::string& n) {
    std::string_view value;
    return mesh_key(n, value) != MeshKey::None;
  });
  Error e = points ? header_of_points(names, line) : header_of_meshes(names, line);
  if (e.failed()) return e;
  layout = points ? Layout::PointsAsRows : Layout::MeshesAsRows;
  state_ = points ? State::Points : State::Meshes;
  return {};
}

Error Reader::header_of_points(const std::vector<std::string>& names, std::size_t line) {
  struct MeshColumn {
    std::size_t column;
    double h, cells;
  };
  std::vector<MeshColumn> meshes;
  MeshKey kind = MeshKey::None;
  columns_.assign(names.size(), {Role::Label, 0});
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string where = scan_.column(i) + ": ";
    std::string_view text;
    const MeshKey key = mesh_key(names[i], text);
    if (key == MeshKey::None) {
      if (same_letters(names[i], "exact")) {
        if (field.has_exact) return failed(line, where + "a second exact column");
        field.has_exact = true;
        columns_[i] = {Role::Exact, 0};
      } else if (!meshes.empty()) {
        return failed(line, where +
                                "neither h=VALUE, cells=N nor exact, after the mesh columns "
                                "(label columns come first)");
      } else {
        columns_[i] = {Role::Label, field.labels.size()};
        field.labels.push_back(names[i]);
      }
      continue;
    }
    if (kind != MeshKey::None && key != kind)
      return failed(line, where + "columns h= and cells= in one table");
    kind = key;
    double v = 0;
    const Number n = parse_number(text, scan_.decimal_comma(), v);
    const std::string shown = quoted_for_message(text);
    if (n != Number::Ok) return failed(line, where + shown + " is not a number");
    if (!(v > 0)) return failed(line, where + shown + " is not > 0");
    MeshColumn m{i, v, kNoValue};
    if (key == MeshKey::Cells) {
      if (v != std::floor(v) || v > kMaxCells)
        return failed(line, where + shown + " is not a whole number of cells");
      if (options_.dimension < 1 || options_.dimension > 3)
        return failed(line, where + "cells need the dimension (1, 2 or 3) to give h");
      if (!(volume_ > 0) || !std::isfinite(volume_))
        return failed(0, "the volume " + number_text(volume_) + " is not a finite number > 0");
      m.cells = v;
      m.h = h_of_cells(volume_, v, options_.dimension);
      if (!(m.h > 0) || !std::isfinite(m.h))
        return failed(line, where + "h = (V/N)^(1/D) is " + number_text(m.h));
    }
    meshes.push_back(m);
  }
  std::stable_sort(meshes.begin(), meshes.end(),
                   [](const MeshColumn& a, const MeshColumn& b) { return a.h > b.h; });
  for (std::size_t m = 0; m < meshes.size(); ++m) {
    if (m > 0 && meshes[m].h == meshes[m - 1].h) {
      const auto [first, second] = std::minmax(meshes[m - 1].column, meshes[m].column);
      return failed(line, scan_.column(second) + ": the same h as " + scan_.column(first));
    }
    columns_[meshes[m].column] = {Role::Mesh, m};
    field.h.push_back(meshes[m].h);
    if (kind == MeshKey::Cells) field.cells.push_back(meshes[m].cells);
  }
  return {};
}

Error Reader::header_of_meshes(const std::vector<std::string>& names, std::size_t line) {
  const bool cells = same_letters(names[0], "cells");
  if (!cells && !same_letters(names[0], "h"))
    return failed(line, scan_.column(0) +
                            ": the first column must be h or cells (meshes as rows), or mesh "
                            "columns must be headed h=VALUE or cells=N (points as rows)");
  if (cells && (options_.dimension < 1 || options_.dimension > 3))
    return failed(line, scan_.column(0) + ": cells need the dimension (1, 2 or 3) to give h");
  columns_.assign(names.size(), {cells ? Role::Cells : Role::H, 0});
  bool volume = false, scheme = false;
  for (std::size_t i = 1; i < names.size(); ++i) {
    const std::string where = scan_.column(i) + ": ";
    const std::string& name = names[i];
    if (same_letters(name, "h") || same_letters(name, "cells")) {
      return failed(line, where + "a second mesh size column (the first column gives it)");
    } else if (same_letters(name, "volume")) {
      if (!cells) return failed(line, where + "a volume goes with cells, not with h");
      if (volume) return failed(line, where + "a second volume column");
      if (options_.volume)
        return failed(line, where + "a volume is given besides the volume column");
      volume = true;
      columns_[i] = {Role::Volume, 0};
    } else if (same_letters(name, "scheme")) {
      if (scheme) return failed(line, where + "a second scheme column");
      scheme = true;
      columns_[i] = {Role::Scheme, 0};
    } else if (same_letters(name, "exact")) {
      return failed(line, where + "exact values go in a row whose first cell is exact");
    } else {
      columns_[i] = {Role::Quantity, quantities_.size()};
      quantities_.push_back(name);
    }
  }
  if (quantities_.empty()) return failed(line, "no quantity column");
  if (cells && !volume && (!(volume_ > 0) || !std::isfinite(volume_)))
    return failed(0, "the volume " + number_text(volume_) + " is not a finite number > 0");
  return {};
}

Error Reader::read_meshes(MeshTable& table) {
  if (state_ != State::Meshes)
    return failed(0, state_ == State::Points ? "the table has points as rows, not meshes"
                                             : "the table's header is not read");
  state_ = State::Done;
  table = MeshTable{};
  table.quantities = quantities_;
  table.exact.assign(quantities_.size(), kNoValue);
  std::vector<std::size_t> exact_lines;
  std::size_t mesh_rows = 0;
  for (;;) {
    const RowStatus s = scan_.next_row();
    if (s == RowStatus::Failed) return scan_.error();
    if (s == RowStatus::End) break;
    const std::vector<Cell>& cells = scan_.cells();
    if (!check_width(cells.size())) return scan_.error();
    const bool exact = same_letters(trimmed(cells[0].text()), "exact");
    if (exact && !exact_lines.empty())
      return failed(scan_.row_line(), "a second exact row (line " + std::to_string(exact_lines[0]) +
                                          " has the first)");
    if (exact) exact_lines.push_back(scan_.row_line());
    Mesh mesh;
    mesh.line = scan_.row_line();
    mesh.values.assign(quantities_.size(), kNoValue);
    std::string scheme;
    double volume = volume_;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      const Cell& cell = cells[i];
      const Column col = columns_[i];
      if (exact && (col.role == Role::Scheme || col.role == Role::Volume)) {
        if (cell.begin != cell.end)
          return failed(cell.line, scan_.column(i) + ": the exact row takes no " +
                                       (col.role == Role::Scheme ? "scheme" : "volume"));
        continue;
      }
      switch (col.role) {
        case Role::H:
          if (!exact && !positive_of(cell, i, "h", mesh.h)) return scan_.error();
          break;
        case Role::Cells:
          if (exact) break;
          if (!positive_of(cell, i, "cell count", mesh.cells)) return scan_.error();
          if (mesh.cells != std::floor(mesh.cells) || mesh.cells > kMaxCells)
            return failed(cell.line,
                          scan_.column(i) + ": " + scan_.shown(cell) + " is not a whole number");
          break;
        case Role::Volume:
          if (!positive_of(cell, i, "volume", volume)) return scan_.error();
          break;
        case Role::Scheme:
          if (!scan_.append_text(cell, i, scheme)) return scan_.error();
          if (scheme.empty())
            return failed(cell.line, scan_.column(i) + ": blank, but every mesh needs its scheme");
          break;
        case Role::Quantity: {
          double v;
          if (!value_of(cell, i, v)) return scan_.error();
          (exact ? table.exact[col.slot] : mesh.values[col.slot]) = v;
          break;
        }
        default:
          break;
      }
    }
    if (exact) continue;
    if (columns_[0].role == Role::Cells) {
      mesh.h = h_of_cells(volume, mesh.cells, options_.dimension);
      if (!(mesh.h > 0) || !std::isfinite(mesh.h))
        return failed(mesh.line, "h = (V/N)^(1/D) is " + number_text(mesh.h));
    }
    auto it = std::find_if(table.schemes.begin(), table.schemes.end(),
                           [&](const Scheme& s) { return s.name == scheme; });
    if (it == table.schemes.end()) it = table.schemes.insert(it, Scheme{scheme, {}});
    it->meshes.push_back(std::move(mesh));
    ++mesh_rows;
  }
  if (mesh_rows == 0) return failed(0, "the table has no mesh rows");
  table.has_exact =
      std::any_of(table.exact.begin(), table.exact.end(), [](double v) { return !std::isnan(v); });
  for (Scheme& scheme : table.schemes) {
    std::stable_sort(scheme.meshes.begin(), scheme.meshes.end(),
                     [](const Mesh& a, const Mesh& b) { return a.h > b.h; });
    for (std::size_t m = 1; m < scheme.meshes.size(); ++m) {
      const Mesh& a = scheme.meshes[m - 1];
      const Mesh& b = scheme.meshes[m];
      if (a.h != b.h) continue;
      const auto [first, second] = std::minmax(a.line, b.line);
      return failed(
          second, "a second mesh with h = " + number_text(a.h) +
                      (scheme.name.empty() ? "" : " in scheme " + quoted_for_message(scheme.name)) +
                      " (line " + std::to_string(first) + " has the first)");
    }
  }
  return {};
}

Error Reader::next_chunk(FieldChunk& chunk, std::size_t max_points) {
  chunk.first_point = next_point_;
  chunk.points = 0;
  chunk.meshes = field.h.size();
  chunk.label_columns = field.labels.size();
  chunk.values.clear();
  chunk.exact.clear();
  chunk.label_text.clear();
  chunk.label_ends.clear();
  if (state_ == State::Done) return scan_.error();
  if (state_ != State::Points)
    return failed(0, state_ == State::Meshes ? "the table has meshes as rows, not points"
                                             : "the table's header is not read");
  if (max_points == 0) max_points = 1;
  const std::size_t meshes = chunk.meshes;
  while (chunk.points < max_points) {
    const RowStatus s = scan_.next_row(chunk.points > 0);
    if (s == RowStatus::Idle) break;
    if (s == RowStatus::End) {
      state_ = State::Done;
      break;
    }
    const std::vector<Cell>& cells = scan_.cells();
    if (s == RowStatus::Failed || !check_width(cells.size())) {
      state_ = State::Done;
      break;
    }
    const std::size_t base = chunk.values.size();
    chunk.values.resize(base + meshes, kNoValue);
    double* values = chunk.values.data() + base;
    bool good = true;
    for (std::size_t i = 0; good && i < cells.size(); ++i) {
      const Column col = columns_[i];
      switch (col.role) {
        case Role::Mesh:
          good = value_of(cells[i], i, values[col.slot]);
          break;
        case Role::Label:
          good = scan_.append_text(cells[i], i, chunk.label_text);
          chunk.label_ends.push_back(chunk.label_text.size());
          break;
        default: {  // Role::Exact
          double v;
          good = value_of(cells[i], i, v);
          chunk.exact.push_back(v);
        }
      }
    }
    if (!good) {
      state_ = State::Done;
      break;
    }
    ++chunk.points;
  }
  if (scan_.error().failed()) {
    chunk.points = 0;
    chunk.values.clear();
    chunk.exact.clear();
    chunk.label_text.clear();
    chunk.label_ends.clear();
    return scan_.error();
  }
  next_point_ += chunk.points;
  return {};
}

}  // namespace detail

TableReader::TableReader(int fd, ReadOptions options)
    : reader_(std::make_unique<detail::Reader>(fd, std::string_view(), std::move(options))) {}
TableReader::TableReader(std::string_view bytes, ReadOptions options)
    : reader_(std::make_unique<detail::Reader>(-1, bytes, std::move(options))) {}
TableReader::~TableReader() = default;
TableReader::TableReader(TableReader&&) noexcept = default;
TableReader& TableReader::operator=(TableReader&&) noexcept = default;

Error TableReader::read_header() {
  return reader_->read_header();
}
Layout TableReader::layout() const {
  return reader_->layout;
}
const FieldHeader& TableReader::field_header() const {
  return reader_->field;
}
Error TableReader::read_meshes(MeshTable& table) {
  return reader_->read_meshes(table);
}
Error TableReader::next_chunk(FieldChunk& chunk, std::size_t max_points) {
  return reader_->next_chunk(chunk, max_points);
}

Error read_mesh_table(std::string_view bytes, const ReadOptions& options, MeshTable& table) {
  TableReader reader(bytes, options);
  Error e = reader.read_header();
  if (!e.failed()) e = reader.read_meshes(table);
  return e;
}

}  // namespace study
