// Measures the report does not print: the convergence class of a triplet, the grid convergence
// index and what follows from it, and an order of accuracy fitted over all meshes. Pure
// functions of their arguments.
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

// The relative difference |(t - reference) / reference| of Celik et al. (2008): with the next
// coarser value, the approximate relative error e_a = |(t - t_coarser) / t| (reference t); with
// the extrapolated value, the extrapolated relative error e_ext = |(t_ext - t) / t_ext|
// (reference t_ext). A fraction; infinite for a reference of 0 and a difference, not a number
// for 0 / 0.
double relative_difference(double value, double reference);

// The grid convergence index of a mesh after Celik et al. (J. Fluids Eng. 130, 078001, 2008):
// fs * |(t - t_coarser) / t| / (q21^pa - 1), a fraction (not per cent). Not a number when pa is
// not > 0; a division by zero gives an infinity, which the writers show as undefined.
double gci(double fs, double t, double t_coarser, double q21, double pa);

// Roache's check of the asymptotic range on a triplet, mesh j and the two coarser ones:
// GCI_coarse / (q21^pa GCI_fine), with GCI_fine = gci(t, t_mid, q21, pa) and GCI_coarse =
// gci(t_mid, t_coarse, q32, pa), both with the triplet's pa; near 1 in the asymptotic range
// (for exact power-law data it is t / t_mid). The safety factor cancels. Not a number where
// either GCI is not defined, infinite or 0.
double asymptotic_ratio(double t, double t_mid, double t_coarse, double q21, double q32, double pa);

// The refinement that would bring the finest mesh's GCI to `target` if the order pa held:
// ratio = (target / gci_finest)^(1/pa) and the mesh size h_finest ratio. Both not a number
// unless target, gci_finest, pa and h_finest are all finite and > 0.
struct TargetMesh {
  double ratio = 0;
  double h = 0;
};
TargetMesh mesh_for_gci(double target, double gci_finest, double pa, double h_finest);

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
