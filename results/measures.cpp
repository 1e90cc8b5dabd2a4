#include "results/measures.h"

#include "results/power_fit.h"

#include <algorithm>
#include <cmath>
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

double relative_difference(double value, double reference) {
  return std::fabs((value - reference) / reference);
}

double gci(double fs, double t, double t_coarser, double q21, double pa) {
  if (!(pa > 0)) return std::numeric_limits<double>::quiet_NaN();
  return fs * relative_difference(t_coarser, t) / (std::pow(q21, pa) - 1);
}

double asymptotic_ratio(double t, double t_mid, double t_coarse, double q21, double q32,
                        double pa) {
  const double fine = gci(1, t, t_mid, q21, pa);
  const double coarse = gci(1, t_mid, t_coarse, q32, pa);
  auto usable = [](double g) { return std::isfinite(g) && g != 0; };
  if (!usable(fine) || !usable(coarse)) return std::numeric_limits<double>::quiet_NaN();
  return coarse / (std::pow(q21, pa) * fine);
}

TargetMesh mesh_for_gci(double target, double gci_finest, double pa, double h_finest) {
  auto positive = [](double v) { return std::isfinite(v) && v > 0; };
  if (!positive(target) || !positive(gci_finest) || !positive(pa) || !positive(h_finest)) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return {nan, nan};
  }
  const double ratio = std::pow(target / gci_finest, 1 / pa);
  return {ratio, h_finest * ratio};
}

namespace {

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

  const std::size_t n = h.size();
  std::vector<double> columns(3 * n, 1.0);  // u, weights (all 1), the regressor
  const std::span<double> u(columns.data(), n), w(columns.data() + n, n),
      x(columns.data() + 2 * n, n);
  for (std::size_t i = 0; i < n; ++i) u[i] = std::log(h[i] / *h_max);
  detail::PowerProblem problem(
      {.u_coarse = u, .u_fine = {}, .phi = phi, .w = w, .w_sum = static_cast<double>(n)}, x);

  const detail::Minimum brent = detail::brent_order(problem, 0.0, kMaxFitOrder);
  if (brent.p < kEndMargin || brent.p > kMaxFitOrder - kEndMargin) return fit;
  const double p = detail::polish_order(problem, brent, kMaxFitOrder);

  const detail::Line l = problem.line(p);
  fit.outcome = FitOutcome::Fitted;
  fit.p = p;
  fit.phi0 = l.a - l.b / p;
  fit.alpha = l.b / p / std::pow(*h_max, p);
  fit.sigma = std::sqrt(l.s / static_cast<double>(n - 3));
  return fit;
}

}  // namespace results
