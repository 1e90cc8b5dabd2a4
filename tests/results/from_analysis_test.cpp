#include "results/from_analysis.h"

#include <gtest/gtest.h>

#include <cmath>

#include "analysis/order_analysis.h"
#include "analysis/state.h"

namespace results {
namespace {

// Two variables of which the second is not selected, on four meshes: the low-order scheme
// 1 + h, the high-order one 1 + h^2 + (second variable) ... the analysis's own tables.
TEST(FromAnalysisTest, CopiesTheSelectedVariablesAndFindsTheIntervalTexts) {
  analysis::State s;
  const double h[] = {0.4, 0.2, 0.1, 0.05};
  s.var_count = 3;
  s.mesh_count = 4;
  s.iq = 0;
  s.run_title = "T\xEDtulo";
  s.report_file_name = "rel.txt";
  ASSERT_EQ(s.var_selected.allocate(3), recio::kOk);
  ASSERT_EQ(s.asymptotic_order.allocate(3, 2), recio::kOk);
  ASSERT_EQ(s.mesh_h.allocate(4), recio::kOk);
  ASSERT_EQ(s.exact_value.allocate(3), recio::kOk);
  ASSERT_EQ(s.var_name.allocate(3), recio::kOk);
  for (analysis::Table<double>* t :
       {&s.numerical_solution, &s.extrapolated_asymptotic, &s.extrapolated_apparent,
        &s.apparent_order, &s.convergence_ratio})
    ASSERT_EQ(t->allocate(3, 4, 2), recio::kOk);
  ASSERT_EQ(s.tq_estimate.allocate(3, 4), recio::kOk);
  ASSERT_EQ(s.uq_uncertainty.allocate(3, 4), recio::kOk);
  for (int j = 1; j <= 4; ++j) s.mesh_h(j) = h[j - 1];
  for (int var = 1; var <= 3; ++var) {
    s.var_selected(var) = var == 2 ? 0 : 1;
    s.var_name(var) = var == 1 ? "primeira" : "terceira";
    s.exact_value(var) = var == 1 ? 1 : 0.5;  // the third lies outside its interval
    s.asymptotic_order(var, 1) = 0.9;
    s.asymptotic_order(var, 2) = 2;
    for (int j = 1; j <= 4; ++j) {
      s.numerical_solution(var, j, 1) = 1 + h[j - 1] * h[j - 1] + 0.1 * h[j - 1];
      s.numerical_solution(var, j, 2) = 1 + h[j - 1] * h[j - 1];
    }
    analysis::analyse_variable(s, var);
  }

  RunInput run = from_analysis(analysis::RunView(s));
  EXPECT_EQ(run.h, std::vector<double>(std::begin(h), std::end(h)));
  EXPECT_EQ(run.title, "T\xEDtulo");
  EXPECT_EQ(run.report_name, "rel.txt");
  ASSERT_EQ(run.variables.size(), 2u);
  const VariableInput& first = run.variables[0];
  EXPECT_EQ(first.index, 1);
  EXPECT_EQ(first.name, "primeira");
  EXPECT_EQ(run.variables[1].index, 3);
  EXPECT_EQ(first.formal_order[kLow], 0.9);
  ASSERT_EQ(first.schemes[kHigh].size(), 4u);
  EXPECT_EQ(first.schemes[kHigh][3].value, s.numerical_solution(1, 4, 2));
  EXPECT_EQ(first.schemes[kLow][2].convergence_ratio, s.convergence_ratio(1, 3, 1));
  EXPECT_EQ(first.schemes[kLow][3].apparent_order, s.apparent_order(1, 4, 1));
  EXPECT_EQ(first.schemes[kLow][1].ti_12, s.extrapolated_asymptotic(1, 2, 1));
  EXPECT_EQ(first.schemes[kHigh][3].ti_a, s.extrapolated_apparent(1, 4, 2));
  EXPECT_TRUE(std::isnan(first.schemes[kLow][1].ti_a));
  EXPECT_TRUE(std::isnan(first.schemes[kLow][0].ti_12));

  // The interval test as the report runs it: on each mesh from the third, the high-order
  // estimates lie inside the low-order ones.
  for (std::size_t j : {2u, 3u}) {
    const IntervalInput& a = first.intervals[j];
    EXPECT_TRUE(a.applies) << j;
    EXPECT_TRUE(a.exact_inside) << j;
    EXPECT_GT(a.uq, 0);
    EXPECT_NEAR(a.tq, 1, a.uq);
    const IntervalInput& b = run.variables[1].intervals[j];
    EXPECT_TRUE(b.applies);
    EXPECT_FALSE(b.exact_inside);
    EXPECT_EQ(b.tq, a.tq);
  }
}

}  // namespace
}  // namespace results
