// The numerical uncertainty of one variable and scheme from a grid refinement study, after
// L. Eça and M. Hoekstra, "A procedure for the estimation of the numerical uncertainty of CFD
// calculations based on grid refinement studies", J. Comput. Phys. 262 (2014) 104-130.
//
// Four expansions are fitted by least squares, each without and with weights
// w_i = (1/h_i) / sum_j (1/h_j) (the weight multiplies the squared residual):
//   power  phi0 + alpha h^p        h     phi0 + alpha h
//   h2     phi0 + alpha h^2        h+h2  phi0 + alpha1 h + alpha2 h^2
// with the standard deviation sigma = sqrt(sum n w_i (phi_i - fit_i)^2 / (n - k)), k the number
// of coefficients (n w_i = 1 unweighted). Of the power fits with p > 0 the one of smaller sigma
// gives the observed order p. 0.5 <= p <= 2: that fit is the estimator; p > 2: the one of least
// sigma among h and h2; p < 0.5 or no such fit: among h, h2 and h+h2 (both weightings each).
// This is the paper's Section 2.4 (choose by sigma, then branch on p); its Appendix A reads
// differently in rare cases. With the data range dphi = (max phi - min phi) / (n - 1), the
// safety factor Fs = 1.25 when 0.5 <= p < 2.1 and sigma < dphi, else 3; on grid i, with the
// estimator's error e_i = |fit_i - phi0|:
//   sigma < dphi:   U_i = Fs e_i + sigma + |phi_i - fit_i|
//   sigma >= dphi:  U_i = 3 (sigma / dphi) (e_i + sigma + |phi_i - fit_i|)
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>

namespace results {

enum class UncertaintyOutcome {
  Estimated,
  TooFewMeshes,     // fewer than 4 meshes
  GridIndependent,  // the same value on every mesh: U = 0, phi0 that value
  InvalidData,      // h, phi and U of different sizes, a value or size not finite, a size not > 0
  NoFit,            // the sizes lie too close together for any expansion the choice asks for
};
// "estimated", "too-few-meshes", "grid-independent", "invalid-data", "no-fit".
std::string_view outcome_name(UncertaintyOutcome outcome);

enum class Expansion { Power, H, H2, HPlusH2 };
// "power", "h", "h2", "h+h2".
std::string_view expansion_name(Expansion expansion);

enum class Weighting { Unweighted, Weighted };

struct Uncertainty {
  UncertaintyOutcome outcome = UncertaintyOutcome::TooFewMeshes;
  // The rest is meaningful when Estimated (phi0 also when GridIndependent, with all else 0).
  Expansion estimator = Expansion::Power;
  Weighting weighting = Weighting::Unweighted;
  std::optional<double> observed_order;  // none without a power fit of p > 0
  double phi0 = 0;                       // the estimator's
  double sigma = 0;                      // the estimator's
  double data_range = 0;                 // dphi
  double safety_factor = 0;              // Fs
};

// h and phi: one size (> 0) and value per mesh, in any order. U: as many elements, written with
// the uncertainty of each mesh in the same order when the outcome is Estimated or
// GridIndependent and left alone otherwise. Never NaN. Allocates nothing up to 16 meshes.
Uncertainty estimate_uncertainty(std::span<const double> h, std::span<const double> phi,
                                 std::span<double> u);

namespace detail {

// One fit of the procedure in the units of h and phi. A power fit's p may be <= 0 (the choice
// leaves it out).
struct ExpansionFit {
  bool fitted = false;  // false: singular or ill-conditioned, left out of every choice
  double phi0 = 0;
  double alpha = 0;   // of h^p (power), h, h^2, or h (h+h2)
  double alpha2 = 0;  // of h^2 (h+h2)
  double p = 0;       // the exponent: fitted (power), 1 (h), 2 (h2), 0 (h+h2)
  double sigma = 0;
};
// Every fit, [expansion][weighting] in the enums' order; all unfitted unless the outcome of
// estimate_uncertainty would be Estimated or NoFit.
std::array<std::array<ExpansionFit, 2>, 4> eca_hoekstra_fits(std::span<const double> h,
                                                             std::span<const double> phi);

}  // namespace detail

}  // namespace results
