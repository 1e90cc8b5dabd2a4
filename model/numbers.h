// A run's numbers: for every variable and scheme what the order-of-accuracy analysis found on
// each mesh, read in place wherever it is kept (the run's tables, or the arrays of a table
// study), and the rules of which mesh defines which number. Everything that reads a run's
// results (the report, the extras, the uncertainty procedures, the documents) reads this.
//
// Counting, at every interface here and above it: indices count from 0. Mesh 0 is the coarsest
// and meshes go coarse to fine; schemes count from 0 in their order (the run's: 0 the
// low-order scheme, 1 the high-order one). A variable's `number` is its label in the input (the
// run's count from 1), not an index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/strided.h"

namespace model {

// A number a mesh does not define, or one that is not known (an exact value).
inline constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();

// Ti_12 and the refinement ratio q21 = h(j-1) / h(j) need the next coarser mesh: defined from
// the second mesh on.
inline constexpr std::size_t kFirstPairMesh = 1;
// R, pa, Ti_a and everything drawn from a triplet of meshes (GCI, convergence class, interval
// test, asymptotic ratio) need the two next coarser meshes: defined from the third mesh on.
inline constexpr std::size_t kFirstTripletMesh = 2;

constexpr bool ends_pair(std::size_t mesh) {
  return mesh >= kFirstPairMesh;
}
constexpr bool ends_triplet(std::size_t mesh) {
  return mesh >= kFirstTripletMesh;
}

// One variable in one scheme. Every window has one element per mesh; an element that its mesh
// does not define (see above) holds whatever the storage holds there and is not to be read.
struct Series {
  std::string_view scheme;  // "low", "high", or a study's scheme name
  double formal_order = kUndefined;
  Strided<const double> h;
  Strided<const double> value;              // Th
  Strided<const double> convergence_ratio;  // R
  Strided<const double> apparent_order;     // pa; 0 where the analysis found none
  Strided<const double> ti_12;              // extrapolated with the formal order
  Strided<const double> ti_a;               // extrapolated with the apparent order

  std::size_t mesh_count() const { return h.size(); }
  // h(j-1) / h(j), for a mesh that ends a pair.
  double q21(std::size_t mesh) const { return h[mesh - 1] / h[mesh]; }
};

// The interval test of one mesh: whether the high-order scheme's two estimates lie strictly
// inside the low-order scheme's, and then whether the exact value lies inside Tq +- Uq.
enum class Interval : std::uint8_t {
  DoesNotApply,
  ExactOutside,
  ExactInside,
};

// The two-scheme interval test per mesh (defined for meshes that end a triplet). Tq and Uq are
// 0 where the test does not apply.
struct Intervals {
  Strided<const double> h;
  Strided<const double> tq;
  Strided<const double> uq;
  Strided<const Interval> result;
};

struct Variable {
  int number = 0;
  std::string name;           // UTF-8
  double exact = kUndefined;  // not a number when unknown
  std::vector<Series> schemes;
  // Only where two schemes and an exact value are compared (the run, or a study with both).
  std::optional<Intervals> intervals;
};

// A file the numbers were read from, as the documents name it with its digest.
struct InputFile {
  enum class Role : std::uint8_t {
    RunInput,       // dados.r33
    ExactValues,    // the run's exact-results file
    Solution,       // a solution file of the run: `scheme` and `mesh` say which
    Table,          // a study's table
    StandardInput,  // a study's table read from standard input: no file to name
  };
  Role role = Role::RunInput;
  std::string path;  // as the program opened it (its bytes; relative to the folder it ran in)
  std::string name;  // UTF-8, as shown
  std::size_t scheme = 0;
  std::size_t mesh = 0;
};

// A whole run or study.
struct Numbers {
  std::string title;               // UTF-8
  std::string source;              // the run's report file, or the table a study read (UTF-8)
  std::vector<InputFile> inputs;   // in the order they were read
  std::optional<std::int32_t> iq;  // the run's choice of method for the apparent order
  std::vector<double> h;           // every mesh, coarse to fine
  std::vector<Variable> variables;
};

}  // namespace model
