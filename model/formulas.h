// The order-of-accuracy formulas of one variable in one scheme: convergence ratios, apparent
// orders (closed form for a constant refinement ratio, bisection for a variable one), the two
// Richardson extrapolations, and the interval test that compares two schemes. Functions of the
// values they are given, nothing else: the run calls them on its tables, a table study on its
// arrays, with the same operations in the same order.
//
// Logarithms and powers are the run-time's (recio/math_functions.h): outside their domain they
// end the run with the mathematical-function error, or the error is held (recio::MathErrorHold).
// Meshes count from 0, coarse to fine (model/numbers.h).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "model/numbers.h"
#include "model/strided.h"

namespace model {

// The bisection's controls: the bracket [lower, upper], the stopping width and the most
// iterations.
struct BisectionControls {
  double lower = 0;
  double upper = 0;
  double tolerance = 0;
  std::int32_t max_iterations = 0;
};

// How R gives the apparent order, chosen by the input's `iq`.
enum class OrderMethod : std::uint8_t {
  ClosedForm,  // iq 0, a constant refinement ratio: pa = ln R / ln q21 where R > 1
  Bisection,   // iq 1, a variable ratio: the three-mesh relation solved where R > 0
  None,        // any other iq: no mesh gets an order
};
constexpr OrderMethod order_method(std::int32_t iq) {
  return iq == 0 ? OrderMethod::ClosedForm : iq == 1 ? OrderMethod::Bisection : OrderMethod::None;
}

struct OrderSolver {
  OrderMethod method = OrderMethod::ClosedForm;
  BisectionControls bisection;
};

// R = (T(j-1) - T(j-2)) / (T(j) - T(j-1)) and the apparent order pa on every mesh that ends a
// triplet. Every element of `pa` is written: 0 on the first two meshes and where no order is
// found (a bisection's negative result counts as none). `r` is written from the third mesh on.
void solve_orders(Strided<const double> h, Strided<const double> value, const OrderSolver& solver,
                  Strided<double> r, Strided<double> pa);

// Ti_12 = T(j) + (T(j) - T(j-1)) / (q21^pL - 1) on every mesh that ends a pair, and Ti_a, the
// same with the mesh's apparent order, on every mesh that ends a triplet.
void extrapolate(Strided<const double> h, Strided<const double> value, double formal_order,
                 Strided<const double> pa, Strided<double> ti_12, Strided<double> ti_a);

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

struct IntervalVerdict {
  double tq = 0;  // centre of the low-order interval; 0 unless the test applies
  double uq = 0;  // its half-width; 0 unless the test applies
  Interval result = Interval::DoesNotApply;

  bool applies() const { return result != Interval::DoesNotApply; }
};

// The test on one mesh from the low-order scheme's estimates with the formal and the apparent
// order (a1, b1), the high-order scheme's (a2, b2), and the exact value.
IntervalVerdict interval_test(double a1, double b1, double a2, double b2, double exact);

// The test on every mesh that ends a triplet of `low` and `high` (same meshes); Tq, Uq and the
// verdict are written on every mesh, 0 and DoesNotApply on the first two.
void test_intervals(const Series& low, const Series& high, double exact, Strided<double> tq,
                    Strided<double> uq, Strided<Interval> result);

// Where one variable's analysis reads its inputs and writes its numbers, per scheme.
struct SeriesWindows {
  Strided<const double> h;
  Strided<const double> value;
  double formal_order = kUndefined;
  Strided<double> convergence_ratio;
  Strided<double> apparent_order;
  Strided<double> ti_12;
  Strided<double> ti_a;

  Series series(std::string_view scheme = {}) const;
};
struct IntervalWindows {
  Strided<double> tq;
  Strided<double> uq;
  Strided<Interval> result;
};

// The whole analysis of one variable, the same for the run and for a table study: R and pa of
// every scheme in order, then Ti_12 and Ti_a of every scheme, then (when `intervals` is given,
// for two schemes on the same meshes) the interval test of the first against the second.
void analyse_variable(std::span<const SeriesWindows> schemes, const OrderSolver& solver,
                      double exact, const IntervalWindows* intervals);

}  // namespace model
