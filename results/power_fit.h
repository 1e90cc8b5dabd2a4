// Internal to results/: the weighted least-squares fit of phi ~ phi0 + alpha h^p for a fixed p
// and the one-dimensional search for p, shared by fit_power_law (measures.h) and the
// uncertainty estimate (eca_hoekstra.h). Nothing here allocates.
#pragma once

#include <cstddef>
#include <span>

namespace results::detail {

// phi ~ a + b x(p) for one p, by weighted least squares.
struct Line {
  double a = 0, b = 0;
  double s = 0;       // weighted residual sum, sum w (phi - a - b x)^2
  double x_mean = 0;  // weighted mean of x(p)
  double sxx = 0;     // sum w (x - x_mean)^2
};

// The fit works on u = ln(h / h_ref) and the regressor x(p) = (e^(p u) - 1) / p, an affine image
// of (h / h_ref)^p: the residual sum is the same as with h^p, the sums stay well scaled for any
// p, and x tends to u as p tends to 0, so S(p) is smooth through p = 0. h_ref is the coarsest
// size for p >= 0 and the finest for p < 0, so that e^(p u) <= 1 never overflows.
class PowerProblem {
 public:
  struct Grids {
    std::span<const double> u_coarse;  // ln(h / h_max), one per grid
    std::span<const double> u_fine;    // ln(h / h_min); may be empty if p < 0 is never asked for
    std::span<const double> phi;
    std::span<const double> w;  // weights, one per grid
    double w_sum = 0;           // their sum
  };
  // `x` (one element per grid) holds the regressor of the last line() call.
  PowerProblem(const Grids& grids, std::span<double> x);

  Line line(double p);
  // dS/dp at the best line for p > 0 (the line's own derivatives vanish there).
  double slope(double p);
  std::span<const double> x() const { return x_; }

 private:
  Grids g_;
  std::span<double> x_;
  double y_mean_ = 0;  // the weighted mean of phi, the same for every p
};

struct Minimum {
  double p = 0;
  double s = 0;  // S(p)
};
// The p in [lo, hi] of least S(p) by Brent's method (Boost.Math): about 8 significant digits.
Minimum brent_order(PowerProblem& problem, double lo, double hi);
// Takes Brent's minimum, 0 < p < hi, to full precision as the root of dS/dp near it. Keeps p
// when no root is found or S at the root exceeds S(p) (1 + relative_slack) + absolute_slack:
// slack for the rounding of S lets the root win over a p whose S is lower only by a rounding.
double polish_order(PowerProblem& problem, Minimum brent, double hi, double relative_slack = 0,
                    double absolute_slack = 0);

// The same to full precision in fewer evaluations, for a search run many times over (every point
// of a field): from Brent's p, good to about 8 digits, two steps of regula falsi on dS/dp inside
// a bracket of a millionth of p. Falls back on polish_order when that bracket does not hold the
// root, and keeps Brent's p on the same terms as it.
double refine_order(PowerProblem& problem, Minimum brent, double hi, double relative_slack,
                    double absolute_slack);

}  // namespace results::detail
