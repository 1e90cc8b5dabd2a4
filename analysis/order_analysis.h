// The run's order-of-accuracy analysis: one variable at a time, the model's formulas applied in
// place to the run's tables.
#pragma once

#include <cstdint>

#include "analysis/state.h"
#include "model/formulas.h"

namespace analysis {

// The apparent order's method and bisection controls, as "dados.r33" gives them.
model::OrderSolver order_solver(const State& s);

// Computes every number of variable `var` in `s` from its inputs there: per scheme R and pa
// (low-order scheme first, then the high-order one), then per scheme Ti_12 and Ti_a, then the
// interval test of every mesh (tq_estimate, uq_uncertainty, interval_result). Touches no other
// variable's elements and no other field. A logarithm or power outside its domain goes to the
// run-time's mathematical-function error (which ends the run, or is held: see
// recio::MathErrorHold).
void analyse_variable(State& s, std::int32_t var);

}  // namespace analysis
