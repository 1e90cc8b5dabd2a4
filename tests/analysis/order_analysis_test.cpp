#include "analysis/order_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "analysis/state.h"

namespace analysis {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

class OrderAnalysisTest : public ::testing::Test {
 protected:
  OrderAnalysisTest() { reset_state(); }
  ~OrderAnalysisTest() override { reset_state(); }

  // One variable on the given meshes, both schemes with the same values unless `high` is given.
  void setup(std::vector<double> h, std::vector<double> low, std::vector<double> high = {},
             double exact = 1, double order_low = 2, double order_high = 2) {
    if (high.empty()) high = low;
    State& s = state();
    s.var_count = 1;
    s.mesh_count = static_cast<int>(h.size());
    ASSERT_EQ(s.var_selected.allocate(1), recio::kOk);
    ASSERT_EQ(s.asymptotic_order.allocate(1, 2), recio::kOk);
    ASSERT_EQ(s.mesh_h.allocate(s.mesh_count), recio::kOk);
    ASSERT_EQ(s.exact_value.allocate(1), recio::kOk);
    for (Table<double>* t : {&s.numerical_solution, &s.extrapolated_asymptotic,
                             &s.extrapolated_apparent, &s.apparent_order, &s.convergence_ratio})
      ASSERT_EQ(t->allocate(1, s.mesh_count, 2), recio::kOk);
    ASSERT_EQ(s.tq_estimate.allocate(1, s.mesh_count), recio::kOk);
    ASSERT_EQ(s.uq_uncertainty.allocate(1, s.mesh_count), recio::kOk);
    s.asymptotic_order(1, 1) = order_low;
    s.asymptotic_order(1, 2) = order_high;
    s.exact_value(1) = exact;
    for (int j = 1; j <= s.mesh_count; ++j) {
      s.mesh_h(j) = h[j - 1];
      s.numerical_solution(1, j, 1) = low[j - 1];
      s.numerical_solution(1, j, 2) = high[j - 1];
    }
    s.var_index = 1;
  }
};

TEST_F(OrderAnalysisTest, WorkedExampleConstantRatio) {
  setup({0.4, 0.2, 0.1}, {1.16, 1.04, 1.01});
  state().iq = 0;
  analyse_variable();
  State& s = state();
  EXPECT_NEAR(s.convergence_ratio(1, 3, 1), 4, 1e-12);
  EXPECT_NEAR(s.apparent_order(1, 3, 1), 2, 1e-12);
  EXPECT_NEAR(s.extrapolated_asymptotic(1, 2, 1), 1, 1e-14);
  EXPECT_NEAR(s.extrapolated_asymptotic(1, 3, 1), 1, 1e-14);
  EXPECT_NEAR(s.extrapolated_apparent(1, 3, 1), 1, 1e-12);
  EXPECT_EQ(s.apparent_order(1, 1, 1), 0);
  EXPECT_EQ(s.apparent_order(1, 2, 2), 0);
}

TEST_F(OrderAnalysisTest, BisectionWorkedExamples) {
  state().pa_max_iterations = 100;
  state().pa_tolerance = 1e-8;
  EXPECT_DOUBLE_EQ(solve_apparent_order(0.5, 5, 2, 1.5, 5.0 / 3), 2.000000000698492);
  state().pa_tolerance = 1e-6;
  EXPECT_DOUBLE_EQ(solve_apparent_order(0.5, 5, 2, 2, 4), 2.0000000447034836);
}

TEST_F(OrderAnalysisTest, BisectionIterationLimits) {
  State& s = state();
  s.pa_tolerance = 1e-6;
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
    s.pa_max_iterations = c.max_iterations;
    EXPECT_DOUBLE_EQ(solve_apparent_order(0.5, 5, 2, 2, 4), c.expected) << c.max_iterations;
  }
}

TEST_F(OrderAnalysisTest, BisectionRootOutsideTheBracketFails) {
  State& s = state();
  s.pa_tolerance = 1e-12;
  s.pa_max_iterations = 200;
  EXPECT_EQ(solve_apparent_order(3, 5, 2, 2, 4), 0);               // root 2 lies below the bracket
  s.pa_max_iterations = std::numeric_limits<std::int32_t>::max();  // must not spin for ages
  EXPECT_EQ(solve_apparent_order(3, 5, 2, 2, 4), 0);
  s.pa_tolerance = -1;  // a tolerance that can never be met
  EXPECT_EQ(solve_apparent_order(0.5, 5, 2, 2, 4), 0);
}

TEST_F(OrderAnalysisTest, VariableRatioUsesTheBisectionAndFloorsNegativeOrders) {
  // h = 0.4, 0.2, 0.1 with values 1 + h^2 in the low scheme; the high scheme diverges.
  setup({0.4, 0.2, 0.1}, {1.16, 1.04, 1.01}, {1.0, 1.1, 1.3});
  State& s = state();
  s.iq = 1;
  s.pa_lower_limit = 0.5;
  s.pa_upper_limit = 5;
  s.pa_tolerance = 1e-10;
  s.pa_max_iterations = 100;
  analyse_variable();
  EXPECT_NEAR(s.apparent_order(1, 3, 1), 2, 1e-9);
  EXPECT_NEAR(s.convergence_ratio(1, 3, 2), 0.5, 1e-12);  // root p = -1
  EXPECT_EQ(s.apparent_order(1, 3, 2), 0) << "a root outside the bracket gives 0";
}

TEST_F(OrderAnalysisTest, RatiosThatGiveNoOrder) {
  State& s = state();
  // Constant ratio with 0 < R <= 1; variable ratio with R <= 0; an unknown mode.
  struct Case {
    int iq;
    std::vector<double> phi;
  } cases[] = {{0, {1.0, 1.5, 2.0}}, {1, {1.0, 2.0, 1.5}}, {7, {1.16, 1.04, 1.01}}};
  for (const Case& c : cases) {
    setup({0.4, 0.2, 0.1}, c.phi);
    s.iq = c.iq;
    s.pa_max_iterations = 50;
    analyse_variable();
    EXPECT_EQ(s.apparent_order(1, 3, 1), 0) << c.iq;
    // pa = 0 makes the apparent-order estimate infinite.
    EXPECT_TRUE(std::isinf(s.extrapolated_apparent(1, 3, 1))) << c.iq;
    reset_state();
  }
}

TEST_F(OrderAnalysisTest, EqualSolutionsGiveInfiniteOrUndefinedRatios) {
  setup({0.4, 0.2, 0.1, 0.05}, {2.0, 1.0, 1.0, 1.0});
  state().iq = 0;
  analyse_variable();
  State& s = state();
  EXPECT_EQ(s.convergence_ratio(1, 3, 1), -kInf);
  EXPECT_TRUE(std::isnan(s.convergence_ratio(1, 4, 1)));
  EXPECT_TRUE(std::isnan(s.extrapolated_apparent(1, 4, 1)));  // 0 / 0
}

TEST_F(OrderAnalysisTest, FewMeshes) {
  setup({0.4, 0.2}, {1.16, 1.04});
  analyse_variable();
  EXPECT_NEAR(state().extrapolated_asymptotic(1, 2, 1), 1, 1e-14);
  reset_state();
  setup({0.4}, {1.16});
  analyse_variable();  // nothing to compute, nothing touched
  EXPECT_EQ(state().apparent_order(1, 1, 1), 0);
}

TEST_F(OrderAnalysisTest, OnlyTheCurrentVariableIsTouched) {
  State& s = state();
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
  s.var_index = 2;
  analyse_variable();
  EXPECT_NEAR(s.extrapolated_asymptotic(2, 3, 2), 1, 1e-14);
  EXPECT_EQ(s.extrapolated_asymptotic(1, 3, 2), 77);
}

class IntervalTest : public OrderAnalysisTest {
 protected:
  // Mesh 3 with the two schemes' estimates (asymptotic, apparent) and the exact value.
  void estimates(double a1, double b1, double a2, double b2, double exact) {
    setup({0.4, 0.2, 0.1}, {0, 0, 0}, {}, exact);
    State& s = state();
    s.extrapolated_asymptotic(1, 3, 1) = a1;
    s.extrapolated_apparent(1, 3, 1) = b1;
    s.extrapolated_asymptotic(1, 3, 2) = a2;
    s.extrapolated_apparent(1, 3, 2) = b2;
    s.mesh_index = 3;
    assess_intervals();
  }
};

TEST_F(IntervalTest, Verdicts) {
  struct Case {
    double a1, b1, a2, b2, exact;
    const char* applies;
    const char* inside;
    double tq, uq;
  } cases[] = {
      {0.0, 2.0, 0.5, 1.5, 1.0, "SIM", "sim", 1.0, 1.0},
      {2.0, 0.0, 1.5, 0.5, 1.0, "SIM", "sim", 1.0, 1.0},     // order within a pair is free
      {0.0, 2.0, 0.5, 1.5, 5.0, "SIM", "N\xC3O", 1.0, 1.0},  // exact value outside the band
      {0.0, 2.0, 0.5, 1.5, 0.0, "SIM", "N\xC3O", 1.0, 1.0},  // on the lower edge: outside
      {0.0, 2.0, 0.5, 1.5, 2.0, "SIM", "N\xC3O", 1.0, 1.0},  // on the upper edge: outside
      {0.0, 2.0, 0.0, 1.5, 1.0, "N\xE3o", "---", 0, 0},      // touching is not inside
      {0.0, 2.0, 0.5, 2.5, 1.0, "N\xE3o", "---", 0, 0},
      {0.0, kInf, 0.5, 1.5, 1.0, "N\xE3o", "---", 0, 0},  // Tq infinite: the guard
      {-3e10, 3e10, -1, 1, 0, "SIM", "sim", 0, 3e10},
      {0, 4e10, 1, 2, 1, "N\xE3o", "---", 0, 0},  // Tq beyond 1e10: the guard
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a1 << " " << c.b1 << " " << c.a2 << " " << c.b2);
    estimates(c.a1, c.b1, c.a2, c.b2, c.exact);
    State& s = state();
    EXPECT_EQ(s.applies_text.view(), c.applies);
    EXPECT_EQ(s.exact_inside_text.view(), c.inside);
    EXPECT_EQ(s.tq_estimate(1, 3), c.tq);
    EXPECT_EQ(s.uq_uncertainty(1, 3), c.uq);
    reset_state();
  }
}

TEST_F(IntervalTest, NaNComparisonsCountAsSatisfied) {
  double nan = std::nan("");
  estimates(0.0, 2.0, nan, 1.5, 1.0);
  EXPECT_EQ(state().applies_text.view(), "SIM");
  reset_state();
  estimates(nan, nan, nan, nan, 1.0);  // Tq is NaN: the guard refuses it
  EXPECT_EQ(state().applies_text.view(), "N\xE3o");
  EXPECT_EQ(state().tq_estimate(1, 3), 0);
}

}  // namespace
}  // namespace analysis
