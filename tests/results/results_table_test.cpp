#include "results/results_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "model/variable_arrays.h"
#include "results/export.h"

namespace results {
namespace {

using Scheme = model::VariableArrays::Scheme;

// Two quantities of one scheme on four meshes: 1 + h^2 (order 2) and a quantity whose last
// triplet diverges; the second named with a comma and in other case.
class ResultsTableTest : public ::testing::Test {
 protected:
  ResultsTableTest() {
    const std::vector<double> h = {0.4, 0.2, 0.1, 0.05};
    add(1, "Lift", h, {1.16, 1.04, 1.01, 1.0025});
    add(2, "drag, total", h, {2, 1.5, 1.25, 1.5});
    r_ = compute(numbers_, {}, "1.0");
  }
  void add(int number, std::string name, const std::vector<double>& h, std::vector<double> v) {
    arrays_.push_back(std::make_unique<model::VariableArrays>(
        number, std::move(name), model::kUndefined, std::vector<Scheme>{{"solution", 2, h, v}},
        model::OrderSolver{}, false));
    numbers_.variables.push_back(arrays_.back()->numbers());
  }

  std::vector<std::unique_ptr<model::VariableArrays>> arrays_;
  model::Numbers numbers_;
  Results r_;
};

TEST_F(ResultsTableTest, CellsSortFilterAndCopy) {
  const ResultsTable t(r_, Language::English);
  ASSERT_EQ(t.rows(), 8u);
  EXPECT_EQ(t.text(0, TableColumn::Variable), "1 Lift");
  EXPECT_EQ(t.text(2, TableColumn::Mesh), "3");
  EXPECT_EQ(t.text(0, TableColumn::ApparentOrder), "");
  EXPECT_EQ(t.text(3, TableColumn::ApparentOrder), "2");
  EXPECT_EQ(t.text(3, TableColumn::Class), "monotonic");
  EXPECT_EQ(t.convergence(7), Convergence::OscillatoryDivergent);
  EXPECT_EQ(t.variable(7), 1u);
  EXPECT_EQ(ResultsTable(r_, Language::Portuguese).header(TableColumn::Class), "classe");

  // Rows without a number come last both ways; ties keep the table's order.
  EXPECT_EQ(t.sorted(TableColumn::ApparentOrder, false),
            (std::vector<std::size_t>{7, 6, 3, 2, 0, 1, 4, 5}));
  EXPECT_EQ(t.sorted(TableColumn::ApparentOrder, true),
            (std::vector<std::size_t>{2, 3, 6, 7, 0, 1, 4, 5}));
  EXPECT_EQ(t.sorted(TableColumn::Variable, true).front(), 4u);
  EXPECT_TRUE(t.matches(0, "lIFT"));
  EXPECT_FALSE(t.matches(4, "lift"));
  EXPECT_TRUE(t.matches(4, "2 drag"));
  EXPECT_TRUE(t.matches(4, ""));

  const std::size_t rows[] = {3, 5};
  EXPECT_EQ(t.tab_separated(rows),
            "Variable\tscheme\tmesh\th\tvalue\tR\tp\tGCI\tU\tclass\r\n"
            "1 Lift\tsolution\t4\t0.05\t1.0025\t" +
                shortest(t.number(3, TableColumn::ConvergenceRatio)) + "\t" +
                shortest(t.number(3, TableColumn::ApparentOrder)) + "\t" +
                shortest(t.number(3, TableColumn::Gci)) + "\t" +
                shortest(t.number(3, TableColumn::Uncertainty)) + "\tmonotonic\r\n" +
                "2 drag, total\tsolution\t2\t0.2\t1.5\t\t\t\t" +
                shortest(t.number(5, TableColumn::Uncertainty)) + "\t\r\n");
  const std::string csv = t.csv(rows);
  EXPECT_NE(csv.find("\r\n\"2 drag, total\",solution,2,0.2,1.5,,,,"), std::string::npos) << csv;
}

}  // namespace
}  // namespace results
