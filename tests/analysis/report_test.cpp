#include <gtest/gtest.h>

#include <limits>
#include <thread>

#include "analysis/io.h"
#include "analysis/one_variable.h"
#include "analysis/order_analysis.h"
#include "recio/statements.h"
#include "support/temp_dir.h"

namespace analysis {
namespace {

using tavo::testing::read_file;

// A variable's heading and tables made ahead on another thread are the bytes written directly.
TEST(ReportTest, StatementsMadeAheadAreTheStatementsWritten) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    std::vector<double> h, low, high;
  } cases[] = {
      {{0.4}, {1.16}, {1.02}},
      {{0.4, 0.2}, {1.16, 1.04}, {1.02, 1.005}},
      {{0.4, 0.2, 0.1, 0.05}, {1.16, 1.04, 1.01, 1.0025}, {1.1, 1.02, 1.0, 1.01}},
      {{0.4, 0.2, 0.1}, {2.0, 1.0, 1.0}, {1.0, inf, 1.0}},  // estimates not finite
  };
  tavo::testing::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.h.size());
    auto run = one_variable(c.h, c.low, c.high, 1.0);
    State& s = *run;
    analyse_variable(s, 1);
    s.var_name(1) = "vari\xE1vel";
    ASSERT_EQ(recio::open(10, {.file = "direct.txt"}, 0), recio::kOk);
    write_variable_heading(s, 1);
    write_variable_report(s, 1);
    ASSERT_EQ(recio::close(10, {}, 0), recio::kOk);

    recio::MadeStatements heading, tables;
    bool complete = false;
    std::thread([&] {
      complete = make_variable_heading(s, 1, heading) && make_variable_report(s, 1, tables);
    }).join();
    ASSERT_TRUE(complete);
    ASSERT_EQ(recio::open(10, {.file = "made.txt"}, 0), recio::kOk);
    write_made(heading);
    write_made(tables);
    ASSERT_EQ(recio::close(10, {}, 0), recio::kOk);
    EXPECT_EQ(read_file("made.txt"), read_file("direct.txt"));
  }
}

}  // namespace
}  // namespace analysis
