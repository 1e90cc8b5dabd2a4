// A read-only view of one run's inputs and results, for readers outside the analysis (result
// extras, plots): the run's parameters, the meshes, and per variable its inputs, the results of
// the analysis and the interval verdicts, read in place from the run's tables.
//
// Take the view after the run has analysed its variables (after run_sequence's variable loop,
// whose results stay until the process ends). Indices are 1-based as everywhere in the run:
// variable 1..var_count(), mesh 1..mesh_count() with mesh 1 the coarsest. Nothing is checked:
// an index outside its range is the caller's fault. A view is a pointer: copy it freely.
#pragma once

#include <cstdint>
#include <string_view>

#include "analysis/order_analysis.h"
#include "analysis/state.h"

namespace analysis {

enum class Scheme : std::int32_t { Low = 1, High = 2 };

// A text field without its padding: trailing blanks, and the zero bytes of a field the input
// never set (code page 1252).
inline std::string_view unpadded(std::string_view field) {
  while (!field.empty() && (field.back() == ' ' || field.back() == '\0')) field.remove_suffix(1);
  return field;
}

class VariableView {
 public:
  VariableView(const State& s, std::int32_t var) : s_(&s), var_(var) {}

  std::int32_t index() const { return var_; }
  // Whether the run analysed and reported the variable; an unselected one holds zeros.
  bool selected() const { return s_->var_selected(var_) != 0; }
  std::string_view name() const { return unpadded(s_->var_name(var_).view()); }
  double exact_value() const { return s_->exact_value(var_); }
  // The scheme's formal (asymptotic) order pL.
  double formal_order(Scheme k) const { return s_->asymptotic_order(var_, of(k)); }

  // Per mesh and scheme. Each is defined from the mesh given on; earlier meshes hold 0.
  double value(std::int32_t mesh, Scheme k) const {  // "Th", from mesh 1
    return s_->numerical_solution(var_, mesh, of(k));
  }
  double convergence_ratio(std::int32_t mesh, Scheme k) const {  // R, from mesh 3
    return s_->convergence_ratio(var_, mesh, of(k));
  }
  double apparent_order(std::int32_t mesh, Scheme k) const {  // pa, 0 where none was found
    return s_->apparent_order(var_, mesh, of(k));
  }
  double ti_12(std::int32_t mesh, Scheme k) const {  // estimate with pL, from mesh 2
    return s_->extrapolated_asymptotic(var_, mesh, of(k));
  }
  double ti_a(std::int32_t mesh, Scheme k) const {  // estimate with pa, from mesh 3
    return s_->extrapolated_apparent(var_, mesh, of(k));
  }

  // The interval verdict of a mesh from 3 on ("Tq", "Uq", "aplica-se?", "<Te>"), as the report
  // shows it: computed afresh from the estimates above.
  IntervalVerdict interval(std::int32_t mesh) const {
    return interval_test(ti_12(mesh, Scheme::Low), ti_a(mesh, Scheme::Low),
                         ti_12(mesh, Scheme::High), ti_a(mesh, Scheme::High), exact_value());
  }

 private:
  static std::int32_t of(Scheme k) { return static_cast<std::int32_t>(k); }

  const State* s_;
  std::int32_t var_;
};

class RunView {
 public:
  // The run's one state by default.
  explicit RunView(const State& s = state()) : s_(&s) {}

  std::string_view title() const { return unpadded(s_->run_title.view()); }
  std::string_view report_name() const { return unpadded(s_->report_file_name.view()); }
  std::int32_t var_count() const { return s_->var_count; }
  std::int32_t mesh_count() const { return s_->mesh_count; }
  // 0 constant refinement ratio (closed-form apparent order), 1 variable (bisection).
  std::int32_t iq() const { return s_->iq; }

  double h(std::int32_t mesh) const { return s_->mesh_h(mesh); }
  // h(mesh - 1) / h(mesh), from mesh 2 on, as the report's mesh table prints it.
  double q21(std::int32_t mesh) const { return h(mesh - 1) / h(mesh); }

  VariableView variable(std::int32_t var) const { return {*s_, var}; }

 private:
  const State* s_;
};

}  // namespace analysis
