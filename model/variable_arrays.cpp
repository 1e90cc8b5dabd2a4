#include "model/variable_arrays.h"

#include <cmath>
#include <utility>

namespace model {
namespace {

template <class T>
Strided<T> window(std::vector<T>& v) {
  return {v.data(), v.size()};
}
template <class T>
Strided<const T> window(const std::vector<T>& v) {
  return {v.data(), v.size()};
}

}  // namespace

VariableArrays::VariableArrays(int number, std::string name, double exact,
                               std::vector<Scheme> schemes, const OrderSolver& solver, bool compare)
    : schemes_(std::move(schemes)), computed_(schemes_.size()) {
  std::vector<SeriesWindows> windows;
  for (std::size_t k = 0; k < schemes_.size(); ++k) {
    Scheme& s = schemes_[k];
    s.value.resize(s.h.size(), kUndefined);
    Computed& c = computed_[k];
    for (auto* v : {&c.convergence_ratio, &c.apparent_order, &c.ti_12, &c.ti_a})
      v->assign(s.h.size(), kUndefined);
    windows.push_back({.h = window(std::as_const(s.h)),
                       .value = window(std::as_const(s.value)),
                       .formal_order = s.formal_order,
                       .convergence_ratio = window(c.convergence_ratio),
                       .apparent_order = window(c.apparent_order),
                       .ti_12 = window(c.ti_12),
                       .ti_a = window(c.ti_a)});
  }
  const bool intervals =
      compare && schemes_.size() == 2 && schemes_[0].h == schemes_[1].h && !std::isnan(exact);
  IntervalWindows tests;
  if (intervals) {
    const std::size_t n = schemes_[0].h.size();
    tq_.assign(n, 0);
    uq_.assign(n, 0);
    result_.assign(n, Interval::DoesNotApply);
    tests = {window(tq_), window(uq_), window(result_)};
  }
  analyse_variable(windows, solver, exact, intervals ? &tests : nullptr);

  view_.number = number;
  view_.name = std::move(name);
  view_.exact = exact;
  for (std::size_t k = 0; k < schemes_.size(); ++k)
    view_.schemes.push_back(windows[k].series(schemes_[k].name));
  if (intervals)
    view_.intervals = Intervals{window(std::as_const(schemes_[0].h)), window(std::as_const(tq_)),
                                window(std::as_const(uq_)), window(std::as_const(result_))};
}

}  // namespace model
