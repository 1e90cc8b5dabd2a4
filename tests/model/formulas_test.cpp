#include "model/formulas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "recio/math_functions.h"

namespace model {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNan = std::nan("");

BisectionControls controls(double tolerance, std::int32_t max_iterations, double lower = 0.5,
                           double upper = 5) {
  return {.lower = lower, .upper = upper, .tolerance = tolerance, .max_iterations = max_iterations};
}

// One variable in one scheme in plain arrays, analysed by the formulas as a table study does.
struct Arrays {
  std::vector<double> h, value, r, pa, ti_12, ti_a;

  Arrays(std::vector<double> sizes, std::vector<double> values, const OrderSolver& solver = {},
         double formal_order = 2)
      : h(std::move(sizes)), value(std::move(values)) {
    for (auto* v : {&r, &pa, &ti_12, &ti_a}) v->assign(h.size(), kNan);
    solve_orders(window(h), window(value), solver, window(r), window(pa));
    extrapolate(window(h), window(value), formal_order, window(pa), window(ti_12), window(ti_a));
  }
  static Strided<double> window(std::vector<double>& v) { return {v.data(), v.size()}; }
};

OrderSolver bisection(double tolerance = 1e-10, std::int32_t max_iterations = 100) {
  return {.method = OrderMethod::Bisection, .bisection = controls(tolerance, max_iterations)};
}

TEST(OrdersTest, WorkedExampleConstantRatio) {
  const Arrays a({0.4, 0.2, 0.1}, {1.16, 1.04, 1.01});
  EXPECT_NEAR(a.r[2], 4, 1e-12);
  EXPECT_NEAR(a.pa[2], 2, 1e-12);
  EXPECT_NEAR(a.ti_12[1], 1, 1e-14);
  EXPECT_NEAR(a.ti_12[2], 1, 1e-14);
  EXPECT_NEAR(a.ti_a[2], 1, 1e-12);
  // pa is 0 where no triplet ends; nothing else is written there.
  EXPECT_EQ(a.pa[0], 0);
  EXPECT_EQ(a.pa[1], 0);
  EXPECT_TRUE(std::isnan(a.r[1]));
  EXPECT_TRUE(std::isnan(a.ti_12[0]));
  EXPECT_TRUE(std::isnan(a.ti_a[1]));
}

TEST(OrdersTest, VariableRatioUsesTheBisectionAndFloorsNegativeOrders) {
  // h = 0.4, 0.2, 0.1 with values 1 + h^2; then values that diverge.
  EXPECT_NEAR(Arrays({0.4, 0.2, 0.1}, {1.16, 1.04, 1.01}, bisection()).pa[2], 2, 1e-9);
  const Arrays diverging({0.4, 0.2, 0.1}, {1.0, 1.1, 1.3}, bisection());
  EXPECT_NEAR(diverging.r[2], 0.5, 1e-12);  // root p = -1
  EXPECT_EQ(diverging.pa[2], 0) << "a root outside the bracket gives 0";
}

TEST(OrdersTest, RatiosThatGiveNoOrder) {
  // Constant ratio with 0 < R <= 1; variable ratio with R <= 0; an unknown mode.
  struct Case {
    std::int32_t iq;
    std::vector<double> phi;
  } cases[] = {{0, {1.0, 1.5, 2.0}}, {1, {1.0, 2.0, 1.5}}, {7, {1.16, 1.04, 1.01}}};
  for (const Case& c : cases) {
    const Arrays a({0.4, 0.2, 0.1}, c.phi,
                   {.method = order_method(c.iq), .bisection = controls(0, 50)});
    EXPECT_EQ(a.pa[2], 0) << c.iq;
    // pa = 0 makes the apparent-order estimate infinite.
    EXPECT_TRUE(std::isinf(a.ti_a[2])) << c.iq;
  }
}

TEST(OrdersTest, EqualSolutionsGiveInfiniteOrUndefinedRatios) {
  const Arrays a({0.4, 0.2, 0.1, 0.05}, {2.0, 1.0, 1.0, 1.0});
  EXPECT_EQ(a.r[2], -kInf);
  EXPECT_TRUE(std::isnan(a.r[3]));
  EXPECT_TRUE(std::isnan(a.ti_a[3]));  // 0 / 0
}

TEST(OrdersTest, FewMeshes) {
  EXPECT_NEAR(Arrays({0.4, 0.2}, {1.16, 1.04}).ti_12[1], 1, 1e-14);
  EXPECT_EQ(Arrays({0.4}, {1.16}).pa[0], 0);  // nothing else to compute
  EXPECT_TRUE(Arrays({}, {}).pa.empty());
}

// The three-mesh relation in logarithmic form, as the apparent order's bisection solves it.
auto relation(double q21, double q32, double r, std::vector<double>& points) {
  return [=, &points](double p) {
    points.push_back(p);
    return p * std::log(q21) - std::log(r * (std::pow(q21, p) - 1) / (std::pow(q32, p) - 1));
  };
}

// Worked examples: the search stops in iteration 31 and 25. f is evaluated once per iteration
// and once at the lower limit, first; the result does not depend on the kept value.
TEST(BisectionTest, WorkedExamples) {
  struct Case {
    double q21, q32, r, tolerance;
    int iterations;
    double expected;
  } cases[] = {{2, 1.5, 5.0 / 3, 1e-8, 31, 2.000000000698492},
               {2, 2, 4, 1e-6, 25, 2.0000000447034836}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.iterations);
    EXPECT_DOUBLE_EQ(solve_apparent_order(controls(c.tolerance, 100), c.q21, c.q32, c.r),
                     c.expected);
    std::vector<double> points;
    EXPECT_EQ(bisect(controls(c.tolerance, 100), relation(c.q21, c.q32, c.r, points)),
              solve_apparent_order(controls(c.tolerance, 100), c.q21, c.q32, c.r));
    EXPECT_EQ(points.size(), static_cast<std::size_t>(c.iterations) + 1);
    EXPECT_EQ(points.front(), 0.5);
    EXPECT_EQ(points[1], 2.75);
    // The stop in iteration n is a failure with a limit of n and a result with n + 1.
    EXPECT_EQ(solve_apparent_order(controls(c.tolerance, c.iterations), c.q21, c.q32, c.r), 0);
    EXPECT_EQ(solve_apparent_order(controls(c.tolerance, c.iterations + 1), c.q21, c.q32, c.r),
              c.expected);
  }
}

// A domain error at the lower limit (p = 0 gives ln(0 / 0)) comes from the first evaluation of
// the first iteration: with one iteration allowed it is raised, with none it is not.
// A domain error at the lower limit (p = 0 gives ln(0 / 0)) comes from the first evaluation of
// the first iteration: with one iteration allowed it is raised, with none it is not.
TEST(BisectionTest, DomainErrorAtTheLowerLimit) {
  recio::MathErrorHold hold;
  EXPECT_EQ(solve_apparent_order(controls(1e-6, 0, 0), 2, 2, 4), 0);
  EXPECT_FALSE(hold.holds());
  solve_apparent_order(controls(1e-6, 1, 0), 2, 2, 4);
  ASSERT_TRUE(hold.holds());
  const recio::MathFault f = hold.take();
  EXPECT_EQ(f.function, "log");
  EXPECT_EQ(f.kind, recio::MathError::Domain);
  std::vector<double> points;
  bisect(controls(1e-6, 1, 0), relation(2, 2, 4, points));
  EXPECT_EQ(points, (std::vector<double>{0, 2.5}));
}

TEST(BisectionTest, IterationLimits) {
  struct Case {
    int max_iterations;
    double expected;
  } cases[] = {
      {0, 0},   // no iteration runs
      {1, 0},   // the only iteration is also the last
      {-5, 0},  // nothing is written
      {25, 0},  // stopping in the last permitted iteration is a failure too
      {26, 2.0000000447034836},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(solve_apparent_order(controls(1e-6, c.max_iterations), 2, 2, 4), c.expected)
        << c.max_iterations;
  }
}

TEST(BisectionTest, RootOutsideTheBracketFails) {
  constexpr std::int32_t kMost = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(solve_apparent_order(controls(1e-12, 200, 3, 5), 2, 2, 4), 0);    // root 2 lies below
  EXPECT_EQ(solve_apparent_order(controls(1e-12, kMost, 3, 5), 2, 2, 4), 0);  // must not spin
  EXPECT_EQ(solve_apparent_order(controls(-1, 200), 2, 2, 4), 0);  // a width never reached
}

// The interval test on mesh 3 from the two schemes' estimates (asymptotic, apparent).
TEST(IntervalTest, Verdicts) {
  constexpr auto kOut = Interval::ExactOutside, kIn = Interval::ExactInside,
                 kNo = Interval::DoesNotApply;
  const double nan = kNan;
  struct Case {
    double a1, b1, a2, b2, exact;
    Interval result;
    double tq, uq;
  } cases[] = {
      {0.0, 2.0, 0.5, 1.5, 1.0, kIn, 1.0, 1.0},
      {2.0, 0.0, 1.5, 0.5, 1.0, kIn, 1.0, 1.0},   // order within a pair is free
      {0.0, 2.0, 0.5, 1.5, 5.0, kOut, 1.0, 1.0},  // exact value outside the band
      {0.0, 2.0, 0.5, 1.5, 0.0, kOut, 1.0, 1.0},  // on the lower edge: outside
      {0.0, 2.0, 0.5, 1.5, 2.0, kOut, 1.0, 1.0},  // on the upper edge: outside
      {0.0, 2.0, 0.0, 1.5, 1.0, kNo, 0, 0},       // touching is not inside
      {0.0, 2.0, 0.5, 2.5, 1.0, kNo, 0, 0},
      {0.0, kInf, 0.5, 1.5, 1.0, kNo, 0, 0},  // Tq infinite: the guard
      {-3e10, 3e10, -1, 1, 0, kIn, 0, 3e10},
      {0, 4e10, 1, 2, 1, kNo, 0, 0},             // Tq beyond 1e10: the guard
      {0.0, 2.0, nan, 1.5, 1.0, kIn, 1.0, 1.0},  // comparisons with a NaN count as satisfied
      {nan, nan, nan, nan, 1.0, kNo, 0, 0},      // Tq is NaN: the guard refuses it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a1 << " " << c.b1 << " " << c.a2 << " " << c.b2);
    const IntervalVerdict v = interval_test(c.a1, c.b1, c.a2, c.b2, c.exact);
    EXPECT_EQ(v.result, c.result);
    EXPECT_EQ(v.applies(), c.result != kNo);
    EXPECT_EQ(v.tq, c.tq);
    EXPECT_EQ(v.uq, c.uq);
  }
}

// Every mesh gets a verdict; the first two never apply, whatever their estimates.
TEST(IntervalTest, OverTheMeshes) {
  const std::vector<double> h = {0.4, 0.2, 0.1}, value = {0, 0, 0};
  const std::vector<double> low_12 = {0, 0.0, 0.0}, low_a = {0, 2.0, 2.0};
  const std::vector<double> high_12 = {0, 0.5, 0.5}, high_a = {0, 1.5, 1.5};
  auto series = [&](const std::vector<double>& ti_12, const std::vector<double>& ti_a) {
    Series s;
    s.h = {h.data(), 3};
    s.value = {value.data(), 3};
    s.ti_12 = {ti_12.data(), 3};
    s.ti_a = {ti_a.data(), 3};
    return s;
  };
  std::vector<double> tq(3, 99), uq(3, 99);
  std::vector<Interval> result(3, Interval::ExactInside);
  test_intervals(series(low_12, low_a), series(high_12, high_a), 1, {tq.data(), 3}, {uq.data(), 3},
                 {result.data(), 3});
  EXPECT_EQ(tq, (std::vector<double>{0, 0, 1}));
  EXPECT_EQ(uq, (std::vector<double>{0, 0, 1}));
  EXPECT_EQ(result, (std::vector<Interval>{Interval::DoesNotApply, Interval::DoesNotApply,
                                           Interval::ExactInside}));
}

}  // namespace
}  // namespace model
