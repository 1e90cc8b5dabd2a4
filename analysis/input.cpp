// Reading "dados.r33", the exact-results file and the solution files, all list-directed on
// unit 7, one file at a time.
#include <algorithm>
#include <string>

#include "analysis/io.h"
#include "analysis/state.h"
#include "console/core/shell_command.h"
#include "recio/run_time_error.h"
#include "recio/statements.h"

namespace analysis {
namespace {

using recio::Item;

constexpr int kInputUnit = 7;
constexpr std::string_view kInputFile = "dados.r33";

// Every table allocation of the run: a failure ends it with the run-time's message.
template <class T>
void allocate(Table<T>& table, std::int64_t n1, std::int64_t n2 = 1, std::int64_t n3 = 1) {
  if (recio::Status s = table.allocate(n1, n2, n3); s != recio::kOk) recio::raise_error(s, nullptr);
}

void connect_input(std::string_view name) {
  recio::open(kInputUnit,
              {.file = name, .status = recio::OpenStatus::Unknown, .blank = recio::Blank::Null});
}
void disconnect_input() {
  recio::close(kInputUnit);
}

void skip_record() {
  recio::read_list(kInputUnit, {});
}

template <std::size_t N>
void read_text(Text<N>& field) {
  recio::read_list(kInputUnit, {Item::text(field.data(), N)});
}

template <class T>
void read_value(T& value) {
  recio::read_list(kInputUnit, {Item::of(value)});
}

// One statement that takes `count` values into consecutive elements.
template <class T>
void read_values(T* first, std::int32_t count) {
  recio::read_list(kInputUnit, {Item::array(first, static_cast<std::size_t>(std::max(count, 0)))});
}

}  // namespace

void read_input_data(EditorUse editor) {
  State& s = state();
  if (editor == EditorUse::Open)
    s.shell_status = static_cast<std::int32_t>(console::run_shell_command("notepad dados.r33"));
  connect_input(kInputFile);

  skip_record();
  skip_record();
  read_text(s.report_file_name);
  skip_record();
  read_text(s.exact_file_name);
  skip_record();
  read_value(s.var_count);
  skip_record();

  allocate(s.var_selected, s.var_count);
  allocate(s.formal_order, s.var_count, 2);
  read_values(s.var_selected.column(), s.var_count);
  skip_record();
  read_values(s.formal_order.column(1), s.var_count);
  skip_record();
  read_values(s.formal_order.column(2), s.var_count);
  skip_record();

  read_value(s.mesh_count);
  skip_record();
  read_value(s.iq);
  read_value(s.pa_max_iterations);
  read_value(s.pa_tolerance);
  read_value(s.pa_lower_limit);
  read_value(s.pa_upper_limit);
  skip_record();

  allocate(s.solution_file_name, s.mesh_count, 2);
  allocate(s.mesh_h, s.mesh_count);
  for (std::int32_t k = 1; k <= 2; ++k) {
    for (std::int32_t j = 1; j <= s.mesh_count; ++j) read_text(s.solution_file_name(j, k));
    skip_record();
  }
  read_text(s.run_title);
  disconnect_input();
  s.input_var_count = s.var_count;

  // Without a first mesh there is no mesh table to write: refuse the run before the report
  // file is touched.
  if (s.mesh_count < 1) {
    recio::raise_error(recio::status_of(recio::kNoMeshes),
                       {std::to_string(s.mesh_count), recio::full_path_of(kInputFile)});
  }
}

void read_exact_results() {
  State& s = state();
  connect_input(s.exact_file_name.view());
  read_value(s.var_count);
  // var_selected and formal_order were sized by the count of "dados.r33": a larger count
  // here would read and write past their end.
  if (s.var_count > s.input_var_count) {
    const recio::Unit* unit = recio::UnitTable::instance().find(kInputUnit);
    recio::raise_error(recio::status_of(recio::kTooManyExactVariables),
                       {std::to_string(s.var_count), std::to_string(s.input_var_count),
                        std::to_string(kInputUnit), unit != nullptr ? unit->full_path() : ""});
  }
  allocate(s.exact_value, s.var_count);
  allocate(s.var_name, s.var_count);
  for (std::int32_t v = 1; v <= s.var_count; ++v) {
    skip_record();
    read_text(s.var_name(v));
    read_value(s.exact_value(v));
    double unused = 0;
    read_value(unused);
  }
  disconnect_input();
}

void read_solution_tables() {
  State& s = state();
  for (Table<double>* t : {&s.numerical_solution, &s.extrapolated_asymptotic,
                           &s.extrapolated_apparent, &s.apparent_order, &s.convergence_ratio})
    allocate(*t, s.var_count, s.mesh_count, 2);
  allocate(s.tq_estimate, s.var_count, s.mesh_count);
  allocate(s.uq_uncertainty, s.var_count, s.mesh_count);
  allocate(s.interval_result, s.var_count, s.mesh_count);

  for (std::int32_t k = 1; k <= 2; ++k) {
    for (std::int32_t j = 1; j <= s.mesh_count; ++j) {
      connect_input(s.solution_file_name(j, k).view());
      read_value(s.mesh_h(j));
      skip_record();
      skip_record();
      for (std::int32_t v = 1; v <= s.var_count; ++v) {
        skip_record();
        skip_record();
        read_value(s.numerical_solution(v, j, k));
      }
      disconnect_input();
    }
  }
}

}  // namespace analysis
