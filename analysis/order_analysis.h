// Order-of-accuracy analysis of one variable: convergence ratios, apparent orders (closed form
// for a constant refinement ratio, bisection for a variable one), Richardson extrapolations with
// the formal and the apparent order, and the interval test that combines the two schemes.
#pragma once

#include <cstdint>

#include "analysis/state.h"

namespace analysis {

// Fills variable `var`'s slices of convergence_ratio, apparent_order, extrapolated_asymptotic
// and extrapolated_apparent in `s` from its inputs there; touches no other variable's elements
// and no other field. A logarithm or power outside its domain goes to the run-time's
// mathematical-function error (which ends the run, or is held: see recio::MathErrorHold).
void analyse_variable(State& s, std::int32_t var);

// The bisection's controls: the bracket [lower, upper], the stopping width and the most
// iterations, as "dados.r33" gives them.
struct BisectionControls {
  double lower = 0;
  double upper = 0;
  double tolerance = 0;
  std::int32_t max_iterations = 0;
};
BisectionControls bisection_controls(const State& s);

// The apparent order p solving R = q21^p (q32^p - 1) / (q21^p - 1) by bisection (below) on
// f(p) = p ln q21 - ln(R (q21^p - 1) / (q32^p - 1)), with ln q21 taken once before it.
double solve_apparent_order(const BisectionControls& controls, double q21, double q32, double r);

// The bisection on a pure function f of p. Each iteration halves [A, B] at M: the lower half is
// kept when f(A) f(M) > 0 fails (a NaN product included), and then the search stops if B - A was
// not wider than the tolerance. The result is the last M, or 0 when the search fails: the limit
// reached (a stop in the last permitted iteration counts as failed too), no iteration allowed,
// or a bracket that stopped moving. f(lower) is the first evaluation, in the first iteration;
// after that each iteration evaluates f(M) only, keeping f(A) from an earlier one.
template <class F>
double bisect(const BisectionControls& c, F&& f) {
  const std::int64_t max_iterations = c.max_iterations;
  if (max_iterations < 0) return 0;  // no iteration writes a result: the caller keeps its 0

  double a = c.lower;
  double b = c.upper;
  double fa = 0;
  double pa = 0;
  // The counter is read after the loop at the value the loop left it: a stop in the last
  // permitted iteration leaves it at the limit, which counts as a failure like running out.
  std::int64_t i = 1;
  while (i <= max_iterations) {
    const double m = (b + a) * 0.5;
    pa = m;
    if (i == 1) fa = f(a);
    const double fm = f(m);
    const double a_before = a;
    const double b_before = b;
    if (fa * fm > 0) {
      a = m;
      fa = fm;
    } else {
      if (!(b - a > c.tolerance)) break;
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

// The interval test on one mesh: whether the high-order scheme's two estimates lie strictly
// inside the low-order scheme's, and then whether the exact value lies inside the band Tq +- Uq.
enum class Interval : std::uint8_t {
  DoesNotApply,  // "Não", "---"
  ExactOutside,  // "SIM", "NÃO"
  ExactInside,   // "SIM", "sim"
};
struct IntervalVerdict {
  double tq = 0;  // centre of the low-order interval; 0 unless the test applies
  double uq = 0;  // its half-width; 0 unless the test applies
  Interval result = Interval::DoesNotApply;

  bool applies() const { return result != Interval::DoesNotApply; }
};

// The test from the two schemes' estimates with the formal order (a1, a2) and with the apparent
// order (b1, b2), and the exact value. Pure.
IntervalVerdict interval_test(double a1, double b1, double a2, double b2, double exact);

// The test for variable `var` on mesh `mesh` (3 or more) from its estimates in `s`; stores the
// verdict's Tq and Uq in tq_estimate and uq_uncertainty.
IntervalVerdict assess_intervals(State& s, std::int32_t var, std::int32_t mesh);

}  // namespace analysis
