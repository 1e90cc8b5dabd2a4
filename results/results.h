// The extras of one run: per selected variable, scheme and mesh the run's own values with the
// convergence class and the GCI; per variable and mesh the interval test; per scheme the
// least-squares order. Computed from a RunInput alone; no I/O.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "results/measures.h"
#include "results/run_input.h"

namespace results {

inline constexpr double kDefaultSafetyFactor = 1.25;

// Values the run does not define are kUndefined (not a number); the writers show every value
// that is not finite as undefined.
struct MeshResult {
  double h = kUndefined;
  double value = kUndefined;
  double convergence_ratio = kUndefined;  // meshes 3..n
  double apparent_order = kUndefined;     // meshes 3..n
  double ti_12 = kUndefined;              // meshes 2..n
  double ti_a = kUndefined;               // meshes 3..n
  Convergence convergence = Convergence::None;
  double gci = kUndefined;  // meshes 3..n with pa > 0
};

struct SchemeResult {
  double formal_order = kUndefined;
  std::vector<MeshResult> meshes;  // element j - 1 for mesh j
  PowerLawFit fit;
};

struct IntervalResult {
  int mesh = 0;  // 3..n
  double h = kUndefined;
  double tq = kUndefined;  // undefined unless the interval applies
  double uq = kUndefined;
  bool applies = false;
  std::optional<bool> exact_inside;  // empty unless the interval applies
};

struct VariableResult {
  int index = 0;
  std::string name;  // code page 1252
  double exact = kUndefined;
  std::array<SchemeResult, 2> schemes;  // kLow, kHigh
  std::vector<IntervalResult> intervals;
};

struct Results {
  std::string version;  // the program's version text, e.g. "1.0"
  std::string title;    // code page 1252
  std::string report_name;
  int iq = 0;
  std::vector<double> h;
  std::vector<double> ratio;  // q21 = h(j-1) / h(j); undefined on mesh 1
  double safety_factor = kDefaultSafetyFactor;
  std::vector<VariableResult> variables;
};

// The extras of `run` with the GCI's safety factor `fs`.
Results compute(const RunInput& run, double fs, std::string version);

}  // namespace results
