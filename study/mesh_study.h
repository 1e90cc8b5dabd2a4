// A study of a meshes-as-rows table: every quantity and scheme analysed on the meshes where the
// table gives it a value, by the run's own analysis (model::analyse_variable), with the two
// schemes compared as the run compares them where both and an exact value are there.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/formulas.h"
#include "model/numbers.h"
#include "model/variable_arrays.h"
#include "study/table.h"

namespace study {

// The formal order of every scheme, or of each scheme by name.
struct FormalOrders {
  double all = 2;
  std::vector<std::pair<std::string, double>> by_scheme;

  double of(std::string_view scheme) const {
    for (const auto& [name, order] : by_scheme)
      if (name == scheme) return order;
    return all;
  }
};

// The name of the one scheme of a table without a scheme column.
inline constexpr std::string_view kSolutionScheme = "solution";

// The bisection's controls in a study, which has no input file to give them: those of the
// shipped examples (an order between 0.1 and 10, to 1e-12, in at most 100 iterations).
inline constexpr model::BisectionControls kStudyBisection{
    .lower = 0.1, .upper = 10, .tolerance = 1e-12, .max_iterations = 100};

// Whether sizes coarse to fine have one refinement ratio (to 1e-9, so that sizes computed from
// cell counts still count as constant): the apparent order then has its closed form.
bool constant_ratio(std::span<const double> h);

class MeshStudy {
 public:
  // Quantities become variables numbered from 1 in column order; their schemes keep the
  // table's order, except that with two schemes the one of lower formal order comes first
  // (it is the low-order scheme of the interval test). `source` names the table.
  MeshStudy(const MeshTable& table, const FormalOrders& orders, std::string source);
  MeshStudy(const MeshStudy&) = delete;
  MeshStudy& operator=(const MeshStudy&) = delete;

  // The study's numbers; they point into this object.
  const model::Numbers& numbers() const { return numbers_; }

 private:
  std::vector<std::unique_ptr<model::VariableArrays>> arrays_;
  model::Numbers numbers_;
};

}  // namespace study
