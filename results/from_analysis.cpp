#include "results/from_analysis.h"

#include <cstdint>
#include <string>

namespace results {

RunInput from_analysis(const analysis::RunView& view) {
  using analysis::Scheme;
  RunInput run;
  const std::int32_t n = view.mesh_count();
  run.iq = view.iq();
  run.title = std::string(view.title());
  run.report_name = std::string(view.report_name());
  for (std::int32_t j = 1; j <= n; ++j) run.h.push_back(view.h(j));

  for (std::int32_t var = 1; var <= view.var_count(); ++var) {
    const analysis::VariableView v = view.variable(var);
    if (!v.selected()) continue;
    VariableInput in;
    in.index = var;
    in.name = std::string(v.name());
    in.exact = v.exact_value();
    for (int k : {kLow, kHigh}) {
      const Scheme scheme = k == kLow ? Scheme::Low : Scheme::High;
      in.formal_order[k] = v.formal_order(scheme);
      for (std::int32_t j = 1; j <= n; ++j) {
        SchemeMeshInput m;
        m.value = v.value(j, scheme);
        if (j >= 2) m.ti_12 = v.ti_12(j, scheme);
        if (j >= 3) {
          m.convergence_ratio = v.convergence_ratio(j, scheme);
          m.apparent_order = v.apparent_order(j, scheme);
          m.ti_a = v.ti_a(j, scheme);
        }
        in.schemes[k].push_back(m);
      }
    }
    in.intervals.resize(static_cast<std::size_t>(n < 0 ? 0 : n));
    for (std::int32_t j = 3; j <= n; ++j) {
      const analysis::IntervalVerdict verdict = v.interval(j);
      IntervalInput& r = in.intervals[static_cast<std::size_t>(j - 1)];
      r.applies = verdict.applies();
      r.exact_inside = verdict.result == analysis::Interval::ExactInside;
      r.tq = verdict.tq;
      r.uq = verdict.uq;
    }
    run.variables.push_back(std::move(in));
  }
  return run;
}

RunInput from_analysis_state() {
  return from_analysis(analysis::RunView());
}

}  // namespace results
