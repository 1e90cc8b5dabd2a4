// What the extras are computed from: the tables of one finished run, copied into plain values.
// Nothing here knows where they came from (see from_analysis.h for the run's own tables).
#pragma once

#include <array>
#include <limits>
#include <string>
#include <vector>

namespace results {

// A value the run does not define (R before mesh 3, Ti_12 on mesh 1, ...).
inline constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();

// Scheme 0 is the low-order scheme ("ordem baixa"), 1 the high-order one ("ordem alta").
inline constexpr int kLow = 0;
inline constexpr int kHigh = 1;

// One scheme on one mesh, as the run computed it.
struct SchemeMeshInput {
  double value = kUndefined;              // Th
  double convergence_ratio = kUndefined;  // R, meshes 3..n
  double apparent_order = kUndefined;     // pa, meshes 3..n (0 where the run found none)
  double ti_12 = kUndefined;              // meshes 2..n
  double ti_a = kUndefined;               // meshes 3..n
};

// The interval test of one mesh (meshes 3..n), as the report printed it.
struct IntervalInput {
  double tq = 0;
  double uq = 0;
  bool applies = false;       // "SIM"
  bool exact_inside = false;  // "sim" (meaningful only when it applies)
};

struct VariableInput {
  int index = 0;     // 1-based, as in the input files
  std::string name;  // code page 1252, trailing blanks dropped
  double exact = kUndefined;
  std::array<double, 2> formal_order = {kUndefined, kUndefined};
  // Per scheme, element j - 1 for mesh j.
  std::array<std::vector<SchemeMeshInput>, 2> schemes;
  // Element j - 1 for mesh j; meshes 1 and 2 are left at their defaults.
  std::vector<IntervalInput> intervals;
};

struct RunInput {
  std::vector<double> h;  // element j - 1 for mesh j, mesh 1 the coarsest
  int iq = 0;
  std::string title;                     // code page 1252, trailing blanks dropped
  std::string report_name;               // the report's file name, code page 1252
  std::vector<VariableInput> variables;  // the selected ones, in increasing index
};

}  // namespace results
