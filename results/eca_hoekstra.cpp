#include "results/eca_hoekstra.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "results/measures.h"
#include "results/power_fit.h"

namespace results {

std::string_view outcome_name(UncertaintyOutcome outcome) {
  switch (outcome) {
    case UncertaintyOutcome::Estimated:
      return "estimated";
    case UncertaintyOutcome::TooFewMeshes:
      return "too-few-meshes";
    case UncertaintyOutcome::GridIndependent:
      return "grid-independent";
    case UncertaintyOutcome::InvalidData:
      return "invalid-data";
    case UncertaintyOutcome::NoFit:
      return "no-fit";
  }
  return {};
}

std::string_view expansion_name(Expansion expansion) {
  switch (expansion) {
    case Expansion::Power:
      return "power";
    case Expansion::H:
      return "h";
    case Expansion::H2:
      return "h2";
    case Expansion::HPlusH2:
      return "h+h2";
  }
  return {};
}

namespace {

// p is searched in [-10, 10]. Fits of p <= 0 are left out, so the search must reach below 0:
// confined to p > 0 it would return such data's minimum as a small positive p at the lower end,
// which could then win the choice over the other weighting's genuine order. Beyond |p| = 10 the
// power h^p weighs one end mesh so much that the fit degenerates into matching it; an order
// found at the upper end still reads as p > 2, which decides the branch.
constexpr double kOrderLimit = kMaxFitOrder;
// Brent's minimum this close to the upper end is the end: no root of dS/dp to polish nearby.
constexpr double kEndMargin = 1e-4;
// The root of dS/dp is taken over Brent's p unless S there is larger by more than rounding
// (relative, and absolute on the values scaled to [0, 1]): Brent's p is good to about 1e-8 only.
constexpr double kSumRelativeSlack = 1e-9, kSumAbsoluteSlack = 1e-28;
// A fit whose phi0 multiplies the values' rounding errors by more than this (mesh sizes almost
// equal, or too few distinct sizes for the coefficients) is ill-conditioned and left out.
constexpr double kMaxAmplification = 1e8;
constexpr std::size_t kInlineMeshes = 16;
// The bounds of the branches on p (0.5, 2, 2.1) are taken with this relative resolution, so
// that data of exactly such an order, whose fitted p is off by a few units of the last place,
// fall on the bound rather than on either side of it by a rounding.
constexpr double kOrderResolution = 1e-10;
bool at_least(double p, double bound) {
  return p >= bound * (1 - kOrderResolution);
}
bool at_most(double p, double bound) {
  return p <= bound * (1 + kOrderResolution);
}

// Per-call storage on the stack up to kInlineMeshes meshes, on the heap beyond.
template <class T, std::size_t kColumns>
class Columns {
 public:
  explicit Columns(std::size_t n) : n_(n) {
    if (n > kInlineMeshes) {
      heap_.resize(n * kColumns);
      data_ = heap_.data();
    } else {
      data_ = local_.data();
    }
  }
  Columns(const Columns&) = delete;
  Columns& operator=(const Columns&) = delete;
  std::span<T> operator[](std::size_t column) { return {data_ + column * n_, n_}; }

 private:
  std::array<T, kInlineMeshes * kColumns> local_;
  std::vector<T> heap_;
  T* data_;
  std::size_t n_;
};

// A fit on the normalised data: y = (phi - phi_min) / range against s = h / h_max. Power, h
// and h2: y ~ a + b x_p(h) (power_fit.h's regressor); h+h2: y ~ a + b s + c s^2.
struct Fit {
  bool fitted = false;
  double a = 0, b = 0, c = 0, p = 0;
  double sigma = 0;
};
using Fits = std::array<std::array<Fit, 2>, 4>;

// The meshes sorted by (h, phi), so that the result does not depend on the caller's order.
struct Grids {
  std::size_t n = 0;
  std::size_t distinct_sizes = 0;
  double h_max = 0;
  double phi_min = 0, half_range = 0;    // phi = phi_min + 2 half_range y
  std::span<const std::uint32_t> order;  // the caller's index of each sorted mesh
  std::span<const double> s, u_coarse, u_fine, y;
  std::array<std::span<const double>, 2> w;  // unweighted (all 1), weighted
  std::array<double, 2> w_sum{};
};

int at(Expansion e) {
  return static_cast<int>(e);
}
int at(Weighting w) {
  return static_cast<int>(w);
}

// sqrt(sum n w_i r_i^2 / (n - k)) from S = sum w_i r_i^2; n w_i = 1 unweighted.
double standard_deviation(const Grids& g, Weighting weighting, double s, int k) {
  const double n = static_cast<double>(g.n);
  const double factor = weighting == Weighting::Weighted ? n / g.w_sum[1] : 1.0;
  return std::sqrt(factor * s / (n - k));
}

Fit line_fit(detail::PowerProblem& problem, const Grids& g, Weighting weighting, double p, int k) {
  const detail::Line l = problem.line(p);
  Fit f;
  f.a = l.a;
  f.b = l.b;
  f.p = p;
  if (p == 0 || !(l.sxx > 0)) return f;
  // phi0 is the line at x = -1/p: its variance per unit weight, times the weights' sum.
  const double lever = l.x_mean + 1 / p;
  const double amplification2 = 1 + g.w_sum[at(weighting)] * lever * lever / l.sxx;
  if (!(amplification2 <= kMaxAmplification * kMaxAmplification)) return f;
  f.sigma = standard_deviation(g, weighting, l.s, k);
  f.fitted = true;
  return f;
}

Fit power_fit(detail::PowerProblem& problem, const Grids& g, Weighting weighting) {
  if (g.distinct_sizes < 3) return {};
  const detail::Minimum brent = detail::brent_order(problem, -kOrderLimit, kOrderLimit);
  double p = brent.p;
  if (p > 0 && p < kOrderLimit - kEndMargin)
    p = detail::refine_order(problem, brent, kOrderLimit, kSumRelativeSlack, kSumAbsoluteSlack);
  return line_fit(problem, g, weighting, p, 3);
}

// y ~ a + b s + c s^2 by modified Gram-Schmidt on the centred columns: s, then s^2 made
// orthogonal to s, and y taken off each in turn; as accurate as a QR solve, with no storage.
Fit quadratic_fit(const Grids& g, Weighting weighting) {
  Fit f;
  if (g.distinct_sizes < 3) return f;
  const std::span<const double> w = g.w[at(weighting)];
  const double w_sum = g.w_sum[at(weighting)];
  double s_mean = 0, q_mean = 0, y_mean = 0;
  for (std::size_t i = 0; i < g.n; ++i) {
    s_mean += w[i] * g.s[i];
    q_mean += w[i] * g.s[i] * g.s[i];
    y_mean += w[i] * g.y[i];
  }
  s_mean /= w_sum;
  q_mean /= w_sum;
  y_mean /= w_sum;
  double sss = 0, ssq = 0, ssy = 0;
  for (std::size_t i = 0; i < g.n; ++i) {
    const double ds = g.s[i] - s_mean;
    sss += w[i] * ds * ds;
    ssq += w[i] * ds * (g.s[i] * g.s[i] - q_mean);
    ssy += w[i] * ds * (g.y[i] - y_mean);
  }
  if (!(sss > 0)) return f;
  const double gamma = ssq / sss, beta = ssy / sss;
  double see = 0, sey = 0;
  for (std::size_t i = 0; i < g.n; ++i) {
    const double ds = g.s[i] - s_mean;
    const double e = (g.s[i] * g.s[i] - q_mean) - gamma * ds;
    see += w[i] * e * e;
    sey += w[i] * e * ((g.y[i] - y_mean) - beta * ds);
  }
  if (!(see > 0)) return f;
  f.c = sey / see;
  f.b = beta - f.c * gamma;
  f.a = y_mean - f.b * s_mean - f.c * q_mean;
  // phi0 = y_mean - beta s_mean - c (q_mean - gamma s_mean), three orthogonal parts.
  const double lever = q_mean - gamma * s_mean;
  const double amplification2 = 1 + w_sum * (s_mean * s_mean / sss + lever * lever / see);
  if (!(amplification2 <= kMaxAmplification * kMaxAmplification)) return f;
  double s = 0;
  for (std::size_t i = 0; i < g.n; ++i) {
    const double r = g.y[i] - (f.a + g.s[i] * (f.b + f.c * g.s[i]));
    s += w[i] * r * r;
  }
  f.sigma = standard_deviation(g, weighting, s, 3);
  f.fitted = true;
  return f;
}

// On sorted mesh i: the fit's value and its error estimate |fit - phi0|, normalised.
struct AtMesh {
  double fit = 0, error = 0;
};
AtMesh at_mesh(const Fit& f, Expansion e, const Grids& g, std::size_t i) {
  if (e == Expansion::HPlusH2) {
    const double change = g.s[i] * (f.b + f.c * g.s[i]);
    return {f.a + change, std::fabs(change)};
  }
  // x + 1/p = e^(p u) / p: the error without the cancellation of fit - phi0.
  const double t = std::exp(f.p * g.u_coarse[i]);
  return {f.a + f.b * (std::expm1(f.p * g.u_coarse[i]) / f.p), std::fabs(f.b * t / f.p)};
}

double phi0_of(const Fit& f, Expansion e) {
  return e == Expansion::HPlusH2 ? f.a : f.a - f.b / f.p;
}

// Back to the caller's units; the halves keep every step finite for any finite values.
double to_phi(const Grids& g, double y) {
  return g.phi_min + 2 * (g.half_range * y);
}
double to_spread(const Grids& g, double y) {
  return 2 * (g.half_range * y);
}

Fits fit_all(const Grids& g, std::span<double> x_unweighted, std::span<double> x_weighted) {
  Fits fits;
  for (Weighting weighting : {Weighting::Unweighted, Weighting::Weighted}) {
    const int k = at(weighting);
    detail::PowerProblem problem(
        {.u_coarse = g.u_coarse, .u_fine = g.u_fine, .phi = g.y, .w = g.w[k], .w_sum = g.w_sum[k]},
        k == 0 ? x_unweighted : x_weighted);
    fits[at(Expansion::Power)][k] = power_fit(problem, g, weighting);
    if (g.distinct_sizes >= 2) {
      fits[at(Expansion::H)][k] = line_fit(problem, g, weighting, 1, 2);
      fits[at(Expansion::H2)][k] = line_fit(problem, g, weighting, 2, 2);
    }
    fits[at(Expansion::HPlusH2)][k] = quadratic_fit(g, weighting);
  }
  return fits;
}

// Validates and normalises the input into `columns`; an outcome other than Estimated when the
// procedure stops there.
constexpr std::size_t kGridColumns = 8;  // s, u_coarse, u_fine, y, two weights, two regressors
struct Prepared {
  UncertaintyOutcome outcome = UncertaintyOutcome::Estimated;
  Grids grids;
  std::span<double> x_unweighted, x_weighted;
};

Prepared prepare(std::span<const double> h, std::span<const double> phi,
                 Columns<double, kGridColumns>& columns, Columns<std::uint32_t, 1>& order) {
  Prepared out;
  const std::size_t n = h.size();
  if (n != phi.size()) {
    out.outcome = UncertaintyOutcome::InvalidData;
    return out;
  }
  if (n < 4) {
    out.outcome = UncertaintyOutcome::TooFewMeshes;
    return out;
  }
  auto valid_size = [](double v) { return std::isfinite(v) && v > 0; };
  auto finite = [](double v) { return std::isfinite(v); };
  if (!std::all_of(h.begin(), h.end(), valid_size) ||
      !std::all_of(phi.begin(), phi.end(), finite)) {
    out.outcome = UncertaintyOutcome::InvalidData;
    return out;
  }
  Grids& g = out.grids;
  g.n = n;
  const auto [phi_min, phi_max] = std::minmax_element(phi.begin(), phi.end());
  g.phi_min = *phi_min;
  g.half_range = 0.5 * *phi_max - 0.5 * *phi_min;
  // Values apart by the least subnormal only have no half range: as good as equal.
  if (*phi_min == *phi_max || !(g.half_range > 0)) {
    out.outcome = UncertaintyOutcome::GridIndependent;
    return out;
  }

  const std::span<std::uint32_t> sorted = order[0];
  for (std::size_t i = 0; i < n; ++i) sorted[i] = static_cast<std::uint32_t>(i);
  std::sort(sorted.begin(), sorted.end(), [&](std::uint32_t a, std::uint32_t b) {
    return h[a] < h[b] || (h[a] == h[b] && phi[a] < phi[b]);
  });
  g.order = sorted;
  const double h_min = h[sorted.front()];
  g.h_max = h[sorted.back()];
  std::span<double> s = columns[0], u_coarse = columns[1], u_fine = columns[2], y = columns[3],
                    ones = columns[4], w = columns[5];
  g.distinct_sizes = 1;
  double w_sum = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double hi = h[sorted[i]];
    if (i > 0 && hi != h[sorted[i - 1]]) ++g.distinct_sizes;
    s[i] = hi / g.h_max;
    // The quotient loses nothing unless sizes span more than the exponent range.
    u_coarse[i] = s[i] >= DBL_MIN ? std::log(s[i]) : std::log(hi) - std::log(g.h_max);
    const double from_finest = hi / h_min;
    u_fine[i] = std::isfinite(from_finest) ? std::log(from_finest) : std::log(hi) - std::log(h_min);
    y[i] = (0.5 * phi[sorted[i]] - 0.5 * g.phi_min) / g.half_range;
    ones[i] = 1;
    w[i] = h_min / hi;  // 1/h scaled by h_min: never above 1
    w_sum += w[i];
  }
  for (double& v : w) v /= w_sum;
  g.s = s;
  g.u_coarse = u_coarse;
  g.u_fine = u_fine;
  g.y = y;
  g.w = {ones, w};
  g.w_sum = {static_cast<double>(n), 0};
  for (double v : w) g.w_sum[1] += v;
  out.x_unweighted = columns[6];
  out.x_weighted = columns[7];
  return out;
}

// The fit of least sigma among `expansions`, both weightings each; the first on a tie.
struct Choice {
  Expansion expansion = Expansion::Power;
  Weighting weighting = Weighting::Unweighted;
  const Fit* fit = nullptr;
};
Choice least_sigma(const Fits& fits, std::initializer_list<Expansion> expansions) {
  Choice best;
  for (Expansion e : expansions) {
    for (Weighting w : {Weighting::Unweighted, Weighting::Weighted}) {
      const Fit& f = fits[at(e)][at(w)];
      if (!f.fitted || (e == Expansion::Power && !(f.p > 0))) continue;
      if (best.fit == nullptr || f.sigma < best.fit->sigma) best = {e, w, &f};
    }
  }
  return best;
}

}  // namespace

Uncertainty estimate_uncertainty(std::span<const double> h, std::span<const double> phi,
                                 std::span<double> u) {
  Uncertainty result;
  Columns<double, kGridColumns> columns(h.size());
  Columns<std::uint32_t, 1> order(h.size());
  const Prepared prepared = prepare(h, phi, columns, order);
  result.outcome = prepared.outcome;
  if (result.outcome == UncertaintyOutcome::Estimated && u.size() != h.size())
    result.outcome = UncertaintyOutcome::InvalidData;
  if (result.outcome == UncertaintyOutcome::GridIndependent) {
    if (u.size() != h.size()) {
      result.outcome = UncertaintyOutcome::InvalidData;
    } else {
      result.phi0 = prepared.grids.phi_min;
      std::fill(u.begin(), u.end(), 0.0);
    }
  }
  if (result.outcome != UncertaintyOutcome::Estimated) return result;

  const Grids& g = prepared.grids;
  const Fits fits = fit_all(g, prepared.x_unweighted, prepared.x_weighted);
  const Choice power = least_sigma(fits, {Expansion::Power});
  Choice chosen;
  if (power.fit != nullptr) result.observed_order = power.fit->p;
  const double p = power.fit != nullptr ? power.fit->p : 0;
  if (at_least(p, 0.5) && at_most(p, 2)) {
    chosen = power;
  } else if (!at_most(p, 2)) {
    chosen = least_sigma(fits, {Expansion::H, Expansion::H2});
  } else {
    chosen = least_sigma(fits, {Expansion::H, Expansion::H2, Expansion::HPlusH2});
  }
  if (chosen.fit == nullptr) {
    result.outcome = UncertaintyOutcome::NoFit;
    return result;
  }

  const Fit& f = *chosen.fit;
  const double data_range = 1 / static_cast<double>(g.n - 1);  // normalised, like sigma
  const bool fits_well = f.sigma < data_range;
  const double fs = at_least(p, 0.5) && !at_least(p, 2.1) && fits_well ? 1.25 : 3;
  for (std::size_t i = 0; i < g.n; ++i) {
    const AtMesh m = at_mesh(f, chosen.expansion, g, i);
    const double residual = std::fabs(g.y[i] - m.fit);
    const double ui = fits_well ? fs * m.error + f.sigma + residual
                                : 3 * (f.sigma / data_range) * (m.error + f.sigma + residual);
    u[g.order[i]] = to_spread(g, ui);
  }
  result.estimator = chosen.expansion;
  result.weighting = chosen.weighting;
  result.phi0 = to_phi(g, phi0_of(f, chosen.expansion));
  result.sigma = to_spread(g, f.sigma);
  result.data_range = to_spread(g, data_range);
  result.safety_factor = fs;
  return result;
}

namespace detail {

std::array<std::array<ExpansionFit, 2>, 4> eca_hoekstra_fits(std::span<const double> h,
                                                             std::span<const double> phi) {
  std::array<std::array<ExpansionFit, 2>, 4> out{};
  Columns<double, kGridColumns> columns(h.size());
  Columns<std::uint32_t, 1> order(h.size());
  const Prepared prepared = prepare(h, phi, columns, order);
  if (prepared.outcome != UncertaintyOutcome::Estimated) return out;
  const Grids& g = prepared.grids;
  const Fits fits = fit_all(g, prepared.x_unweighted, prepared.x_weighted);
  for (Expansion e : {Expansion::Power, Expansion::H, Expansion::H2, Expansion::HPlusH2}) {
    for (int k : {0, 1}) {
      const Fit& f = fits[at(e)][k];
      ExpansionFit& o = out[at(e)][k];
      o.fitted = f.fitted;
      if (!f.fitted) continue;
      o.phi0 = to_phi(g, phi0_of(f, e));
      o.sigma = to_spread(g, f.sigma);
      if (e == Expansion::HPlusH2) {
        o.alpha = to_spread(g, f.b) / g.h_max;
        o.alpha2 = to_spread(g, f.c) / g.h_max / g.h_max;
      } else {
        // y = phi0' + (b / p) (h / h_ref)^p, h_ref the coarsest size for p > 0, else the finest.
        const double h_ref = f.p > 0 ? g.h_max : h[g.order.front()];
        o.p = f.p;
        o.alpha = f.b == 0 ? 0 : to_spread(g, f.b / f.p) / std::pow(h_ref, f.p);
      }
    }
  }
  return out;
}

}  // namespace detail

}  // namespace results
