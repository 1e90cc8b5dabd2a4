// Order-of-accuracy analysis of one variable: convergence ratios, apparent orders (closed form
// for a constant refinement ratio, bisection for a variable one), Richardson extrapolations with
// the formal and the apparent order, and the interval test that combines the two schemes.
#pragma once

namespace analysis {

// Fills the slices of variable state().var_index in convergence_ratio, apparent_order,
// extrapolated_asymptotic and extrapolated_apparent. A logarithm or power outside its domain
// ends the run through the run-time's mathematical-function error.
void analyse_variable();

// The apparent order p solving R = q21^p (q32^p - 1) / (q21^p - 1) by bisection on
// [lower, upper] within state().pa_max_iterations and state().pa_tolerance; 0 when the search
// fails (including a stop in its last permitted iteration).
double solve_apparent_order(double lower, double upper, double q21, double q32, double r);

// The interval test for variable state().var_index on mesh state().mesh_index (3 or more): sets
// applies_text and exact_inside_text, and tq_estimate and uq_uncertainty when it passes.
void assess_intervals();

}  // namespace analysis
