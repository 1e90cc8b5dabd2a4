// Measures the report does not print: the convergence class of a triplet, the grid convergence
// index, and an order of accuracy fitted over all meshes. Pure functions of their arguments.
#pragma once

#include <span>
#include <string_view>

namespace results {

// The behaviour of three consecutive solutions, from their ratio R = (T(j-1) - T(j-2)) /
// (T(j) - T(j-1)) as the apparent order's analysis reads it.
enum class Convergence {
  None,                  // R is not a number
  Monotonic,             // R > 1
  Divergent,             // 0 <= R <= 1
  Oscillatory,           // R < -1
  OscillatoryDivergent,  // -1 <= R < 0
};

Convergence classify(double r);
// "monotonic", "divergent", "oscillatory", "oscillatory-divergent"; empty for None.
std::string_view convergence_name(Convergence c);

// The safety factor of the grid convergence index unless the user gives another: the one for a
// study of three meshes or more (Celik et al. 2008).
inline constexpr double kDefaultSafetyFactor = 1.25;

// The grid convergence index of a mesh after Celik et al. (J. Fluids Eng. 130, 078001, 2008):
// fs * |(t - t_coarser) / t| / (q21^pa - 1), a fraction (not per cent). Not a number when pa is
// not > 0; a division by zero gives an infinity, which the writers show as undefined.
double gci(double fs, double t, double t_coarser, double q21, double pa);

// The fit phi(h) = phi0 + alpha * h^p over all meshes by least squares.
enum class FitOutcome {
  Fitted,
  TooFewMeshes,  // fewer than 4 meshes: no residual is left to judge the fit by
  InvalidData,   // a value or size that is not finite, or a size not > 0
  NoPowerLaw,    // the values do not change with h, or the best p lies on an end of (0, 10]
};

struct PowerLawFit {
  FitOutcome outcome = FitOutcome::TooFewMeshes;
  // Meaningful only when Fitted.
  double phi0 = 0;
  double alpha = 0;
  double p = 0;
  double sigma = 0;  // sqrt(S / (n - 3)), S the residual sum of squares
};

inline constexpr double kMaxFitOrder = 10;

// For a fixed p, phi0 and alpha are the linear least-squares solution; p minimises the residual
// sum S(p) over 0 < p <= kMaxFitOrder (Brent's method, then the root of dS/dp polished inside
// Brent's final bracket). `h` and `phi` have one element per mesh.
PowerLawFit fit_power_law(std::span<const double> h, std::span<const double> phi);

}  // namespace results
