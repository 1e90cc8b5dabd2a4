#include "results/measures.h"

#include <algorithm>
#include <boost/math/tools/minima.hpp>
#include <boost/math/tools/toms748_solve.hpp>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace results {

Convergence classify(double r) {
  if (std::isnan(r)) return Convergence::None;
  if (r > 1) return Convergence::Monotonic;
  if (r >= 0) return Convergence::Divergent;
  if (r < -1) return Convergence::Oscillatory;
  return Convergence::OscillatoryDivergent;
}

std::string_view convergence_name(Convergence c) {
  switch (c) {
    case Convergence::Monotonic:
      return "monotonic";
    case Convergence::Divergent:
      return "divergent";
    case Convergence::Oscillatory:
      return "oscillatory";
    case Convergence::OscillatoryDivergent:
      return "oscillatory-divergent";
    case Convergence::None:
      break;
  }
  return {};
}

double gci(double fs, double t, double t_coarser, double q21, double pa) {
  if (!(pa > 0)) return std::numeric_limits<double>::quiet_NaN();
  return fs * std::fabs((t - t_coarser) / t) / (std::pow(q21, pa) - 1);
}

namespace {

// The fit works on u = ln(h / h_max) and the regressor x(p) = (e^(p u) - 1) / p, an affine image
// of (h / h_max)^p: the residual sum is the same as with h^p, the sums stay well scaled for any
// p, and x tends to u as p tends to 0, so S(p) is smooth on the whole closed interval [0, 10].
class PowerLawProblem {
 public:
  PowerLawProblem(std::span<const double> h, std::span<const double> phi) : phi_(phi) {
    const double h_max = *std::max_element(h.begin(), h.end());
    for (double v : h) u_.push_back(std::log(v / h_max));
    h_max_ = h_max;
  }

  struct Line {
    double a = 0, b = 0, s = 0;  // phi ~ a + b x(p), residual sum s
  };

  double x(double p, double u) const { return p == 0 ? u : std::expm1(p * u) / p; }

  Line line(double p) const {
    const std::size_t n = u_.size();
    double x_mean = 0, y_mean = 0;
    for (std::size_t i = 0; i < n; ++i) {
      x_mean += x(p, u_[i]);
      y_mean += phi_[i];
    }
    x_mean /= static_cast<double>(n);
    y_mean /= static_cast<double>(n);
    double sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < n; ++i) {
      double dx = x(p, u_[i]) - x_mean;
      sxx += dx * dx;
      sxy += dx * (phi_[i] - y_mean);
    }
    Line l;
    l.b = sxx > 0 ? sxy / sxx : 0;
    l.a = y_mean - l.b * x_mean;
    // The residuals themselves rather than Syy - Sxy^2 / Sxx, which cancels near a perfect fit.
    for (std::size_t i = 0; i < n; ++i) {
      double r = phi_[i] - l.a - l.b * x(p, u_[i]);
      l.s += r * r;
    }
    return l;
  }

  // dS/dp at the best line for p (the line's own derivatives vanish there): -2 b sum r dx/dp.
  double slope(double p) const {
    Line l = line(p);
    double sum = 0;
    for (std::size_t i = 0; i < u_.size(); ++i) {
      double xi = x(p, u_[i]);
      double dx = (u_[i] * std::exp(p * u_[i]) - xi) / p;
      sum += (phi_[i] - l.a - l.b * xi) * dx;
    }
    return -2 * l.b * sum;
  }

  PowerLawFit result(double p) const {
    Line l = line(p);
    PowerLawFit fit;
    fit.outcome = FitOutcome::Fitted;
    fit.p = p;
    fit.phi0 = l.a - l.b / p;
    fit.alpha = l.b / p / std::pow(h_max_, p);
    fit.sigma = std::sqrt(l.s / static_cast<double>(u_.size() - 3));
    return fit;
  }

 private:
  std::span<const double> phi_;
  std::vector<double> u_;
  double h_max_ = 1;
};

// A minimum this close to an end of the interval is the end itself: the data ask for an order
// outside (0, 10], which no power law of the kind fitted here gives.
constexpr double kEndMargin = 1e-4;

}  // namespace

PowerLawFit fit_power_law(std::span<const double> h, std::span<const double> phi) {
  PowerLawFit fit;
  if (h.size() != phi.size() || h.size() < 4) return fit;
  auto finite = [](double v) { return std::isfinite(v); };
  if (!std::all_of(h.begin(), h.end(), [](double v) { return std::isfinite(v) && v > 0; }) ||
      !std::all_of(phi.begin(), phi.end(), finite)) {
    fit.outcome = FitOutcome::InvalidData;
    return fit;
  }
  fit.outcome = FitOutcome::NoPowerLaw;
  auto [h_min, h_max] = std::minmax_element(h.begin(), h.end());
  auto [phi_min, phi_max] = std::minmax_element(phi.begin(), phi.end());
  if (*h_min == *h_max || *phi_min == *phi_max) return fit;

  const PowerLawProblem problem(h, phi);
  auto s = [&](double p) { return problem.line(p).s; };
  std::uintmax_t iterations = 200;
  double p = boost::math::tools::brent_find_minima(s, 0.0, kMaxFitOrder,
                                                   std::numeric_limits<double>::digits, iterations)
                 .first;
  if (p < kEndMargin || p > kMaxFitOrder - kEndMargin) return fit;

  // Brent's method stops at about sqrt(epsilon) relative to p. The minimum is a root of dS/dp,
  // which a bracketing solver finds to full precision: widen a bracket around p until the
  // slope changes sign, then solve inside it.
  auto slope = [&](double q) { return problem.slope(q); };
  const double brent_p = p;
  for (double d = 1e-6 * p; d < 0.5 * p; d *= 4) {
    const double lo = p - d;
    const double hi = std::min(p + d, kMaxFitOrder);
    const double g_lo = slope(lo), g_hi = slope(hi);
    if (g_lo == 0 || g_hi == 0) {
      p = g_lo == 0 ? lo : hi;
      break;
    }
    if (g_lo < 0 && g_hi > 0) {
      std::uintmax_t steps = 100;
      auto [a, b] = boost::math::tools::toms748_solve(
          slope, lo, hi, g_lo, g_hi, boost::math::tools::eps_tolerance<double>(), steps);
      p = 0.5 * (a + b);
      break;
    }
  }
  if (!(s(p) <= s(brent_p))) p = brent_p;
  return problem.result(p);
}

}  // namespace results
