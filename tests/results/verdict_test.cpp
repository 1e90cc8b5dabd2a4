#include "results/verdict.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "model/variable_arrays.h"
#include "support/temp_dir.h"

namespace results {
namespace {

using Scheme = model::VariableArrays::Scheme;

CheckLimits order(double tolerance) {
  CheckLimits l;
  l.order_tolerance = tolerance;
  return l;
}
CheckLimits gci_at_most(double limit) {
  CheckLimits l;
  l.gci_limit = limit;
  return l;
}

// Variables on h = 1/2^k: 1 + h^2 converges at order 2, 1 + h at order 1, an alternating
// sequence oscillates; a variable on two meshes has no triplet.
class VerdictTest : public ::testing::Test {
 protected:
  void add(int number, std::vector<double> low, std::vector<double> high) {
    std::vector<double> h;
    for (std::size_t j = 0; j < low.size(); ++j) h.push_back(std::ldexp(0.5, -int(j)));
    arrays_.push_back(std::make_unique<model::VariableArrays>(
        number, "v" + std::to_string(number), 1,
        std::vector<Scheme>{{"low", 2, h, low}, {"high", 2, h, high}}, model::OrderSolver{},
        false));
    numbers_.variables.push_back(arrays_.back()->numbers());
  }
  static std::vector<double> power(double p, int meshes) {
    std::vector<double> v;
    for (int j = 0; j < meshes; ++j) v.push_back(1 + std::pow(std::ldexp(0.5, -j), p));
    return v;
  }
  Results results() const { return compute(numbers_, {}, "1.0"); }

  std::vector<std::unique_ptr<model::VariableArrays>> arrays_;
  model::Numbers numbers_;
};

TEST_F(VerdictTest, FailuresAndTheirReasons) {
  add(1, power(2, 4), power(2, 4));
  add(2, power(1, 4), {1, 2, 1, 2});
  add(3, {1, 2}, {1, 2});
  struct Case {
    CheckLimits limits;
    std::vector<std::string> failures;  // per check, in order: reasons joined by "; "
  } cases[] = {
      {order(0.1),
       {"", "", "order off by more than 0.1", "order off by more than 0.1; not monotonic",
        "no finest triplet (2 meshes)", "no finest triplet (2 meshes)"}},
      {order(1.5),
       {"", "", "", "order off by more than 1.5; not monotonic", "no finest triplet (2 meshes)",
        "no finest triplet (2 meshes)"}},
      {gci_at_most(1e-3),
       {"GCI above 0.001", "GCI above 0.001", "GCI above 0.001", "GCI above 0.001",
        "no finest triplet (2 meshes)", "no finest triplet (2 meshes)"}},
      {gci_at_most(1),
       {"", "", "", "GCI above 1", "no finest triplet (2 meshes)", "no finest triplet (2 meshes)"}},
  };
  const Results r = results();
  for (const Case& c : cases) {
    const std::vector<Check> checks = check(r, c.limits);
    ASSERT_EQ(checks.size(), c.failures.size());
    for (std::size_t i = 0; i < checks.size(); ++i) {
      std::string joined;
      for (const std::string& f : checks[i].failures) joined += (joined.empty() ? "" : "; ") + f;
      EXPECT_EQ(joined, c.failures[i]) << i;
    }
  }
  const std::vector<Check> checks = check(r, order(0.1));
  EXPECT_NEAR(checks[0].p, 2, 1e-9);
  EXPECT_EQ(failure_line(checks[3]).rfind("check failed: variable 2 \"v2\", scheme high: p = 0, "
                                          "formal order 2, GCI undefined, oscillatory-divergent: ",
                                          0),
            0u)
      << failure_line(checks[3]);
}

// The JUnit file validates against the schema CI servers read, with one case per variable and
// scheme and a failure where its check failed.
TEST_F(VerdictTest, JUnitValidatesAgainstTheSchema) {
  add(1, power(2, 4), power(2, 4));
  add(2, power(1, 4), {1, 2, 1, 2});
  numbers_.variables[1].name = "a <&> \"b\"\x01";
  const std::vector<Check> checks = check(results(), order(0.1));
  TextOut out;
  write_junit(checks, "Caso & teste", out);
  const std::string& xml = out.text();
  EXPECT_NE(xml.find("tests=\"4\" failures=\"2\""), std::string::npos);
  EXPECT_NE(xml.find("name=\"2 a &lt;&amp;&gt; &quot;b&quot; \""), std::string::npos);
  tavo::testing::TempDir tmp;
  tavo::testing::write_file(tmp.path() / "r.xml", xml);
  const std::string command = "xmllint --noout --schema '" TAVO_SOURCE_DIR
                              "/tests/data/schemas/junit.xsd' '" +
                              (tmp.path() / "r.xml").string() + "' 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << xml;
}

}  // namespace
}  // namespace results
