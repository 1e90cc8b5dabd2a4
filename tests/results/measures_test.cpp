#include "results/measures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace results {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(Convergence, ClassesAndTheirBoundaries) {
  struct Case {
    double r;
    Convergence expected;
  };
  const Case cases[] = {
      {4, Convergence::Monotonic},
      {std::nextafter(1.0, 2.0), Convergence::Monotonic},
      {kInf, Convergence::Monotonic},  // two equal solutions after a change
      {1, Convergence::Divergent},
      {0.5, Convergence::Divergent},
      {0, Convergence::Divergent},
      {-0.0, Convergence::Divergent},
      {-1e-300, Convergence::OscillatoryDivergent},
      {-0.5, Convergence::OscillatoryDivergent},
      {-1, Convergence::OscillatoryDivergent},
      {std::nextafter(-1.0, -2.0), Convergence::Oscillatory},
      {-kInf, Convergence::Oscillatory},
      {kNaN, Convergence::None},
  };
  for (const Case& c : cases) EXPECT_EQ(classify(c.r), c.expected) << c.r;
  EXPECT_EQ(convergence_name(Convergence::Monotonic), "monotonic");
  EXPECT_EQ(convergence_name(Convergence::Divergent), "divergent");
  EXPECT_EQ(convergence_name(Convergence::Oscillatory), "oscillatory");
  EXPECT_EQ(convergence_name(Convergence::OscillatoryDivergent), "oscillatory-divergent");
  EXPECT_EQ(convergence_name(Convergence::None), "");
}

TEST(Gci, HandMadeTriplets) {
  // 1 + h^2 on h = 0.4, 0.2, 0.1: pa = 2, q21 = 2, |(1.01 - 1.04) / 1.01| / 3.
  EXPECT_NEAR(gci(1.25, 1.01, 1.04, 2, 2), 1.25 * 0.03 / 1.01 / 3, 1e-16);
  EXPECT_NEAR(gci(3, 1.01, 1.04, 2, 2), 3 * 0.03 / 1.01 / 3, 1e-16);
  // A variable ratio and a non-integer order; the sign of the change does not matter.
  EXPECT_NEAR(gci(1.25, 2.5, 2.4, 1.5, 1.3), 1.25 * 0.04 / (std::pow(1.5, 1.3) - 1), 1e-15);
  EXPECT_NEAR(gci(1.25, -2.5, -2.4, 1.5, 1.3), gci(1.25, 2.5, 2.4, 1.5, 1.3), 1e-16);
  // No apparent order, no GCI: pa = 0 is what the analysis leaves where it found none.
  EXPECT_TRUE(std::isnan(gci(1.25, 1.01, 1.04, 2, 0)));
  EXPECT_TRUE(std::isnan(gci(1.25, 1.01, 1.04, 2, -1)));
  EXPECT_TRUE(std::isnan(gci(1.25, 1.01, 1.04, 2, kNaN)));
  // A solution of 0 has no relative change; equal solutions give 0.
  EXPECT_TRUE(std::isinf(gci(1.25, 0, 1.04, 2, 2)));
  EXPECT_EQ(gci(1.25, 1.5, 1.5, 2, 2), 0);
  // Celik's e_a and e_ext, the reference in the denominator whatever the signs.
  EXPECT_NEAR(relative_difference(1.04, 1.01), 0.03 / 1.01, 1e-16);
  EXPECT_NEAR(relative_difference(-1.01, -1.0), 0.01, 1e-16);
  EXPECT_EQ(relative_difference(1, 0), kInf);
  EXPECT_TRUE(std::isnan(relative_difference(0, 0)));
}

TEST(Gci, AsymptoticRatioAndTargetMesh) {
  // Exact power-law data: GCI_coarse = q21^p GCI_fine but for the values each divides by, so
  // the ratio is t / t_mid. 1 + h^2 and 1000 + h^2 on h = 0.5, 0.25, 0.125 (exact in binary);
  // 5 - 2 h^1.5 on h = 0.9, 0.5, 0.35.
  const double q21 = 0.5 / 0.35, t = 5 - 2 * std::pow(0.35, 1.5),
               t_mid = 5 - 2 * std::pow(0.5, 1.5);
  struct Ratio {
    double t, t_mid, t_coarse, q21, q32, pa, expected;
  };
  const Ratio ratios[] = {
      {1.015625, 1.0625, 1.25, 2, 2, 2, 1.015625 / 1.0625},
      {1000.015625, 1000.0625, 1000.25, 2, 2, 2, 1000.015625 / 1000.0625},
      {t, t_mid, 5 - 2 * std::pow(0.9, 1.5), q21, 1.8, 1.5, t / t_mid},
      {1.01, 1.04, 1.16, 2, 2, 0, kNaN},  // no apparent order
      {1.04, 1.04, 1.16, 2, 2, 2, kNaN},  // GCI_fine 0
      {1.01, 1.04, 1.04, 2, 2, 2, kNaN},  // GCI_coarse 0
      {0, 1.04, 1.16, 2, 2, 2, kNaN},     // GCI_fine infinite
      {1.01, 1.04, kNaN, 2, 2, 2, kNaN},
  };
  for (const Ratio& c : ratios) {
    const double r = asymptotic_ratio(c.t, c.t_mid, c.t_coarse, c.q21, c.q32, c.pa);
    if (std::isnan(c.expected)) {
      EXPECT_TRUE(std::isnan(r)) << r;
    } else {
      EXPECT_NEAR(r, c.expected, 1e-14) << c.t;
    }
  }

  struct Target {
    double target, gci_finest, pa, h_finest, ratio;
  };
  const Target targets[] = {
      {0.01, 0.04, 2, 0.1, 0.5},  // a quarter of the GCI at second order: half the size
      {0.04, 0.01, 1, 0.1, 4},    // already below: the size may grow
      {0.01, 0.01, 1.3, 0.2, 1},   {0.01, 0.04, 0, 0.1, kNaN},  // no order
      {0.01, 0, 2, 0.1, kNaN},                                  // GCI 0
      {0.01, kInf, 2, 0.1, kNaN},  {0, 0.04, 2, 0.1, kNaN},
      {-0.01, 0.04, 2, 0.1, kNaN}, {0.01, 0.04, 2, kNaN, kNaN},
  };
  for (const Target& c : targets) {
    const TargetMesh m = mesh_for_gci(c.target, c.gci_finest, c.pa, c.h_finest);
    if (std::isnan(c.ratio)) {
      EXPECT_TRUE(std::isnan(m.ratio) && std::isnan(m.h)) << c.target << " " << c.pa;
    } else {
      EXPECT_NEAR(m.ratio, c.ratio, 1e-15);
      EXPECT_NEAR(m.h, c.h_finest * c.ratio, 1e-15);
    }
  }
}

// phi0 + alpha h^p on the given sizes.
std::vector<double> power_law(const std::vector<double>& h, double phi0, double alpha, double p) {
  std::vector<double> phi;
  for (double v : h) phi.push_back(phi0 + alpha * std::pow(v, p));
  return phi;
}

TEST(PowerLawFit, RecoversExactSequences) {
  struct Case {
    std::vector<double> h;
    double phi0, alpha, p;
  };
  const Case cases[] = {
      {{0.4, 0.2, 0.1, 0.05}, 1, 1, 2},
      {{1.0 / 8, 1.0 / 16, 1.0 / 32, 1.0 / 64, 1.0 / 128}, 3.25, -0.7, 1},
      {{0.3, 0.15, 0.075, 0.0375, 0.01875, 0.009375}, -2, 5, 1.5},
      {{1.0 / 8, 1.0 / 12, 1.0 / 20, 1.0 / 32, 1.0 / 52}, 0.5, 2, 2},  // varying ratios
      {{0.9, 0.5, 0.35, 0.2, 0.12, 0.1}, 10, -3, 0.8},                 // varying ratios
      {{2.0, 1.3, 0.7, 0.4}, 1e-3, 1e-4, 3.7},
      {{0.1, 0.05, 0.025, 0.0125, 0.00625}, 100, 4e3, 4},
  };
  for (const Case& c : cases) {
    const std::vector<double> phi = power_law(c.h, c.phi0, c.alpha, c.p);
    PowerLawFit fit = fit_power_law(c.h, phi);
    ASSERT_EQ(fit.outcome, FitOutcome::Fitted) << c.p;
    EXPECT_NEAR(fit.p, c.p, 1e-8);
    EXPECT_NEAR(fit.phi0, c.phi0, 1e-8 * std::max(1.0, std::fabs(c.phi0)));
    EXPECT_NEAR(fit.alpha, c.alpha, 1e-6 * std::fabs(c.alpha));
    EXPECT_LT(fit.sigma, 1e-12 * std::max(1.0, std::fabs(c.phi0)));
  }
}

TEST(PowerLawFit, NoisyDataGivesTheResidualSpread) {
  const std::vector<double> h = {0.4, 0.2, 0.1, 0.05, 0.025};
  std::vector<double> phi = power_law(h, 1, 1, 2);
  const double noise[] = {1e-4, -1e-4, 2e-4, -5e-5, 0};
  for (std::size_t i = 0; i < phi.size(); ++i) phi[i] += noise[i];
  PowerLawFit fit = fit_power_law(h, phi);
  ASSERT_EQ(fit.outcome, FitOutcome::Fitted);
  EXPECT_NEAR(fit.p, 2, 0.05);
  EXPECT_NEAR(fit.phi0, 1, 1e-3);
  EXPECT_GT(fit.sigma, 1e-5);
  EXPECT_LT(fit.sigma, 1e-3);
}

TEST(PowerLawFit, DataNoPowerLawFits) {
  const std::vector<double> h = {0.4, 0.2, 0.1, 0.05, 0.025};
  struct Case {
    const char* what;
    std::vector<double> h, phi;
    FitOutcome expected;
  };
  const Case cases[] = {
      {"three meshes", {0.4, 0.2, 0.1}, {1.16, 1.04, 1.01}, FitOutcome::TooFewMeshes},
      {"no meshes", {}, {}, FitOutcome::TooFewMeshes},
      {"a size of 0", {0.4, 0.2, 0.1, 0}, {4, 3, 2, 1}, FitOutcome::InvalidData},
      {"a negative size", {0.4, 0.2, -0.1, 0.05}, {4, 3, 2, 1}, FitOutcome::InvalidData},
      {"a value that is not a number", h, {1, 2, std::nan(""), 4, 5}, FitOutcome::InvalidData},
      {"an infinite value", h, {1, 2, kInf, 4, 5}, FitOutcome::InvalidData},
      {"the same value on every mesh", h, {2, 2, 2, 2, 2}, FitOutcome::NoPowerLaw},
      {"the same size on every mesh", {0.1, 0.1, 0.1, 0.1}, {1, 2, 3, 4}, FitOutcome::NoPowerLaw},
      {"oscillating", h, {1, 2, 1, 2, 1}, FitOutcome::NoPowerLaw},
      {"growing without bound as h falls", h, power_law(h, 1, 1, -1), FitOutcome::NoPowerLaw},
      {"an order beyond 10", h, power_law(h, 1, 1e6, 14), FitOutcome::NoPowerLaw},
  };
  for (const Case& c : cases) EXPECT_EQ(fit_power_law(c.h, c.phi).outcome, c.expected) << c.what;
}

}  // namespace
}  // namespace results
