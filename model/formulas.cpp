#include "model/formulas.h"

#include "recio/math_functions.h"

namespace model {
namespace {

using recio::rt_log;
using recio::rt_pow;

// x < y as the analysis compares: not (x >= y), so a comparison with a NaN holds. The verdicts
// of estimates that are not numbers depend on it.
bool below(double x, double y) {
  return !(x >= y);
}

}  // namespace

double solve_apparent_order(const BisectionControls& c, double q21, double q32, double r) {
  const double ln_q21 = rt_log(q21);
  return bisect(c, [&](double p) {
    const double a = r * (rt_pow(q21, p) - 1);
    const double b = a / (rt_pow(q32, p) - 1);
    return p * ln_q21 - rt_log(b);
  });
}

void solve_orders(Strided<const double> h, Strided<const double> value, const OrderSolver& solver,
                  Strided<double> r, Strided<double> pa) {
  const std::size_t n = h.size();
  for (std::size_t j = 0; j < n; ++j) pa[j] = 0;
  for (std::size_t j = kFirstTripletMesh; j < n; ++j) {
    const double ratio = (value[j - 1] - value[j - 2]) / (value[j] - value[j - 1]);
    r[j] = ratio;
    if (solver.method == OrderMethod::ClosedForm && ratio > 1) {
      const double q21 = h[j - 1] / h[j];
      pa[j] = rt_log(ratio) / rt_log(q21);
    }
    if (solver.method == OrderMethod::Bisection && ratio > 0) {
      const double q21 = h[j - 1] / h[j];
      const double q32 = h[j - 2] / h[j - 1];
      const double p = solve_apparent_order(solver.bisection, q21, q32, ratio);
      pa[j] = p >= 0 ? p : 0;
    }
  }
}

void extrapolate(Strided<const double> h, Strided<const double> value, double formal_order,
                 Strided<const double> pa, Strided<double> ti_12, Strided<double> ti_a) {
  for (std::size_t j = kFirstPairMesh; j < h.size(); ++j) {
    const double q = h[j - 1] / h[j];
    const double delta = value[j] - value[j - 1];
    ti_12[j] = value[j] + delta / (rt_pow(q, formal_order) - 1);
    if (ends_triplet(j)) ti_a[j] = value[j] + delta / (rt_pow(q, pa[j]) - 1);
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

void test_intervals(const Series& low, const Series& high, double exact, Strided<double> tq,
                    Strided<double> uq, Strided<Interval> result) {
  const std::size_t n = low.mesh_count();
  for (std::size_t j = 0; j < n; ++j) {
    IntervalVerdict v;
    if (ends_triplet(j))
      v = interval_test(low.ti_12[j], low.ti_a[j], high.ti_12[j], high.ti_a[j], exact);
    tq[j] = v.tq;
    uq[j] = v.uq;
    result[j] = v.result;
  }
}

Series SeriesWindows::series(std::string_view scheme) const {
  return {.scheme = scheme,
          .formal_order = formal_order,
          .h = h,
          .value = value,
          .convergence_ratio = convergence_ratio,
          .apparent_order = apparent_order,
          .ti_12 = ti_12,
          .ti_a = ti_a};
}

void analyse_variable(std::span<const SeriesWindows> schemes, const OrderSolver& solver,
                      double exact, const IntervalWindows* intervals) {
  for (const SeriesWindows& s : schemes)
    solve_orders(s.h, s.value, solver, s.convergence_ratio, s.apparent_order);
  for (const SeriesWindows& s : schemes)
    extrapolate(s.h, s.value, s.formal_order, s.apparent_order, s.ti_12, s.ti_a);
  if (intervals != nullptr && schemes.size() == 2) {
    test_intervals(schemes[0].series(), schemes[1].series(), exact, intervals->tq, intervals->uq,
                   intervals->result);
  }
}

}  // namespace model
