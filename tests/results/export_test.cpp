#include "results/export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "results/results.h"

namespace results {
namespace {

using Json = nlohmann::json;
constexpr double kInf = std::numeric_limits<double>::infinity();

// Two variables on four meshes (1 + v h^2 and 1 + v h), the second scheme closer to exact.
RunInput sample_run() {
  RunInput run;
  run.h = {0.4, 0.2, 0.1, 0.05};
  run.iq = 0;
  run.title = "Caso \xE9 \"teste\"";
  run.report_name = "relat\xF3rio.txt";
  for (int index : {1, 3}) {
    VariableInput v;
    v.index = index;
    v.name = index == 1 ? "Temperatura, m\xE9"
                          "dia"
                        : "Fluxo";
    v.exact = 1;
    v.formal_order = {1, 2};
    for (int k : {kLow, kHigh}) {
      const double p = k == kLow ? 1 : 2;
      for (std::size_t j = 0; j < run.h.size(); ++j) {
        SchemeMeshInput m;
        m.value = 1 + index * std::pow(run.h[j], p);
        if (j >= 1) m.ti_12 = 1;
        if (j >= 2) {
          m.convergence_ratio = std::pow(2, p);
          m.apparent_order = p;
          m.ti_a = j == 2 && k == kLow ? kInf : 1;
        }
        v.schemes[k].push_back(m);
      }
    }
    v.intervals.resize(run.h.size());
    v.intervals[2] = {0.9, 0.2, true, true};
    v.intervals[3] = {5, 5, false, false};  // does not apply: its numbers are not shown
    run.variables.push_back(v);
  }
  return run;
}

TEST(Compute, FillsOnlyWhatEachMeshDefines) {
  Results r = compute(sample_run(), 1.25, "1.0");
  ASSERT_EQ(r.variables.size(), 2u);
  EXPECT_TRUE(std::isnan(r.ratio[0]));
  EXPECT_EQ(r.ratio[1], 2);
  const SchemeResult& low = r.variables[0].schemes[kLow];
  EXPECT_TRUE(std::isnan(low.meshes[0].ti_12));
  EXPECT_TRUE(std::isnan(low.meshes[1].convergence_ratio));
  EXPECT_EQ(low.meshes[1].convergence, Convergence::None);
  EXPECT_TRUE(std::isnan(low.meshes[1].gci));
  EXPECT_EQ(low.meshes[2].convergence, Convergence::Monotonic);
  EXPECT_NEAR(low.meshes[3].gci, 1.25 * (0.05 / 1.05) / 1, 1e-15);
  EXPECT_EQ(low.fit.outcome, FitOutcome::Fitted);
  EXPECT_NEAR(low.fit.p, 1, 1e-8);
  ASSERT_EQ(r.variables[0].intervals.size(), 2u);
  EXPECT_EQ(r.variables[0].intervals[0].mesh, 3);
  EXPECT_EQ(r.variables[0].intervals[0].tq, 0.9);
  EXPECT_EQ(r.variables[0].intervals[0].exact_inside, true);
  EXPECT_TRUE(std::isnan(r.variables[0].intervals[1].tq));
  EXPECT_FALSE(r.variables[0].intervals[1].exact_inside.has_value());
}

TEST(Json, FieldsNullsAndTexts) {
  Results r = compute(sample_run(), 1.25, "1.0");
  const std::string text = to_json(r);
  ASSERT_EQ(text.back(), '\n');
  Json j = Json::parse(text);
  EXPECT_EQ(j["program"], "Tavo");
  EXPECT_EQ(j["version"], "1.0");
  EXPECT_EQ(j["title"], "Caso \xC3\xA9 \"teste\"");
  EXPECT_EQ(j["report"], "relat\xC3\xB3rio.txt");
  EXPECT_EQ(j["iq"], 0);
  ASSERT_EQ(j["meshes"].size(), 4u);
  EXPECT_TRUE(j["meshes"][0]["ratio"].is_null());
  EXPECT_EQ(j["meshes"][3]["h"], 0.05);
  EXPECT_EQ(j["meshes"][3]["ratio"], 2);

  const Json& v = j["variables"][0];
  EXPECT_EQ(v["index"], 1);
  EXPECT_EQ(v["name"],
            "Temperatura, m\xC3\xA9"
            "dia");
  const Json& low = v["schemes"]["low"];
  EXPECT_EQ(low["formal_order"], 1);
  const Json& m1 = low["meshes"][0];
  for (const char* key :
       {"convergence_ratio", "apparent_order", "ti_12", "ti_a", "convergence", "gci"})
    EXPECT_TRUE(m1[key].is_null()) << key;
  EXPECT_TRUE(low["meshes"][2]["ti_a"].is_null());  // infinite
  EXPECT_EQ(low["meshes"][2]["convergence"], "monotonic");
  EXPECT_NEAR(low["least_squares"]["p"].get<double>(), 1, 1e-8);
  EXPECT_EQ(low["least_squares"].size(), 4u);
  ASSERT_EQ(v["intervals"].size(), 2u);
  EXPECT_EQ(v["intervals"][0]["h"], 0.1);
  EXPECT_EQ(v["intervals"][0]["applies"], true);
  EXPECT_EQ(v["intervals"][0]["exact_inside"], true);
  EXPECT_EQ(v["intervals"][1]["applies"], false);
  EXPECT_TRUE(v["intervals"][1]["tq"].is_null());
  EXPECT_TRUE(v["intervals"][1]["exact_inside"].is_null());
}

TEST(Json, TooFewMeshesGiveNoFit) {
  RunInput run = sample_run();
  run.h.resize(3);
  for (VariableInput& v : run.variables) {
    for (auto& s : v.schemes) s.resize(3);
    v.intervals.resize(3);
  }
  Json j = Json::parse(to_json(compute(run, 1.25, "1.0")));
  EXPECT_TRUE(j["variables"][0]["schemes"]["high"]["least_squares"].is_null());
}

TEST(Json, NumbersAreShortestAndReadBackExactly) {
  const double values[] = {0.1, 1.0 / 3, 1e-5, 2, 1e300, 5e-324, -0.0, 123456789.125};
  for (double v : values) {
    const std::string s = shortest(v);
    EXPECT_EQ(std::strtod(s.c_str(), nullptr), v) << s;
  }
  EXPECT_EQ(shortest(0.1), "0.1");
  EXPECT_EQ(shortest(1e-5), "1e-05");
  EXPECT_EQ(shortest(2), "2");
  RunInput run = sample_run();
  run.h[3] = 0.1 * 3;  // 0.30000000000000004
  const std::string text = to_json(compute(run, 1.25, "1.0"));
  EXPECT_NE(text.find("\"h\": 0.30000000000000004"), std::string::npos);
}

std::vector<std::vector<std::string>> parse_csv(const std::string& text) {
  std::vector<std::vector<std::string>> rows(1);
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      rows.back().push_back(field);
      field.clear();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      rows.back().push_back(field);
      field.clear();
      rows.emplace_back();
      ++i;
    } else {
      field += c;
    }
  }
  EXPECT_TRUE(rows.back().empty() && field.empty()) << "the last row must end with CR LF";
  rows.pop_back();
  return rows;
}

TEST(Csv, OneRowPerVariableSchemeAndMesh) {
  RunInput run = sample_run();
  run.variables[1].name = "a \"b\"\r\nc";
  const auto rows = parse_csv(to_csv(compute(run, 1.25, "1.0")));
  ASSERT_EQ(rows.size(), 1 + 2 * 2 * 4u);
  ASSERT_EQ(rows[0].size(), std::size(kCsvColumns));
  for (const auto& row : rows) ASSERT_EQ(row.size(), rows[0].size());
  auto col = [&](std::string_view name) {
    for (std::size_t i = 0; i < rows[0].size(); ++i)
      if (rows[0][i] == name) return i;
    ADD_FAILURE() << name;
    return std::size_t{0};
  };
  EXPECT_EQ(rows[1][col("name")],
            "Temperatura, m\xC3\xA9"
            "dia");
  EXPECT_EQ(rows[1][col("scheme")], "low");
  EXPECT_EQ(rows[1][col("mesh")], "1");
  EXPECT_EQ(rows[1][col("h")], "0.4");
  EXPECT_EQ(rows[1][col("ti_12")], "");
  EXPECT_EQ(rows[1][col("tq")], "");
  EXPECT_EQ(rows[3][col("ti_a")], "");  // infinite
  EXPECT_EQ(rows[3][col("tq")], "0.9");
  EXPECT_EQ(rows[3][col("applies")], "true");
  EXPECT_EQ(rows[3][col("exact_inside")], "true");
  EXPECT_EQ(rows[4][col("applies")], "false");
  EXPECT_EQ(rows[4][col("exact_inside")], "");
  EXPECT_EQ(rows[4][col("convergence")], "monotonic");
  EXPECT_EQ(rows[5][col("scheme")], "high");
  EXPECT_EQ(rows[7][col("tq")], "0.9");  // the interval repeated on the other scheme's row
  EXPECT_EQ(rows[9][col("variable")], "3");
  EXPECT_EQ(rows[9][col("name")], "a \"b\"\r\nc");
  EXPECT_EQ(rows[1][col("ls_p")], rows[4][col("ls_p")]);
}

}  // namespace
}  // namespace results
