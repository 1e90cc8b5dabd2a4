// A run state of one variable, built in memory for the analysis tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "analysis/state.h"

namespace analysis {

// A run of one variable on the given meshes, both schemes with the same values unless `high` is
// given.
inline std::unique_ptr<State> one_variable(std::vector<double> h, std::vector<double> low,
                                           std::vector<double> high = {}, double exact = 1,
                                           double order_low = 2, double order_high = 2) {
  if (high.empty()) high = low;
  auto run = std::make_unique<State>();
  State& s = *run;
  s.var_count = 1;
  s.mesh_count = static_cast<int>(h.size());
  EXPECT_EQ(s.var_selected.allocate(1), recio::kOk);
  EXPECT_EQ(s.asymptotic_order.allocate(1, 2), recio::kOk);
  EXPECT_EQ(s.mesh_h.allocate(s.mesh_count), recio::kOk);
  EXPECT_EQ(s.exact_value.allocate(1), recio::kOk);
  EXPECT_EQ(s.var_name.allocate(1), recio::kOk);
  for (Table<double>* t : {&s.numerical_solution, &s.extrapolated_asymptotic,
                           &s.extrapolated_apparent, &s.apparent_order, &s.convergence_ratio})
    EXPECT_EQ(t->allocate(1, s.mesh_count, 2), recio::kOk);
  EXPECT_EQ(s.tq_estimate.allocate(1, s.mesh_count), recio::kOk);
  EXPECT_EQ(s.uq_uncertainty.allocate(1, s.mesh_count), recio::kOk);
  s.var_selected(1) = 1;
  s.asymptotic_order(1, 1) = order_low;
  s.asymptotic_order(1, 2) = order_high;
  s.exact_value(1) = exact;
  for (int j = 1; j <= s.mesh_count; ++j) {
    s.mesh_h(j) = h[j - 1];
    s.numerical_solution(1, j, 1) = low[j - 1];
    s.numerical_solution(1, j, 2) = high[j - 1];
  }
  return run;
}

}  // namespace analysis
