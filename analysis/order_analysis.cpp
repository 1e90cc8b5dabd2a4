#include "analysis/order_analysis.h"

#include "recio/math_functions.h"

namespace analysis {
namespace {

using recio::rt_log;
using recio::rt_pow;

// x < y as the analysis compares: not (x >= y), so a comparison with a NaN holds. The verdicts
// of estimates that are not numbers depend on it.
bool below(double x, double y) {
  return !(x >= y);
}

}  // namespace

BisectionControls bisection_controls(const State& s) {
  return {.lower = s.pa_lower_limit,
          .upper = s.pa_upper_limit,
          .tolerance = s.pa_tolerance,
          .max_iterations = s.pa_max_iterations};
}

double solve_apparent_order(const BisectionControls& c, double q21, double q32, double r) {
  const double ln_q21 = rt_log(q21);
  return bisect(c, [&](double p) {
    const double a = r * (rt_pow(q21, p) - 1);
    const double b = a / (rt_pow(q32, p) - 1);
    return p * ln_q21 - rt_log(b);
  });
}

void analyse_variable(State& s, std::int32_t var) {
  const std::int32_t n = s.mesh_count;
  auto phi = [&](std::int32_t j, std::int32_t k) { return s.numerical_solution(var, j, k); };
  auto h = [&](std::int32_t j) { return s.mesh_h(j); };
  const BisectionControls controls = bisection_controls(s);

  for (std::int32_t k = 1; k <= 2; ++k)
    for (std::int32_t j = 1; j <= n; ++j) s.apparent_order(var, j, k) = 0;

  for (std::int32_t k = 1; k <= 2; ++k) {
    for (std::int32_t j = 3; j <= n; ++j) {
      const double r = (phi(j - 1, k) - phi(j - 2, k)) / (phi(j, k) - phi(j - 1, k));
      s.convergence_ratio(var, j, k) = r;
      if (s.iq == 0 && r > 1) {
        const double q21 = h(j - 1) / h(j);
        s.apparent_order(var, j, k) = rt_log(r) / rt_log(q21);
      }
      if (s.iq == 1 && r > 0) {
        const double q21 = h(j - 1) / h(j);
        const double q32 = h(j - 2) / h(j - 1);
        const double pa = solve_apparent_order(controls, q21, q32, r);
        s.apparent_order(var, j, k) = pa >= 0 ? pa : 0;
      }
    }
  }

  for (std::int32_t k = 1; k <= 2; ++k) {
    for (std::int32_t j = 2; j <= n; ++j) {
      const double q = h(j - 1) / h(j);
      const double delta = phi(j, k) - phi(j - 1, k);
      s.extrapolated_asymptotic(var, j, k) =
          phi(j, k) + delta / (rt_pow(q, s.asymptotic_order(var, k)) - 1);
      if (j >= 3) {
        const double pa = s.apparent_order(var, j, k);
        s.extrapolated_apparent(var, j, k) = phi(j, k) + delta / (rt_pow(q, pa) - 1);
      }
    }
  }
}

IntervalVerdict interval_test(double a1, double b1, double a2, double b2, double exact) {
  // Each scheme's interval from its two estimates. With a NaN, lo takes the first and hi the
  // second estimate: the report's verdicts for such estimates depend on this exact form.
  auto lo = [](double a, double b) { return a > b ? b : a; };
  auto hi = [](double a, double b) { return !(a >= b) ? b : a; };
  const double lo1 = lo(a1, b1), hi1 = hi(a1, b1);
  const double lo2 = lo(a2, b2), hi2 = hi(a2, b2);
  IntervalVerdict v;
  if (!(below(lo1, lo2) && below(lo2, hi1) && below(lo1, hi2) && below(hi2, hi1))) return v;

  // An infinite, NaN or huge centre (beyond +-1.0E10, both exact in double) means the estimates
  // say nothing: the test does not apply. The report's zeros and texts depend on this guard.
  const double tq = (hi1 + lo1) * 0.5;
  if (!(tq >= -1.0E10 && tq <= 1.0E10)) return v;
  v.tq = tq;
  v.uq = (hi1 - lo1) * 0.5;
  v.result = below(v.tq - v.uq, exact) && below(exact, v.tq + v.uq) ? Interval::ExactInside
                                                                    : Interval::ExactOutside;
  return v;
}

IntervalVerdict assess_intervals(State& s, std::int32_t var, std::int32_t mesh) {
  const IntervalVerdict v =
      interval_test(s.extrapolated_asymptotic(var, mesh, 1), s.extrapolated_apparent(var, mesh, 1),
                    s.extrapolated_asymptotic(var, mesh, 2), s.extrapolated_apparent(var, mesh, 2),
                    s.exact_value(var));
  s.tq_estimate(var, mesh) = v.tq;
  s.uq_uncertainty(var, mesh) = v.uq;
  return v;
}

}  // namespace analysis
