#include "results/eca_hoekstra.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace results {
namespace {

using Vec = std::vector<double>;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kUntouched = -7;  // what U holds before a call

struct Estimate {
  Uncertainty r;
  Vec u;
};
Estimate estimate(const Vec& h, const Vec& phi, std::size_t u_size) {
  Estimate e;
  e.u.assign(u_size, kUntouched);
  e.r = estimate_uncertainty(h, phi, e.u);
  return e;
}
Estimate estimate(const Vec& h, const Vec& phi) {
  return estimate(h, phi, h.size());
}

const detail::ExpansionFit& fit_of(const std::array<std::array<detail::ExpansionFit, 2>, 4>& fits,
                                   Expansion e, Weighting w) {
  return fits[static_cast<int>(e)][static_cast<int>(w)];
}

Vec values(const Vec& h, double (*f)(double)) {
  Vec phi;
  for (double v : h) phi.push_back(f(v));
  return phi;
}

const Vec kH4 = {0.1, 0.2, 0.35, 0.5};
// The authors' five grids, h / h1 with h1 the finest grid's size.
const Vec kH5 = {1, 1.2, 1.5, 2, 3};
const Vec kQuantity1 = {0.1030, 0.1045, 0.1069, 0.1121, 0.1236};
const Vec kQuantity2 = {0.3330, 0.3425, 0.3569, 0.3921, 0.4836};

TEST(EcaHoekstra, ExactExpansionsGiveTheirOwnErrorTimesFs) {
  struct Case {
    const char* what;
    Vec phi;
    double p;
    Vec u;
  };
  const Case cases[] = {
      {"10 - 3 h^2",
       values(kH4, [](double h) { return 10 - 3 * h * h; }),
       2,
       {0.0375, 0.15, 0.459375, 0.9375}},
      {"10 + 3 h",
       values(kH4, [](double h) { return 10 + 3 * h; }),
       1,
       {0.375, 0.75, 1.3125, 1.875}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Estimate e = estimate(kH4, c.phi);
    ASSERT_EQ(e.r.outcome, UncertaintyOutcome::Estimated);
    EXPECT_EQ(e.r.estimator, Expansion::Power);
    ASSERT_TRUE(e.r.observed_order.has_value());
    EXPECT_NEAR(*e.r.observed_order, c.p, 1e-12);
    EXPECT_NEAR(e.r.phi0, 10, 1e-12);
    EXPECT_EQ(e.r.safety_factor, 1.25);
    for (std::size_t i = 0; i < c.u.size(); ++i) EXPECT_NEAR(e.u[i], c.u[i], 1e-12) << i;
  }
}

// |actual - printed| within half a unit of the fifth significant digit printed.
void expect_printed(double actual, double printed, const char* what) {
  const double unit = std::pow(10.0, std::floor(std::log10(std::fabs(printed))) - 4);
  EXPECT_LE(std::fabs(actual - printed), 0.5 * unit) << what << " " << actual << " " << printed;
}

TEST(EcaHoekstra, PowerFitsMatchThoseThePublishedToolPrints) {
  struct Case {
    const Vec* phi;
    Weighting weighting;
    double phi0, alpha, p, sigma;
  };
  const Case cases[] = {
      {&kQuantity1, Weighting::Unweighted, 9.7959E-02, 4.9783E-03, 1.4928, 1.6308E-04},
      {&kQuantity1, Weighting::Weighted, 9.8112E-02, 4.8480E-03, 1.5121, 1.5615E-04},
      {&kQuantity2, Weighting::Unweighted, 3.1126E-01, 2.1744E-02, 1.8847, 9.3264E-04},
      {&kQuantity2, Weighting::Weighted, 3.1157E-01, 2.1507E-02, 1.8933, 9.3000E-04},
  };
  for (const Case& c : cases) {
    const auto fits = detail::eca_hoekstra_fits(kH5, *c.phi);
    const detail::ExpansionFit& f = fit_of(fits, Expansion::Power, c.weighting);
    ASSERT_TRUE(f.fitted);
    expect_printed(f.phi0, c.phi0, "phi0");
    expect_printed(f.alpha, c.alpha, "alpha");
    expect_printed(f.p, c.p, "p");
    expect_printed(f.sigma, c.sigma, "sigma");
  }
  // Both quantities: the weighted fit has the smaller sigma and an order within [0.5, 2].
  for (const Vec* phi : {&kQuantity1, &kQuantity2}) {
    const Estimate e = estimate(kH5, *phi);
    EXPECT_EQ(e.r.estimator, Expansion::Power);
    EXPECT_EQ(e.r.weighting, Weighting::Weighted);
    EXPECT_EQ(e.r.safety_factor, 1.25);
  }
}

// U on every mesh from the estimator's own fit, by the formulas in the caller's units.
void expect_u_from_fit(const Vec& h, const Vec& phi, const Estimate& e,
                       const detail::ExpansionFit& f) {
  const bool fits_well = e.r.sigma < e.r.data_range;
  for (std::size_t i = 0; i < h.size(); ++i) {
    const double change = e.r.estimator == Expansion::HPlusH2
                              ? f.alpha * h[i] + f.alpha2 * h[i] * h[i]
                              : f.alpha * std::pow(h[i], f.p);
    const double error = std::fabs(change), residual = std::fabs(phi[i] - (f.phi0 + change));
    const double u = fits_well ? e.r.safety_factor * error + f.sigma + residual
                               : 3 * (f.sigma / e.r.data_range) * (error + f.sigma + residual);
    EXPECT_NEAR(e.u[i], u, 1e-9 * (std::fabs(u) + e.r.data_range)) << i;
  }
}

TEST(EcaHoekstra, OutcomesAndBranches) {
  using E = Expansion;
  using O = UncertaintyOutcome;
  const Vec h5 = {0.5, 0.35, 0.25, 0.18, 0.125};
  const Vec noise = {2e-4, -1e-4, 1.5e-4, -2e-4, 5e-5};
  auto noisy = [&](double (*f)(double)) {
    Vec phi = values(h5, f);
    for (std::size_t i = 0; i < phi.size(); ++i) phi[i] += noise[i];
    return phi;
  };
  const Vec order_1_5 = noisy([](double h) { return 1 + std::pow(h, 1.5); });
  const Vec order_0_5 = values(kH4, [](double h) { return 2 - std::sqrt(h); });
  const Vec order_2_05 = values(kH4, [](double h) { return 1 + std::pow(h, 2.05); });
  const Vec order_3 = noisy([](double h) { return 1 + 4 * h * h * h; });
  const Vec order_0_3 = noisy([](double h) { return 1 - std::pow(h, 0.3); });
  const Vec inverse = values(h5, [](double h) { return 1 / h; });
  const Vec two_decades = {1, 0.3, 0.1, 0.03, 0.01};
  const Vec inverse_fifth = values(two_decades, [](double h) { return std::pow(h, -0.2); });
  Vec h20 = {0.5};  // more meshes than are held without allocating
  while (h20.size() < 20) h20.push_back(h20.back() * 0.9);
  const Vec order_1_5_on_20 = values(h20, [](double h) { return 1 + std::pow(h, 1.5); });
  const Vec wide_sizes = {1e-300, 1e-100, 1e100, 1e300};
  const Vec huge_values = {-1.7e308, 1.7e308, -1.7e308, 1.7e308};
  // Which fits the estimator is chosen from, and whether there is an observed order.
  enum Branch { Power, AboveTwo, Anomalous, NoOrder, None };
  struct Case {
    const char* what;
    Vec h, phi;
    O outcome;
    Branch branch = None;
    double fs = 3;
    std::size_t u_size = 0;  // 0: as many as meshes
  };
  const Case cases[] = {
      {"order 1.5", h5, order_1_5, O::Estimated, Power, 1.25},
      {"order exactly 0.5", kH4, order_0_5, O::Estimated, Power, 1.25},
      {"order 1.5 on 20 meshes", h20, order_1_5_on_20, O::Estimated, Power, 1.25},
      // Above 2 but below 2.1: the safety factor goes by the observed order.
      {"order 2.05", kH4, order_2_05, O::Estimated, AboveTwo, 1.25},
      {"order 3", h5, order_3, O::Estimated, AboveTwo},
      {"order 0.3", h5, order_0_3, O::Estimated, Anomalous},
      // The power fits' least S lies at the upper end of p, which reads as p > 2.
      {"oscillating, sigma above the data range", h5, {1, 2, 1, 2, 1}, O::Estimated, AboveTwo},
      {"oscillating ever wider as h falls", h5, {1, 1.1, 0.9, 1.2, 0.8}, O::Estimated, NoOrder},
      {"growing as h falls: a negative order", h5, inverse, O::Estimated, NoOrder},
      // Searched over p > 0 only, the fits would end at p = 0+, and over two decades of sizes
      // such a fit is not so ill-conditioned as to be left out.
      {"a negative order, two decades", two_decades, inverse_fifth, O::Estimated, NoOrder},
      {"two sizes only: no power, no h+h2", {1, 1, 2, 2}, {1, 1.1, 2, 2.1}, O::Estimated, NoOrder},
      {"sizes over 600 decades", wide_sizes, {1, 2, 3, 4}, O::Estimated, AboveTwo},
      {"values near the largest double", kH4, huge_values, O::Estimated, AboveTwo},
      {"the same value on every mesh", h5, {2.5, 2.5, 2.5, 2.5, 2.5}, O::GridIndependent},
      {"values apart by the least subnormal", kH4, {0, 4.9e-324, 0, 0}, O::GridIndependent},
      {"the same size on every mesh", {0.1, 0.1, 0.1, 0.1}, {1, 2, 3, 4}, O::NoFit},
      {"three meshes", {0.4, 0.2, 0.1}, {1.16, 1.04, 1.01}, O::TooFewMeshes},
      {"no meshes", {}, {}, O::TooFewMeshes},
      {"a size of 0", {0.4, 0.2, 0.1, 0}, {4, 3, 2, 1}, O::InvalidData},
      {"a negative size", {0.4, 0.2, -0.1, 0.05}, {4, 3, 2, 1}, O::InvalidData},
      {"an infinite size", {0.4, kInf, 0.1, 0.05}, {4, 3, 2, 1}, O::InvalidData},
      {"a value that is not a number", kH4, {1, kNaN, 3, 4}, O::InvalidData},
      {"more values than sizes", kH4, {1, 2, 3, 4, 5}, O::InvalidData},
      {"U of another size", kH4, {1, 2, 3, 4}, O::InvalidData, None, 3, 3},
      {"U of another size, grid-independent", kH4, {1, 1, 1, 1}, O::InvalidData, None, 3, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Estimate e = estimate(c.h, c.phi, c.u_size ? c.u_size : c.h.size());
    ASSERT_EQ(e.r.outcome, c.outcome);
    if (c.outcome == O::GridIndependent) {
      EXPECT_EQ(e.r.phi0, *std::min_element(c.phi.begin(), c.phi.end()));
      EXPECT_EQ(e.u, Vec(c.h.size(), 0.0));
      continue;
    }
    if (c.outcome != O::Estimated) {
      EXPECT_EQ(e.u, Vec(e.u.size(), kUntouched));
      continue;
    }
    EXPECT_EQ(e.r.observed_order.has_value(), c.branch != NoOrder);
    EXPECT_EQ(e.r.safety_factor, c.fs);
    for (double u : e.u) EXPECT_TRUE(u >= 0) << u;  // and not NaN
    for (double v : {e.r.phi0, e.r.sigma, e.r.data_range}) EXPECT_FALSE(std::isnan(v));
    const double spread = *std::max_element(c.phi.begin(), c.phi.end()) -
                          *std::min_element(c.phi.begin(), c.phi.end());
    if (!std::isfinite(spread)) continue;  // values near overflow: no NaN is all
    EXPECT_NEAR(e.r.data_range, spread / static_cast<double>(c.h.size() - 1),
                1e-15 * e.r.data_range);

    const std::vector<E> candidates = c.branch == Power ? std::vector<E>{E::Power}
                                      : c.branch == AboveTwo
                                          ? std::vector<E>{E::H, E::H2}
                                          : std::vector<E>{E::H, E::H2, E::HPlusH2};
    ASSERT_NE(std::find(candidates.begin(), candidates.end(), e.r.estimator), candidates.end());
    const auto fits = detail::eca_hoekstra_fits(c.h, c.phi);
    const detail::ExpansionFit& chosen = fit_of(fits, e.r.estimator, e.r.weighting);
    ASSERT_TRUE(chosen.fitted);
    EXPECT_EQ(e.r.sigma, chosen.sigma);
    EXPECT_NEAR(e.r.phi0, chosen.phi0, 1e-12 * e.r.data_range);
    for (E candidate : candidates) {
      for (Weighting w : {Weighting::Unweighted, Weighting::Weighted}) {
        const detail::ExpansionFit& f = fit_of(fits, candidate, w);
        if (f.fitted && (candidate != E::Power || f.p > 0)) {
          EXPECT_LE(chosen.sigma, f.sigma);
        }
      }
    }
    const detail::ExpansionFit& pu = fit_of(fits, E::Power, Weighting::Unweighted);
    const detail::ExpansionFit& pw = fit_of(fits, E::Power, Weighting::Weighted);
    if (c.branch == NoOrder) {
      EXPECT_FALSE((pu.fitted && pu.p > 0) || (pw.fitted && pw.p > 0));
    }
    expect_u_from_fit(c.h, c.phi, e, chosen);
  }
}

// Every output of `b` equals that of `a` (values in the same meshes), phi0 shifted by `shift`.
void expect_same(const Estimate& a, const Estimate& b, const std::vector<std::size_t>& mesh_of,
                 double shift) {
  ASSERT_EQ(b.r.outcome, a.r.outcome);
  EXPECT_EQ(b.r.estimator, a.r.estimator);
  EXPECT_EQ(b.r.weighting, a.r.weighting);
  ASSERT_EQ(b.r.observed_order.has_value(), a.r.observed_order.has_value());
  if (a.r.observed_order) {
    EXPECT_NEAR(*b.r.observed_order, *a.r.observed_order, 1e-9);
  }
  const double tol = 1e-9 * a.r.data_range;
  EXPECT_NEAR(b.r.phi0, a.r.phi0 + shift, tol);
  EXPECT_NEAR(b.r.sigma, a.r.sigma, tol);
  EXPECT_NEAR(b.r.data_range, a.r.data_range, tol);
  EXPECT_EQ(b.r.safety_factor, a.r.safety_factor);
  for (std::size_t i = 0; i < mesh_of.size(); ++i) EXPECT_NEAR(b.u[i], a.u[mesh_of[i]], tol) << i;
}

TEST(EcaHoekstra, ScalingReorderingAndShiftingChangeNothing) {
  const Vec h6 = {0.9, 0.5, 0.35, 0.2, 0.12, 0.1};
  const Vec sets[][2] = {
      {kH5, kQuantity1},
      {kH5, kQuantity2},
      {h6, {1.2031, 1.0652, 1.0301, 1.0112, 1.0031, 1.0036}},  // order above 2
      {h6, {0.5230, 0.6012, 0.6301, 0.6623, 0.6860, 0.6921}},  // order below 0.5
      {h6, {2.01, 1.97, 2.04, 1.96, 2.03, 1.98}},              // no order
      {{0.4, 0.4, 0.2, 0.1}, {1.31, 1.29, 1.1, 1.03}},         // a repeated size
  };
  for (const auto& set : sets) {
    const Vec& h = set[0];
    const Vec& phi = set[1];
    const Estimate base = estimate(h, phi);
    ASSERT_EQ(base.r.outcome, UncertaintyOutcome::Estimated);
    const std::size_t n = h.size();
    std::vector<std::size_t> same(n);
    for (std::size_t i = 0; i < n; ++i) same[i] = i;
    const auto base_fits = detail::eca_hoekstra_fits(h, phi);

    for (double factor : {7.3, 1e-3}) {
      SCOPED_TRACE(factor);
      Vec scaled = h;
      for (double& v : scaled) v *= factor;
      expect_same(base, estimate(scaled, phi), same, 0);
      // alpha is per h^p: it scales by factor^-p, the rest of each fit not at all.
      const auto fits = detail::eca_hoekstra_fits(scaled, phi);
      for (int w : {0, 1}) {
        const detail::ExpansionFit &a = base_fits[0][w], &b = fits[0][w];
        ASSERT_EQ(b.fitted, a.fitted);
        if (!a.fitted) continue;
        EXPECT_NEAR(b.p, a.p, 1e-9);
        EXPECT_NEAR(b.sigma, a.sigma, 1e-9 * base.r.data_range);
        EXPECT_NEAR(b.alpha * std::pow(factor, a.p), a.alpha, 1e-8 * std::fabs(a.alpha));
      }
    }
    for (double shift : {100.0, -0.5}) {
      SCOPED_TRACE(shift);
      Vec shifted = phi;
      for (double& v : shifted) v += shift;
      expect_same(base, estimate(h, shifted), same, shift);
    }
    // Reversed, and rotated by one.
    for (int k = 0; k < 2; ++k) {
      std::vector<std::size_t> mesh_of(n);
      for (std::size_t i = 0; i < n; ++i) mesh_of[i] = k == 0 ? n - 1 - i : (i + 1) % n;
      Vec h2, phi2;
      for (std::size_t i : mesh_of) {
        h2.push_back(h[i]);
        phi2.push_back(phi[i]);
      }
      expect_same(base, estimate(h2, phi2), mesh_of, 0);
    }
  }
}

TEST(EcaHoekstra, Names) {
  EXPECT_EQ(expansion_name(Expansion::Power), "power");
  EXPECT_EQ(expansion_name(Expansion::H), "h");
  EXPECT_EQ(expansion_name(Expansion::H2), "h2");
  EXPECT_EQ(expansion_name(Expansion::HPlusH2), "h+h2");
  EXPECT_EQ(outcome_name(UncertaintyOutcome::Estimated), "estimated");
  EXPECT_EQ(outcome_name(UncertaintyOutcome::TooFewMeshes), "too-few-meshes");
  EXPECT_EQ(outcome_name(UncertaintyOutcome::GridIndependent), "grid-independent");
  EXPECT_EQ(outcome_name(UncertaintyOutcome::InvalidData), "invalid-data");
  EXPECT_EQ(outcome_name(UncertaintyOutcome::NoFit), "no-fit");
}

}  // namespace
}  // namespace results
