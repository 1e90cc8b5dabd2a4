#include "study/mesh_study.h"

#include <gtest/gtest.h>

#include <cmath>

#include "study/table.h"

namespace study {
namespace {

MeshTable read(std::string_view text, int dimension = 0) {
  MeshTable table;
  ReadOptions options;
  options.source_name = "t.csv";
  options.dimension = dimension;
  const Error e = read_mesh_table(text, options, table);
  EXPECT_FALSE(e.failed()) << e.message;
  return table;
}

// Each quantity on the meshes where it has a value; the method of the apparent order from the
// sizes; the schemes' order and the interval test as the run's.
TEST(MeshStudyTest, QuantitiesSchemesAndMethods) {
  struct Case {
    std::string table;
    FormalOrders orders;
    int dimension;
    std::int32_t iq;
    std::vector<std::string> schemes;  // of the first quantity, in the model's order
    std::vector<std::size_t> meshes;   // of each scheme of the first quantity
    bool intervals;
  } cases[] = {
      // A blank cell leaves the mesh out of that quantity only (whose ratio then varies).
      {"h,a,b\n0.4,1.16,2\n0.2,1.04,\n0.1,1.01,3\n0.05,1.0025,4\n",
       {},
       0,
       1,
       {"solution"},
       {4},
       false},
      // Cells in 3D give sizes of one ratio (exact cubes stay exact).
      {"cells,a\n1000,1\n8000,2\n64000,3\n", {}, 3, 0, {"solution"}, {3}, false},
      {"h,a\n1,1\n0.6,2\n0.2,3\n", {}, 0, 1, {"solution"}, {3}, false},
      // The scheme of lower formal order comes first, and the two are compared.
      {"h,scheme,a\n0.4,up,1.16\n0.2,up,1.04\n0.1,up,1.01\n0.4,lo,1.3\n0.2,lo,1.1\n0.1,lo,1.04\n"
       "exact,,1\n",
       {.all = 2, .by_scheme = {{"lo", 1}}},
       0,
       0,
       {"lo", "up"},
       {3, 3},
       true},
      // No exact value: no interval test.
      {"h,scheme,a\n0.4,x,1\n0.2,x,2\n0.1,x,3\n0.4,y,1\n0.2,y,2\n0.1,y,3\n",
       {},
       0,
       0,
       {"x", "y"},
       {3, 3},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    const MeshStudy study(read(c.table, c.dimension), c.orders, "t.csv");
    const model::Numbers& n = study.numbers();
    EXPECT_EQ(n.iq, c.iq);
    EXPECT_EQ(n.title, "t.csv");
    const model::Variable& v = n.variables.at(0);
    EXPECT_EQ(v.number, 1);
    ASSERT_EQ(v.schemes.size(), c.schemes.size());
    for (std::size_t k = 0; k < c.schemes.size(); ++k) {
      EXPECT_EQ(v.schemes[k].scheme, c.schemes[k]);
      EXPECT_EQ(v.schemes[k].mesh_count(), c.meshes[k]);
      EXPECT_EQ(v.schemes[k].formal_order, c.orders.of(c.schemes[k]));
    }
    EXPECT_EQ(v.intervals.has_value(), c.intervals);
  }
  const MeshStudy blank(read(cases[0].table), {}, "t.csv");
  const model::Series& b = blank.numbers().variables[1].schemes[0];
  ASSERT_EQ(b.mesh_count(), 3u);
  EXPECT_EQ(b.h[1], 0.1);
  EXPECT_EQ(blank.numbers().h, (std::vector<double>{0.4, 0.2, 0.1, 0.05}));
}

}  // namespace
}  // namespace study
