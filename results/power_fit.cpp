#include "results/power_fit.h"

#include <algorithm>
#include <boost/math/tools/minima.hpp>
#include <boost/math/tools/toms748_solve.hpp>
#include <cmath>
#include <cstdint>
#include <limits>

namespace results::detail {

namespace {

double regressor(double p, double u) {
  return p == 0 ? u : std::expm1(p * u) / p;
}

}  // namespace

PowerProblem::PowerProblem(const Grids& grids, std::span<double> x) : g_(grids), x_(x) {
  for (std::size_t i = 0; i < g_.phi.size(); ++i) y_mean_ += g_.w[i] * g_.phi[i];
  y_mean_ /= g_.w_sum;
}

Line PowerProblem::line(double p) {
  const std::span<const double> u = p < 0 ? g_.u_fine : g_.u_coarse;
  const std::size_t n = u.size();
  const double y_mean = y_mean_;
  double x_mean = 0;
  for (std::size_t i = 0; i < n; ++i) {
    x_[i] = regressor(p, u[i]);
    x_mean += g_.w[i] * x_[i];
  }
  x_mean /= g_.w_sum;
  double sxx = 0, sxy = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double dx = x_[i] - x_mean;
    sxx += g_.w[i] * dx * dx;
    sxy += g_.w[i] * dx * (g_.phi[i] - y_mean);
  }
  Line l;
  l.x_mean = x_mean;
  l.sxx = sxx;
  l.b = sxx > 0 ? sxy / sxx : 0;
  l.a = y_mean - l.b * x_mean;
  // The residuals themselves rather than Syy - Sxy^2 / Sxx, which cancels near a perfect fit.
  for (std::size_t i = 0; i < n; ++i) {
    const double r = g_.phi[i] - l.a - l.b * x_[i];
    l.s += g_.w[i] * r * r;
  }
  return l;
}

double PowerProblem::slope(double p) {
  const Line l = line(p);
  const std::span<const double> u = g_.u_coarse;
  double sum = 0;
  for (std::size_t i = 0; i < u.size(); ++i) {
    const double dx = (u[i] * std::exp(p * u[i]) - x_[i]) / p;
    sum += g_.w[i] * (g_.phi[i] - l.a - l.b * x_[i]) * dx;
  }
  return -2 * l.b * sum;
}

Minimum brent_order(PowerProblem& problem, double lo, double hi) {
  auto s = [&](double p) { return problem.line(p).s; };
  std::uintmax_t iterations = 200;
  const auto [p, s_min] = boost::math::tools::brent_find_minima(
      s, lo, hi, std::numeric_limits<double>::digits, iterations);
  return {p, s_min};
}

double polish_order(PowerProblem& problem, Minimum brent, double hi, double relative_slack,
                    double absolute_slack) {
  // Brent's method stops at about sqrt(epsilon) relative to p. The minimum is a root of dS/dp,
  // which a bracketing solver finds to full precision: widen a bracket around p until the
  // slope changes sign, then solve inside it.
  auto slope = [&](double q) { return problem.slope(q); };
  const double brent_p = brent.p;
  double p = brent_p;
  for (double d = 1e-6 * p; d < 0.5 * p; d *= 4) {
    const double lo = p - d;
    const double up = std::min(p + d, hi);
    const double g_lo = slope(lo), g_up = slope(up);
    if (g_lo == 0 || g_up == 0) {
      p = g_lo == 0 ? lo : up;
      break;
    }
    if (g_lo < 0 && g_up > 0) {
      std::uintmax_t steps = 100;
      auto [a, b] = boost::math::tools::toms748_solve(
          slope, lo, up, g_lo, g_up, boost::math::tools::eps_tolerance<double>(), steps);
      p = 0.5 * (a + b);
      break;
    }
  }
  // Brent's S(p) is the value line(p) gives: the same function of p.
  if (p != brent_p && !(problem.line(p).s <= brent.s * (1 + relative_slack) + absolute_slack))
    p = brent_p;
  return p;
}

double refine_order(PowerProblem& problem, Minimum brent, double hi, double relative_slack,
                    double absolute_slack) {
  const double d = 1e-6 * brent.p;
  double lo = brent.p - d, up = std::min(brent.p + d, hi);
  double g_lo = problem.slope(lo), g_up = problem.slope(up);
  if (!(g_lo < 0 && g_up > 0))
    return polish_order(problem, brent, hi, relative_slack, absolute_slack);
  // Near the minimum dS/dp is all but linear: each step takes the error e to about e^2 / p.
  double p = brent.p;
  for (int step = 0; step < 2; ++step) {
    p = lo - g_lo * (up - lo) / (g_up - g_lo);
    if (!(p > lo && p < up)) break;
    const double g = problem.slope(p);
    if (g == 0) break;
    if (g < 0) {
      lo = p;
      g_lo = g;
    } else {
      up = p;
      g_up = g;
    }
  }
  if (!(p > 0) || !(problem.line(p).s <= brent.s * (1 + relative_slack) + absolute_slack))
    return brent.p;
  return p;
}

}  // namespace results::detail
