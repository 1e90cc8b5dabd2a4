// The extras of a run or a study: per variable and scheme the measures drawn from its numbers
// (model/numbers.h): the convergence class and the grid convergence index of every mesh that
// ends a triplet, and the order fitted over all meshes. Computed from the numbers alone; no I/O.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/numbers.h"
#include "results/measures.h"

namespace results {

struct Settings {
  double safety_factor = kDefaultSafetyFactor;  // of the GCI
  std::optional<double> target_gci;             // the GCI a finer mesh should reach
};

// One variable in one scheme. The per-mesh vectors have one element per mesh (model/numbers.h's
// counting); meshes before the first triplet hold Convergence::None and undefined GCIs.
struct SchemeMeasures {
  std::vector<Convergence> convergence;
  std::vector<double> gci;  // undefined where pa is not > 0
  PowerLawFit fit;
};

struct VariableMeasures {
  std::vector<SchemeMeasures> schemes;  // as the variable's schemes
};

SchemeMeasures measure(const model::Series& series, const Settings& settings);
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
