// The analysis state: every scalar and table of one verification run, in one global instance.
// Loop indices are the loops' own; the operations take the variable and mesh they work on.
// Tables are 1-based with the first index varying fastest, allocated once at the sizes read
// from the input (filled with zeros) and kept until the process ends.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "model/numbers.h"
#include "model/strided.h"
#include "recio/status.h"

namespace analysis {

// A fixed-length text field: blank-padded on the right; assignment cuts a longer text and pads
// a shorter one. A new field holds zero bytes.
template <std::size_t N>
struct Text {
  char bytes[N] = {};

  static constexpr std::size_t size() { return N; }
  Text& operator=(std::string_view s) {
    std::size_t n = std::min(N, s.size());
    std::memcpy(bytes, s.data(), n);
    std::memset(bytes + n, ' ', N - n);
    return *this;
  }
  std::string_view view() const { return {bytes, N}; }
  // The text without its trailing blanks.
  std::string_view trimmed() const {
    std::size_t n = N;
    while (n > 0 && bytes[n - 1] == ' ') --n;
    return {bytes, n};
  }
  char* data() { return bytes; }
};

// A table of up to three dimensions, 1-based, first index fastest.
template <class T>
class Table {
 public:
  Table() = default;
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;
  ~Table() { std::free(data_); }

  // Allocates the table filled with zero bytes; negative extents count as 0. Error 151 when
  // already allocated, 41 when the size does not fit in memory.
  recio::Status allocate(std::int64_t n1, std::int64_t n2 = 1, std::int64_t n3 = 1);
  void release() {
    std::free(data_);
    data_ = nullptr;
    n1_ = n2_ = 0;
  }

  T& operator()(std::int64_t i) { return data_[i - 1]; }
  T& operator()(std::int64_t i, std::int64_t j) { return data_[offset(i, j, 1)]; }
  T& operator()(std::int64_t i, std::int64_t j, std::int64_t k) { return data_[offset(i, j, k)]; }
  const T& operator()(std::int64_t i) const { return data_[i - 1]; }
  const T& operator()(std::int64_t i, std::int64_t j) const { return data_[offset(i, j, 1)]; }
  const T& operator()(std::int64_t i, std::int64_t j, std::int64_t k) const {
    return data_[offset(i, j, k)];
  }
  // Element (1, j) onwards in storage order: column j as one I/O item with a count. Safe on an
  // empty table (no reference to a missing element is formed).
  T* column(std::int64_t j = 1) { return data_ + n1_ * (j - 1); }
  bool allocated() const { return data_ != nullptr; }

  // The elements (1..n1) of a one-dimensional table, and the elements (i, 1..n2, k) of a larger
  // one: one variable's values over the meshes, as the model reads them (0-based).
  model::Strided<const T> all() const { return {data_, static_cast<std::size_t>(n1_)}; }
  model::Strided<T> along_second(std::int64_t i, std::int64_t k = 1) {
    if (data_ == nullptr) return {};
    return {data_ + offset(i, 1, k), static_cast<std::size_t>(n2_), n1_};
  }
  model::Strided<const T> along_second(std::int64_t i, std::int64_t k = 1) const {
    return const_cast<Table*>(this)->along_second(i, k);
  }

 private:
  std::int64_t offset(std::int64_t i, std::int64_t j, std::int64_t k) const {
    return (i - 1) + n1_ * ((j - 1) + n2_ * (k - 1));
  }

  T* data_ = nullptr;
  std::int64_t n1_ = 0;
  std::int64_t n2_ = 0;
};

struct State {
  // Counts and controls of the run.
  std::int32_t var_count = 0;
  std::int32_t mesh_count = 0;
  std::int32_t iq = 0;
  std::int32_t pa_max_iterations = 0;
  double pa_tolerance = 0;
  double pa_lower_limit = 0;
  double pa_upper_limit = 0;
  Text<60> report_file_name;
  Text<60> exact_file_name;
  Text<40> run_title;

  // The count of variables that "dados.r33" gave: var_selected and formal_order keep that
  // size when the exact-results file brings another count into var_count.
  std::int32_t input_var_count = 0;

  // Texts of the run sequence, and the result of its last editor call (which nothing reads).
  Text<12> date_text;
  Text<8> time_text;
  Text<70> editor_command;
  std::int32_t shell_status = 0;

  // Tables: (var), (var, scheme), (mesh, scheme), (mesh), (var, mesh, scheme), (var, mesh).
  Table<std::int32_t> var_selected;
  Table<double> formal_order;  // the schemes' formal (asymptotic) orders pL
  Table<Text<60>> solution_file_name;
  Table<double> mesh_h;
  Table<double> exact_value;
  Table<Text<80>> var_name;
  Table<double> numerical_solution;
  Table<double> extrapolated_asymptotic;
  Table<double> extrapolated_apparent;
  Table<double> apparent_order;
  Table<double> convergence_ratio;
  Table<double> tq_estimate;
  Table<double> uq_uncertainty;
  Table<model::Interval> interval_result;
};

// The run's one instance.
State& state();
// Puts the state back to its start values and releases every table (tests only: a run never
// releases a table).
void reset_state();

}  // namespace analysis
