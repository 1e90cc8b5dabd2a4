// The extras of a run or a study: per variable and scheme the measures drawn from its numbers
// (model/numbers.h): per mesh the convergence class, the grid convergence index, the asymptotic
// ratio and, with an exact value, the error and the order it shows; per scheme the order fitted
// over all meshes, the Eca-Hoekstra uncertainty and the mesh for a target GCI. Computed from
// the numbers alone; no I/O.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/numbers.h"
#include "results/eca_hoekstra.h"
#include "results/measures.h"

namespace results {

struct Settings {
  double safety_factor = kDefaultSafetyFactor;  // of the GCI
  std::optional<double> target_gci;             // the GCI a finer mesh should reach
  bool least_squares = true;  // fit the order over all meshes (a field's points go without)
};

// One variable in one scheme. The per-mesh vectors have one element per mesh (model/numbers.h's
// counting); what a mesh does not define is Convergence::None or undefined.
struct SchemeMeasures {
  std::vector<Convergence> convergence;  // from the first triplet
  std::vector<double> gci;               // from the first triplet, where pa > 0
  std::vector<double> asymptotic_ratio;  // from the first triplet
  // Celik et al.'s relative errors, fractions: e_a = |(T(j) - T(j-1)) / T(j)| from the first
  // pair, e_ext = |(Ti_a(j) - T(j)) / Ti_a(j)| from the first triplet.
  std::vector<double> approximate_error;
  std::vector<double> extrapolated_error;
  std::vector<double> error;        // value - exact, where the exact value is known
  std::vector<double> exact_order;  // the order seen against it, from the first pair
  PowerLawFit fit;
  Uncertainty uncertainty;           // Eca and Hoekstra 2014
  std::vector<double> u;             // its U per mesh; undefined unless estimated
  std::optional<TargetMesh> target;  // with a target GCI
};

struct VariableMeasures {
  std::vector<SchemeMeasures> schemes;  // as the variable's schemes
};

// The measures of one scheme into `m`, reusing its storage; `exact` is not a number when
// unknown.
void measure(const model::Series& series, double exact, const Settings& settings,
             SchemeMeasures& m);
VariableMeasures measure(const model::Variable& variable, const Settings& settings);

// One variable's numbers and measures.
struct VariableResult {
  const model::Variable& numbers;
  const VariableMeasures& measures;
};

// A run's or a study's numbers with the measures of every variable.
struct Results {
  std::string version;  // the program's version text, e.g. "1.0"
  Settings settings;
  model::Numbers numbers;
  std::vector<VariableMeasures> measures;  // one per numbers.variables, in their order

  std::size_t size() const { return measures.size(); }
  VariableResult variable(std::size_t i) const { return {numbers.variables[i], measures[i]}; }
};

Results compute(model::Numbers numbers, const Settings& settings, std::string version);

}  // namespace results
