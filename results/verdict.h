// A verdict for continuous integration: whether every variable and scheme converges at its
// formal order on its finest triplet, and whether its finest GCI is small enough; and the
// verdict as a JUnit XML file, which CI servers display.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "results/output_file.h"
#include "results/results.h"

namespace results {

struct CheckLimits {
  std::optional<double> order_tolerance;  // |p - formal order| allowed on the finest triplet
  std::optional<double> gci_limit;        // the largest finest GCI allowed (a fraction)

  bool any() const { return order_tolerance || gci_limit; }
};

// One variable and scheme on its finest mesh.
struct Check {
  int number = 0;
  std::string name;  // UTF-8
  std::string scheme;
  std::size_t mesh_count = 0;
  double p = model::kUndefined;  // the apparent order of the finest triplet
  double formal_order = model::kUndefined;
  double gci = model::kUndefined;
  Convergence convergence = Convergence::None;
  // Why it fails: empty when it passes. A check that cannot be made (no finest triplet, no GCI)
  // fails too, so that CI never passes what it could not verify.
  std::vector<std::string> failures;

  bool passed() const { return failures.empty(); }
};

// The check of one scheme (number, name and scheme left to the caller).
Check check_scheme(const model::Series& series, const SchemeMeasures& measures,
                   const CheckLimits& limits);

// One check per variable and scheme, in the results' order.
std::vector<Check> check(const Results& results, const CheckLimits& limits);

// The line that names a failed check: variable, scheme, p, formal order, class and reasons.
std::string failure_line(const Check& c);

// <testsuites><testsuite><testcase>... with one test case per check, its numbers in the message
// of a failure or in the case's output; `suite` names the suite (the run's or study's title).
void write_junit(const std::vector<Check>& checks, std::string_view suite, TextOut& out);

}  // namespace results
