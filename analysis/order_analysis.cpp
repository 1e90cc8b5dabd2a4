#include "analysis/order_analysis.h"

#include <cstdint>

#include "analysis/state.h"
#include "recio/math_functions.h"

namespace analysis {
namespace {

using recio::rt_log;
using recio::rt_pow;

// x < y as the analysis compares: not (x >= y), so a comparison with a NaN holds.
bool below(double x, double y) {
  return !(x >= y);
}

}  // namespace

double solve_apparent_order(double lower, double upper, double q21, double q32, double r) {
  const State& s = state();
  const double ln_q21 = rt_log(q21);
  auto f = [&](double p) {
    double a = r * (rt_pow(q21, p) - 1);
    double b = a / (rt_pow(q32, p) - 1);
    return p * ln_q21 - rt_log(b);
  };
  const std::int64_t max_iterations = s.pa_max_iterations;
  if (max_iterations < 0) return 0;  // no iteration writes a result: the caller keeps its 0

  double a = lower;
  double b = upper;
  double pa = 0;
  std::int64_t i = 1;
  while (i <= max_iterations) {
    double m = (b + a) * 0.5;
    pa = m;
    double fa = f(a);
    double fm = f(m);
    double a_before = a;
    double b_before = b;
    if (fa * fm > 0) {
      a = m;
    } else {
      if (!(b - a > s.pa_tolerance)) break;
      b = m;
    }
    // Once the bracket no longer moves every later iteration repeats this one, so the search
    // would run out its iterations and fail: end it now rather than spin through them.
    if (a == a_before && b == b_before) return 0;
    ++i;
  }
  if (i == max_iterations || i == max_iterations + 1) return 0;
  return pa;
}

void analyse_variable() {
  State& s = state();
  const std::int32_t var = s.var_index;
  const std::int32_t n = s.mesh_count;
  auto phi = [&](std::int32_t j, std::int32_t k) -> double& {
    return s.numerical_solution(var, j, k);
  };

  for (std::int32_t k = 1; k <= 2; ++k)
    for (std::int32_t j = 1; j <= n; ++j) s.apparent_order(var, j, k) = 0;

  for (s.scheme_index = 1; s.scheme_index <= 2; ++s.scheme_index) {
    const std::int32_t k = s.scheme_index;
    for (s.mesh_index = 3; s.mesh_index <= n; ++s.mesh_index) {
      const std::int32_t j = s.mesh_index;
      double r = (phi(j - 1, k) - phi(j - 2, k)) / (phi(j, k) - phi(j - 1, k));
      s.convergence_ratio(var, j, k) = r;
      if (s.iq == 0 && r > 1) {
        s.q21 = s.mesh_h(j - 1) / s.mesh_h(j);
        s.apparent_order(var, j, k) = rt_log(r) / rt_log(s.q21);
      }
      if (s.iq == 1 && r > 0) {
        s.q21 = s.mesh_h(j - 1) / s.mesh_h(j);
        double q32 = s.mesh_h(j - 2) / s.mesh_h(j - 1);
        double pa = solve_apparent_order(s.pa_lower_limit, s.pa_upper_limit, s.q21, q32, r);
        s.apparent_order(var, j, k) = pa >= 0 ? pa : 0;
      }
    }
  }

  for (s.scheme_index = 1; s.scheme_index <= 2; ++s.scheme_index) {
    const std::int32_t k = s.scheme_index;
    for (s.mesh_index = 2; s.mesh_index <= n; ++s.mesh_index) {
      const std::int32_t j = s.mesh_index;
      double q = s.mesh_h(j - 1) / s.mesh_h(j);
      double delta = phi(j, k) - phi(j - 1, k);
      s.extrapolated_asymptotic(var, j, k) =
          phi(j, k) + delta / (rt_pow(q, s.asymptotic_order(var, k)) - 1);
      if (j >= 3) {
        double pa = s.apparent_order(var, j, k);
        s.extrapolated_apparent(var, j, k) = phi(j, k) + delta / (rt_pow(q, pa) - 1);
      }
    }
  }
}

void assess_intervals() {
  State& s = state();
  const std::int32_t var = s.var_index;
  const std::int32_t j = s.mesh_index;
  s.applies_text = "N\xE3o";
  s.exact_inside_text = "---";

  auto bounds = [&](std::int32_t k, double& lo, double& hi) {
    double a = s.extrapolated_asymptotic(var, j, k);
    double b = s.extrapolated_apparent(var, j, k);
    lo = a > b ? b : a;
    hi = !(a >= b) ? b : a;
  };
  double lo1, hi1, lo2, hi2;
  bounds(1, lo1, hi1);
  bounds(2, lo2, hi2);
  if (!(below(lo1, lo2) && below(lo2, hi1) && below(lo1, hi2) && below(hi2, hi1))) return;

  double tq = (hi1 + lo1) * 0.5;
  s.tq_estimate(var, j) = tq;
  if (!(tq >= -1.0E10 && tq <= 1.0E10)) {
    s.tq_estimate(var, j) = 0;
    return;
  }
  double uq = (hi1 - lo1) * 0.5;
  s.uq_uncertainty(var, j) = uq;
  s.applies_text = "SIM";
  s.exact_inside_text = "N\xC3O";
  double te = s.exact_value(var);
  if (below(tq - uq, te) && below(te, tq + uq)) s.exact_inside_text = "sim";
}

}  // namespace analysis
