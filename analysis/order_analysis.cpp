#include "analysis/order_analysis.h"

namespace analysis {

model::OrderSolver order_solver(const State& s) {
  return {.method = model::order_method(s.iq),
          .bisection = {.lower = s.pa_lower_limit,
                        .upper = s.pa_upper_limit,
                        .tolerance = s.pa_tolerance,
                        .max_iterations = s.pa_max_iterations}};
}

void analyse_variable(State& s, std::int32_t var) {
  model::SeriesWindows schemes[2];
  for (std::int32_t k = 1; k <= 2; ++k) {
    schemes[k - 1] = {.h = s.mesh_h.all(),
                      .value = s.numerical_solution.along_second(var, k),
                      .formal_order = s.formal_order(var, k),
                      .convergence_ratio = s.convergence_ratio.along_second(var, k),
                      .apparent_order = s.apparent_order.along_second(var, k),
                      .ti_12 = s.extrapolated_asymptotic.along_second(var, k),
                      .ti_a = s.extrapolated_apparent.along_second(var, k)};
  }
  const model::IntervalWindows intervals{.tq = s.tq_estimate.along_second(var),
                                         .uq = s.uq_uncertainty.along_second(var),
                                         .result = s.interval_result.along_second(var)};
  model::analyse_variable(schemes, order_solver(s), s.exact_value(var), &intervals);
}

}  // namespace analysis
