#include "results/verdict.h"

#include <cmath>

#include "results/export.h"

namespace results {
namespace {

std::string number(double v) {
  return std::isfinite(v) ? significant(v, 6) : std::string("undefined");
}

// The numbers of a check as its message shows them.
std::string summary(const Check& c) {
  std::string s =
      "p = " + number(c.p) + ", formal order " + number(c.formal_order) + ", GCI " + number(c.gci);
  const std::string_view cls = convergence_name(c.convergence);
  if (!cls.empty()) s += ", " + std::string(cls);
  return s;
}

}  // namespace

Check check_scheme(const model::Series& s, const SchemeMeasures& m, const CheckLimits& limits) {
  Check c;
  c.scheme = std::string(s.scheme);
  c.mesh_count = s.mesh_count();
  c.formal_order = s.formal_order;
  const std::size_t n = s.mesh_count();
  if (n == 0 || !model::ends_triplet(n - 1)) {
    c.failures.push_back("no finest triplet (" + std::to_string(n) + " meshes)");
    return c;
  }
  c.p = s.apparent_order[n - 1];
  c.gci = m.gci[n - 1];
  c.convergence = m.convergence[n - 1];
  if (limits.order_tolerance) {
    if (!(std::fabs(c.p - c.formal_order) <= *limits.order_tolerance))
      c.failures.push_back("order off by more than " + shortest(*limits.order_tolerance));
    if (c.convergence != Convergence::Monotonic) c.failures.push_back("not monotonic");
  }
  if (limits.gci_limit && !(c.gci <= *limits.gci_limit))
    c.failures.push_back("GCI above " + shortest(*limits.gci_limit));
  return c;
}

std::vector<Check> check(const Results& results, const CheckLimits& limits) {
  std::vector<Check> checks;
  for (std::size_t i = 0; i < results.size(); ++i) {
    const VariableResult v = results.variable(i);
    for (std::size_t k = 0; k < v.numbers.schemes.size(); ++k) {
      Check c = check_scheme(v.numbers.schemes[k], v.measures.schemes[k], limits);
      c.number = v.numbers.number;
      c.name = v.numbers.name;
      checks.push_back(std::move(c));
    }
  }
  return checks;
}

std::string failure_line(const Check& c) {
  std::string line = "check failed: variable " + std::to_string(c.number) + " \"" + c.name +
                     "\", scheme " + c.scheme + ": " + summary(c) + ": ";
  for (std::size_t i = 0; i < c.failures.size(); ++i) line += (i > 0 ? "; " : "") + c.failures[i];
  return line;
}

void write_junit(const std::vector<Check>& checks, std::string_view suite, TextOut& sink) {
  std::size_t failed = 0;
  for (const Check& c : checks) failed += c.passed() ? 0 : 1;
  std::string& out = sink.text();
  const std::string counts = " tests=\"" + std::to_string(checks.size()) + "\" failures=\"" +
                             std::to_string(failed) + "\" errors=\"0\"";
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"tavo\"" + counts +
         ">\n  <testsuite name=\"";
  append_markup_escaped(out, suite.empty() ? std::string_view("tavo") : suite);
  out += "\"" + counts + " skipped=\"0\" time=\"0\">\n";
  for (const Check& c : checks) {
    out += "    <testcase classname=\"tavo.";
    append_markup_escaped(out, c.scheme);
    out += "\" name=\"" + std::to_string(c.number) + " ";
    append_markup_escaped(out, c.name);
    out += "\" time=\"0\">\n";
    if (c.passed()) {
      out += "      <system-out>";
      append_markup_escaped(out, summary(c));
      out += "</system-out>\n";
    } else {
      out += "      <failure message=\"";
      append_markup_escaped(out, summary(c));
      out += "\" type=\"verification\">";
      append_markup_escaped(out, failure_line(c));
      out += "</failure>\n";
    }
    out += "    </testcase>\n";
    sink.piece_done();
  }
  out += "  </testsuite>\n</testsuites>\n";
}

}  // namespace results
