#include "analysis/run_numbers.h"

#include "console/core/cp1252.h"

namespace analysis {

std::string_view unpadded(std::string_view field) {
  while (!field.empty() && (field.back() == ' ' || field.back() == '\0')) field.remove_suffix(1);
  return field;
}

model::Series series(const State& s, std::int32_t var, std::size_t scheme) {
  const auto k = static_cast<std::int64_t>(scheme) + 1;
  return {.scheme = kSchemeNames[scheme],
          .formal_order = s.formal_order(var, k),
          .h = s.mesh_h.all(),
          .value = s.numerical_solution.along_second(var, k),
          .convergence_ratio = s.convergence_ratio.along_second(var, k),
          .apparent_order = s.apparent_order.along_second(var, k),
          .ti_12 = s.extrapolated_asymptotic.along_second(var, k),
          .ti_a = s.extrapolated_apparent.along_second(var, k)};
}

model::Intervals intervals(const State& s, std::int32_t var) {
  return {.h = s.mesh_h.all(),
          .tq = s.tq_estimate.along_second(var),
          .uq = s.uq_uncertainty.along_second(var),
          .result = s.interval_result.along_second(var)};
}

model::Variable variable(const State& s, std::int32_t var) {
  model::Variable v;
  v.number = var;
  v.name = console::cp1252::to_utf8(unpadded(s.var_name(var).view()));
  v.exact = s.exact_value(var);
  v.schemes = {series(s, var, kLowScheme), series(s, var, kHighScheme)};
  v.intervals = intervals(s, var);
  return v;
}

model::Numbers run_numbers(const State& s) {
  model::Numbers run;
  run.title = console::cp1252::to_utf8(unpadded(s.run_title.view()));
  run.source = console::cp1252::to_utf8(unpadded(s.report_file_name.view()));
  run.iq = s.iq;
  const model::Strided<const double> h = s.mesh_h.all();
  for (std::size_t j = 0; j < h.size(); ++j) run.h.push_back(h[j]);
  for (std::int32_t var = 1; var <= s.var_count; ++var)
    if (s.var_selected(var) != 0) run.variables.push_back(variable(s, var));
  return run;
}

}  // namespace analysis
