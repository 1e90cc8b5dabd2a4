#include "analysis/run_numbers.h"

#include "console/core/cp1252.h"
#include "recio/file_names.h"

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

std::vector<model::InputFile> input_files(const State& s) {
  using Role = model::InputFile::Role;
  std::vector<model::InputFile> files;
  auto add = [&](Role role, std::string_view field, std::size_t scheme, std::size_t mesh) {
    std::string path = recio::clean_file_name(field);  // as the run opened it
    std::string name = console::cp1252::to_utf8(path);
    files.push_back({role, std::move(path), std::move(name), scheme, mesh});
  };
  add(Role::RunInput, "dados.r33", 0, 0);
  add(Role::ExactValues, s.exact_file_name.view(), 0, 0);
  if (s.solution_file_name.allocated())
    for (std::size_t k = 0; k < 2; ++k)
      for (std::int32_t j = 1; j <= s.mesh_count; ++j)
        add(Role::Solution, s.solution_file_name(j, static_cast<std::int64_t>(k) + 1).view(), k,
            static_cast<std::size_t>(j - 1));
  return files;
}

model::Numbers run_numbers(const State& s) {
  model::Numbers run;
  run.title = console::cp1252::to_utf8(unpadded(s.run_title.view()));
  run.source = console::cp1252::to_utf8(unpadded(s.report_file_name.view()));
  run.inputs = input_files(s);
  run.iq = s.iq;
  const model::Strided<const double> h = s.mesh_h.all();
  for (std::size_t j = 0; j < h.size(); ++j) run.h.push_back(h[j]);
  for (std::int32_t var = 1; var <= s.var_count; ++var)
    if (s.var_selected(var) != 0) run.variables.push_back(variable(s, var));
  return run;
}

}  // namespace analysis
