#include "results/from_analysis.h"

#include <cstdint>
#include <string_view>

#include "analysis/order_analysis.h"
#include "analysis/state.h"

namespace results {
namespace {

// A text field without its padding: trailing blanks, and the zero bytes of a field the input
// never set.
template <std::size_t N>
std::string trimmed(const analysis::Text<N>& t) {
  std::string_view v = t.view();
  while (!v.empty() && (v.back() == ' ' || v.back() == '\0')) v.remove_suffix(1);
  return std::string(v);
}

}  // namespace

RunInput from_analysis_state() {
  analysis::State& s = analysis::state();
  RunInput run;
  const std::int32_t n = s.mesh_count;
  run.iq = s.iq;
  run.title = trimmed(s.run_title);
  run.report_name = trimmed(s.report_file_name);
  for (std::int32_t j = 1; j <= n; ++j) run.h.push_back(s.mesh_h(j));

  for (std::int32_t var = 1; var <= s.var_count; ++var) {
    if (s.var_selected(var) == 0) continue;
    VariableInput v;
    v.index = var;
    v.name = trimmed(s.var_name(var));
    v.exact = s.exact_value(var);
    for (int k : {kLow, kHigh}) {
      const std::int32_t scheme = k + 1;
      v.formal_order[k] = s.asymptotic_order(var, scheme);
      for (std::int32_t j = 1; j <= n; ++j) {
        SchemeMeshInput m;
        m.value = s.numerical_solution(var, j, scheme);
        if (j >= 2) m.ti_12 = s.extrapolated_asymptotic(var, j, scheme);
        if (j >= 3) {
          m.convergence_ratio = s.convergence_ratio(var, j, scheme);
          m.apparent_order = s.apparent_order(var, j, scheme);
          m.ti_a = s.extrapolated_apparent(var, j, scheme);
        }
        v.schemes[k].push_back(m);
      }
    }
    v.intervals.resize(static_cast<std::size_t>(n < 0 ? 0 : n));
    s.var_index = var;
    for (std::int32_t j = 3; j <= n; ++j) {
      s.mesh_index = j;
      analysis::assess_intervals();
      IntervalInput& r = v.intervals[static_cast<std::size_t>(j - 1)];
      r.applies = s.applies_text.view() == "SIM";
      r.exact_inside = s.exact_inside_text.view() == "sim";
      r.tq = s.tq_estimate(var, j);
      r.uq = s.uq_uncertainty(var, j);
    }
    run.variables.push_back(std::move(v));
  }
  return run;
}

}  // namespace results
