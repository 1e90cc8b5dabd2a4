#include "analysis/order_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "analysis/one_variable.h"
#include "analysis/state.h"
#include "recio/math_functions.h"

namespace analysis {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

BisectionControls controls(double tolerance, std::int32_t max_iterations, double lower = 0.5,
                           double upper = 5) {
  return {.lower = lower, .upper = upper, .tolerance = tolerance, .max_iterations = max_iterations};
}

TEST(OrderAnalysisTest, WorkedExampleConstantRatio) {
  auto run = one_variable({0.4, 0.2, 0.1}, {1.16, 1.04, 1.01});
  State& s = *run;
  s.iq = 0;
  analyse_variable(s, 1);
  EXPECT_NEAR(s.convergence_ratio(1, 3, 1), 4, 1e-12);
  EXPECT_NEAR(s.apparent_order(1, 3, 1), 2, 1e-12);
  EXPECT_NEAR(s.extrapolated_asymptotic(1, 2, 1), 1, 1e-14);
  EXPECT_NEAR(s.extrapolated_asymptotic(1, 3, 1), 1, 1e-14);
  EXPECT_NEAR(s.extrapolated_apparent(1, 3, 1), 1, 1e-12);
  EXPECT_EQ(s.apparent_order(1, 1, 1), 0);
  EXPECT_EQ(s.apparent_order(1, 2, 2), 0);
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
TEST(OrderAnalysisTest, BisectionWorkedExamples) {
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
TEST(OrderAnalysisTest, BisectionDomainErrorAtTheLowerLimit) {
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

TEST(OrderAnalysisTest, BisectionIterationLimits) {
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

TEST(OrderAnalysisTest, BisectionRootOutsideTheBracketFails) {
  constexpr std::int32_t kMost = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(solve_apparent_order(controls(1e-12, 200, 3, 5), 2, 2, 4), 0);    // root 2 lies below
  EXPECT_EQ(solve_apparent_order(controls(1e-12, kMost, 3, 5), 2, 2, 4), 0);  // must not spin
  EXPECT_EQ(solve_apparent_order(controls(-1, 200), 2, 2, 4), 0);  // a width never reached
}

TEST(OrderAnalysisTest, VariableRatioUsesTheBisectionAndFloorsNegativeOrders) {
  // h = 0.4, 0.2, 0.1 with values 1 + h^2 in the low scheme; the high scheme diverges.
  auto run = one_variable({0.4, 0.2, 0.1}, {1.16, 1.04, 1.01}, {1.0, 1.1, 1.3});
  State& s = *run;
  s.iq = 1;
  s.pa_lower_limit = 0.5;
  s.pa_upper_limit = 5;
  s.pa_tolerance = 1e-10;
  s.pa_max_iterations = 100;
  analyse_variable(s, 1);
  EXPECT_NEAR(s.apparent_order(1, 3, 1), 2, 1e-9);
  EXPECT_NEAR(s.convergence_ratio(1, 3, 2), 0.5, 1e-12);  // root p = -1
  EXPECT_EQ(s.apparent_order(1, 3, 2), 0) << "a root outside the bracket gives 0";
}

TEST(OrderAnalysisTest, RatiosThatGiveNoOrder) {
  // Constant ratio with 0 < R <= 1; variable ratio with R <= 0; an unknown mode.
  struct Case {
    int iq;
    std::vector<double> phi;
  } cases[] = {{0, {1.0, 1.5, 2.0}}, {1, {1.0, 2.0, 1.5}}, {7, {1.16, 1.04, 1.01}}};
  for (const Case& c : cases) {
    auto run = one_variable({0.4, 0.2, 0.1}, c.phi);
    State& s = *run;
    s.iq = c.iq;
    s.pa_max_iterations = 50;
    analyse_variable(s, 1);
    EXPECT_EQ(s.apparent_order(1, 3, 1), 0) << c.iq;
    // pa = 0 makes the apparent-order estimate infinite.
    EXPECT_TRUE(std::isinf(s.extrapolated_apparent(1, 3, 1))) << c.iq;
  }
}

TEST(OrderAnalysisTest, EqualSolutionsGiveInfiniteOrUndefinedRatios) {
  auto run = one_variable({0.4, 0.2, 0.1, 0.05}, {2.0, 1.0, 1.0, 1.0});
  State& s = *run;
  s.iq = 0;
  analyse_variable(s, 1);
  EXPECT_EQ(s.convergence_ratio(1, 3, 1), -kInf);
  EXPECT_TRUE(std::isnan(s.convergence_ratio(1, 4, 1)));
  EXPECT_TRUE(std::isnan(s.extrapolated_apparent(1, 4, 1)));  // 0 / 0
}

TEST(OrderAnalysisTest, FewMeshes) {
  auto two = one_variable({0.4, 0.2}, {1.16, 1.04});
  analyse_variable(*two, 1);
  EXPECT_NEAR(two->extrapolated_asymptotic(1, 2, 1), 1, 1e-14);
  auto one = one_variable({0.4}, {1.16});
  analyse_variable(*one, 1);  // nothing to compute, nothing touched
  EXPECT_EQ(one->apparent_order(1, 1, 1), 0);
}

TEST(OrderAnalysisTest, OnlyTheGivenVariableIsTouched) {
  State s;
  s.mesh_count = 3;
  ASSERT_EQ(s.mesh_h.allocate(3), recio::kOk);
  ASSERT_EQ(s.asymptotic_order.allocate(2, 2), recio::kOk);
  for (Table<double>* t : {&s.numerical_solution, &s.extrapolated_asymptotic,
                           &s.extrapolated_apparent, &s.apparent_order, &s.convergence_ratio})
    ASSERT_EQ(t->allocate(2, 3, 2), recio::kOk);
  for (int j = 1; j <= 3; ++j) {
    s.mesh_h(j) = 0.4 / (1 << (j - 1));
    for (int k = 1; k <= 2; ++k) {
      s.numerical_solution(2, j, k) = 1 + s.mesh_h(j) * s.mesh_h(j);
      s.extrapolated_asymptotic(1, j, k) = 77;
    }
  }
  s.asymptotic_order(2, 1) = s.asymptotic_order(2, 2) = 2;
  analyse_variable(s, 2);
  EXPECT_NEAR(s.extrapolated_asymptotic(2, 3, 2), 1, 1e-14);
  EXPECT_EQ(s.extrapolated_asymptotic(1, 3, 2), 77);
}

// The interval test on mesh 3 from the two schemes' estimates (asymptotic, apparent).
TEST(IntervalTest, Verdicts) {
  constexpr auto kOut = Interval::ExactOutside, kIn = Interval::ExactInside,
                 kNo = Interval::DoesNotApply;
  const double nan = std::nan("");
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
    auto run = one_variable({0.4, 0.2, 0.1}, {0, 0, 0}, {}, c.exact);
    State& s = *run;
    s.extrapolated_asymptotic(1, 3, 1) = c.a1;
    s.extrapolated_apparent(1, 3, 1) = c.b1;
    s.extrapolated_asymptotic(1, 3, 2) = c.a2;
    s.extrapolated_apparent(1, 3, 2) = c.b2;
    s.tq_estimate(1, 3) = s.uq_uncertainty(1, 3) = 99;  // the verdict replaces both
    IntervalVerdict v = assess_intervals(s, 1, 3);
    EXPECT_EQ(v.result, c.result);
    EXPECT_EQ(v.applies(), c.result != kNo);
    EXPECT_EQ(v.tq, c.tq);
    EXPECT_EQ(v.uq, c.uq);
    EXPECT_EQ(s.tq_estimate(1, 3), c.tq);
    EXPECT_EQ(s.uq_uncertainty(1, 3), c.uq);
  }
}

}  // namespace
}  // namespace analysis
