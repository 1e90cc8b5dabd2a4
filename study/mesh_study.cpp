#include "study/mesh_study.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "recio/math_functions.h"

namespace study {

bool constant_ratio(std::span<const double> h) {
  for (std::size_t j = 2; j < h.size(); ++j) {
    const double q21 = h[j - 1] / h[j], q32 = h[j - 2] / h[j - 1];
    if (!(std::fabs(q21 - q32) <= 1e-9 * q32)) return false;
  }
  return true;
}

MeshStudy::MeshStudy(const MeshTable& table, const FormalOrders& orders, std::string source) {
  numbers_.title = source;
  numbers_.source = std::move(source);
  // Every mesh any scheme has, coarse to fine.
  for (const Scheme& s : table.schemes)
    for (const Mesh& m : s.meshes) numbers_.h.push_back(m.h);
  std::sort(numbers_.h.begin(), numbers_.h.end(), std::greater<>());
  numbers_.h.erase(std::unique(numbers_.h.begin(), numbers_.h.end()), numbers_.h.end());

  // Valid sizes give the run's formulas no logarithm or power outside its domain; should one
  // still occur, the study goes on with the value the function gives.
  recio::MathErrorHold hold;
  bool any_bisection = false;
  for (std::size_t q = 0; q < table.quantities.size(); ++q) {
    std::vector<model::VariableArrays::Scheme> schemes;
    for (const Scheme& s : table.schemes) {
      model::VariableArrays::Scheme scheme;
      scheme.name = s.name.empty() ? std::string(kSolutionScheme) : s.name;
      scheme.formal_order = orders.of(scheme.name);
      for (const Mesh& m : s.meshes) {
        if (std::isnan(m.values[q])) continue;
        scheme.h.push_back(m.h);
        scheme.value.push_back(m.values[q]);
      }
      schemes.push_back(std::move(scheme));
    }
    if (schemes.size() == 2 && schemes[1].formal_order < schemes[0].formal_order)
      std::swap(schemes[0], schemes[1]);
    bool constant = true;
    for (const auto& s : schemes) constant = constant && constant_ratio(s.h);
    any_bisection = any_bisection || !constant;
    const model::OrderSolver solver{
        .method = constant ? model::OrderMethod::ClosedForm : model::OrderMethod::Bisection,
        .bisection = kStudyBisection};
    const double exact = q < table.exact.size() ? table.exact[q] : model::kUndefined;
    arrays_.push_back(std::make_unique<model::VariableArrays>(
        static_cast<int>(q) + 1, table.quantities[q], exact, std::move(schemes), solver, true));
    numbers_.variables.push_back(arrays_.back()->numbers());
  }
  numbers_.iq = any_bisection ? 1 : 0;
}

}  // namespace study
