#include "analysis/order_analysis.h"

#include <gtest/gtest.h>

#include <cmath>

#include "analysis/one_variable.h"
#include "analysis/run_numbers.h"
#include "analysis/state.h"

namespace analysis {
namespace {

// The run's tables hold a variable's values a row of variables apart: the analysis of one
// variable reads and writes only its own elements, and the model reads them in place.
TEST(OrderAnalysisTest, OnlyTheGivenVariableIsTouched) {
  auto run = one_variable({0.4, 0.2, 0.1}, {}, {}, 1, 2, 2, /*variables=*/2);
  State& s = *run;
  for (int j = 1; j <= 3; ++j) {
    for (int k = 1; k <= 2; ++k) {
      s.numerical_solution(2, j, k) = 1 + s.mesh_h(j) * s.mesh_h(j);
      s.extrapolated_asymptotic(1, j, k) = 77;
    }
    s.tq_estimate(1, j) = 77;
  }
  analyse_variable(s, 2);
  EXPECT_NEAR(s.extrapolated_asymptotic(2, 3, 2), 1, 1e-14);
  EXPECT_EQ(s.extrapolated_asymptotic(1, 3, 2), 77);
  EXPECT_EQ(s.tq_estimate(1, 3), 77);

  const model::Series high = series(s, 2, kHighScheme);
  EXPECT_EQ(high.scheme, "high");
  EXPECT_EQ(high.formal_order, 2);
  ASSERT_EQ(high.mesh_count(), 3u);
  EXPECT_EQ(high.q21(2), 2);
  for (std::size_t j = 0; j < 3; ++j) {
    const auto mesh = static_cast<std::int64_t>(j) + 1;
    EXPECT_EQ(high.value[j], s.numerical_solution(2, mesh, 2));
    EXPECT_EQ(high.apparent_order[j], s.apparent_order(2, mesh, 2));
    EXPECT_EQ(high.ti_12[j], s.extrapolated_asymptotic(2, mesh, 2));
    EXPECT_EQ(high.ti_a[j], s.extrapolated_apparent(2, mesh, 2));
  }
}

// The analysis stores every interval verdict, which the report and the extras only read: on
// each mesh from the third the high-order estimates lie inside the low-order ones, and only the
// first variable's exact value lies inside the band.
TEST(OrderAnalysisTest, RunNumbersOfTheSelectedVariables) {
  auto run = one_variable({0.4, 0.2, 0.1, 0.05}, {}, {}, 1, 0.9, 2, /*variables=*/3);
  State& s = *run;
  s.run_title = "T\xEDtulo";
  s.report_file_name = "rel.txt";
  for (int var = 1; var <= 3; ++var) {
    s.var_selected(var) = var == 2 ? 0 : 1;
    s.var_name(var) = var == 1 ? "primeira" : "terceira";
    s.exact_value(var) = var == 1 ? 1 : 0.5;
    for (int j = 1; j <= 4; ++j) {
      const double h = s.mesh_h(j);
      s.numerical_solution(var, j, 1) = 1 + h * h + 0.1 * h;
      s.numerical_solution(var, j, 2) = 1 + h * h;
    }
    analyse_variable(s, var);
  }

  const model::Numbers numbers = run_numbers(s);
  EXPECT_EQ(numbers.title, "T\xC3\xADtulo");
  EXPECT_EQ(numbers.source, "rel.txt");
  EXPECT_EQ(numbers.h, (std::vector<double>{0.4, 0.2, 0.1, 0.05}));
  ASSERT_EQ(numbers.variables.size(), 2u);
  const model::Variable& first = numbers.variables[0];
  EXPECT_EQ(first.number, 1);
  EXPECT_EQ(first.name, "primeira");
  EXPECT_EQ(numbers.variables[1].number, 3);
  EXPECT_EQ(first.schemes[kLowScheme].formal_order, 0.9);
  ASSERT_TRUE(first.intervals && numbers.variables[1].intervals);
  for (std::size_t j : {2u, 3u}) {
    const auto mesh = static_cast<std::int64_t>(j) + 1;
    const model::Intervals& a = *first.intervals;
    EXPECT_EQ(a.result[j], model::Interval::ExactInside) << j;
    EXPECT_GT(a.uq[j], 0);
    EXPECT_NEAR(a.tq[j], 1, a.uq[j]);
    EXPECT_EQ(a.tq[j], s.tq_estimate(1, mesh));
    const model::Intervals& b = *numbers.variables[1].intervals;
    EXPECT_EQ(b.result[j], model::Interval::ExactOutside);
    EXPECT_EQ(b.tq[j], a.tq[j]);
  }
  EXPECT_EQ(first.intervals->result[1], model::Interval::DoesNotApply);
}

}  // namespace
}  // namespace analysis
