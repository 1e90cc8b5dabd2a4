// A run state built in memory for the analysis tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "analysis/state.h"

namespace analysis {

// A run of `variables` variables on the given meshes, every table allocated and every variable
// selected; the first variable's values are `low` and, unless it is given, `high` = `low`.
inline std::unique_ptr<State> one_variable(std::vector<double> h, std::vector<double> low,
                                           std::vector<double> high = {}, double exact = 1,
                                           double order_low = 2, double order_high = 2,
                                           int variables = 1) {
  if (high.empty()) high = low;
  auto run = std::make_unique<State>();
  State& s = *run;
  s.var_count = variables;
  s.mesh_count = static_cast<int>(h.size());
  EXPECT_EQ(s.var_selected.allocate(variables), recio::kOk);
  EXPECT_EQ(s.formal_order.allocate(variables, 2), recio::kOk);
  EXPECT_EQ(s.mesh_h.allocate(s.mesh_count), recio::kOk);
  EXPECT_EQ(s.exact_value.allocate(variables), recio::kOk);
  EXPECT_EQ(s.var_name.allocate(variables), recio::kOk);
  for (Table<double>* t : {&s.numerical_solution, &s.extrapolated_asymptotic,
                           &s.extrapolated_apparent, &s.apparent_order, &s.convergence_ratio})
    EXPECT_EQ(t->allocate(variables, s.mesh_count, 2), recio::kOk);
  EXPECT_EQ(s.tq_estimate.allocate(variables, s.mesh_count), recio::kOk);
  EXPECT_EQ(s.uq_uncertainty.allocate(variables, s.mesh_count), recio::kOk);
  EXPECT_EQ(s.interval_result.allocate(variables, s.mesh_count), recio::kOk);
  for (int var = 1; var <= variables; ++var) {
    s.var_selected(var) = 1;
    s.formal_order(var, 1) = order_low;
    s.formal_order(var, 2) = order_high;
    s.exact_value(var) = exact;
  }
  for (int j = 1; j <= s.mesh_count; ++j) {
    s.mesh_h(j) = h[j - 1];
    if (low.empty()) continue;
    s.numerical_solution(1, j, 1) = low[j - 1];
    s.numerical_solution(1, j, 2) = high[j - 1];
  }
  return run;
}

}  // namespace analysis
