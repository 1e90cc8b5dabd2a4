// One variable's numbers kept in arrays of its own and filled by the run's own analysis
// (model::analyse_variable): what a table study keeps for each quantity.
#pragma once

#include <string>
#include <vector>

#include "model/formulas.h"
#include "model/numbers.h"

namespace model {

class VariableArrays {
 public:
  // A scheme's meshes, coarse to fine, and its values there.
  struct Scheme {
    std::string name;
    double formal_order = kUndefined;
    std::vector<double> h;
    std::vector<double> value;  // one per h
  };

  // Analyses the variable at once. The interval test is made when `compare` is set, there are
  // two schemes on the same meshes and the exact value is known: the first scheme is taken as
  // the low-order one.
  VariableArrays(int number, std::string name, double exact, std::vector<Scheme> schemes,
                 const OrderSolver& solver, bool compare);
  // The view below points into this object.
  VariableArrays(const VariableArrays&) = delete;
  VariableArrays& operator=(const VariableArrays&) = delete;

  const Variable& numbers() const { return view_; }

 private:
  struct Computed {
    std::vector<double> convergence_ratio, apparent_order, ti_12, ti_a;
  };

  std::vector<Scheme> schemes_;
  std::vector<Computed> computed_;
  std::vector<double> tq_, uq_;
  std::vector<Interval> result_;
  Variable view_;
};

}  // namespace model
