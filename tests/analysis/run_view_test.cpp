#include "analysis/run_view.h"

#include <gtest/gtest.h>

#include "analysis/one_variable.h"
#include "analysis/order_analysis.h"

namespace analysis {
namespace {

// The view reads what the analysis stored, by scheme and mesh, and the verdicts the report would
// show.
TEST(RunViewTest, ReadsTheAnalysedTables) {
  auto run = one_variable({0.4, 0.2, 0.1}, {1.16, 1.04, 1.01}, {1.02, 1.005, 1.00125}, 1, 1, 2);
  State& s = *run;
  s.var_name(1) = "pressure";
  s.run_title = "t";
  s.report_file_name = "rel.txt";
  analyse_variable(s, 1);

  const RunView view(s);
  EXPECT_EQ(view.title(), "t");
  EXPECT_EQ(view.report_name(), "rel.txt");
  EXPECT_EQ(view.mesh_count(), 3);
  EXPECT_EQ(view.q21(3), 2);
  const VariableView v = view.variable(1);
  EXPECT_TRUE(v.selected());
  EXPECT_EQ(v.name(), "pressure");
  EXPECT_EQ(v.formal_order(Scheme::Low), 1);
  EXPECT_EQ(v.formal_order(Scheme::High), 2);
  EXPECT_EQ(v.value(2, Scheme::High), 1.005);
  EXPECT_EQ(v.convergence_ratio(3, Scheme::Low), s.convergence_ratio(1, 3, 1));
  EXPECT_EQ(v.apparent_order(3, Scheme::High), s.apparent_order(1, 3, 2));
  EXPECT_EQ(v.ti_12(2, Scheme::Low), s.extrapolated_asymptotic(1, 2, 1));
  EXPECT_EQ(v.ti_a(3, Scheme::High), s.extrapolated_apparent(1, 3, 2));

  const IntervalVerdict shown = assess_intervals(s, 1, 3);
  const IntervalVerdict seen = v.interval(3);
  EXPECT_EQ(seen.result, shown.result);
  EXPECT_EQ(seen.tq, shown.tq);
  EXPECT_EQ(seen.uq, shown.uq);
}

}  // namespace
}  // namespace analysis
