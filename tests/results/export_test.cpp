#include "results/export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

#include "model/variable_arrays.h"
#include "results/json_writer.h"
#include "results/results.h"

namespace results {
namespace {

using Json = nlohmann::json;

// Two variables analysed as the run does: the low-order scheme 1 + h^2 + h/10 (formal order
// 0.9), the high-order one 1 + h^2; the high-order estimates lie inside the low-order ones on
// every triplet, and only the first variable's exact value lies inside the band. The second
// variable's low-order scheme diverges on the fourth mesh (no order: Ti_a infinite).
class Sample {
 public:
  explicit Sample(std::vector<double> h = {0.4, 0.2, 0.1, 0.05}) {
    numbers_.title = "Caso \xC3\xA9 \"teste\"";
    numbers_.source = "relat\xC3\xB3rio.txt";
    numbers_.iq = 0;
    numbers_.h = h;
    for (int number : {1, 3}) {
      std::vector<double> low, high;
      for (double x : h) {
        low.push_back(1 + x * x + 0.1 * x);
        high.push_back(1 + x * x);
      }
      if (number == 3 && h.size() > 3) low[3] = low[2] + 1;
      using Scheme = model::VariableArrays::Scheme;
      arrays_.push_back(std::make_unique<model::VariableArrays>(
          number,
          number == 1 ? "Temperatura, m\xC3\xA9"
                        "dia"
                      : "a \"b\"\r\nc",
          number == 1 ? 1 : 0.5, std::vector<Scheme>{{"low", 0.9, h, low}, {"high", 2, h, high}},
          model::OrderSolver{}, true));
      numbers_.variables.push_back(arrays_.back()->numbers());
    }
  }
  Results results(const Settings& settings = {}) const {
    return compute(numbers_, settings, "1.0");
  }

 private:
  std::vector<std::unique_ptr<model::VariableArrays>> arrays_;
  model::Numbers numbers_;
};

TEST(Json, FieldsNullsAndTexts) {
  const std::string text = to_json(Sample().results());
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
  EXPECT_EQ(low["formal_order"], 0.9);
  for (const char* key :
       {"convergence_ratio", "apparent_order", "ti_12", "ti_a", "convergence", "gci"})
    EXPECT_TRUE(low["meshes"][0][key].is_null()) << key;
  EXPECT_FALSE(low["meshes"][1]["ti_12"].is_null());
  EXPECT_TRUE(low["meshes"][1]["ti_a"].is_null());
  EXPECT_EQ(low["meshes"][2]["convergence"], "monotonic");
  EXPECT_GT(low["meshes"][3]["gci"].get<double>(), 0);
  EXPECT_EQ(low["least_squares"].size(), 4u);
  ASSERT_EQ(v["intervals"].size(), 2u);
  EXPECT_EQ(v["intervals"][0]["h"], 0.1);
  EXPECT_EQ(v["intervals"][0]["applies"], true);
  EXPECT_EQ(v["intervals"][0]["exact_inside"], true);

  const Json& w = j["variables"][1];
  EXPECT_EQ(w["name"], "a \"b\"\r\nc");
  EXPECT_TRUE(w["schemes"]["low"]["meshes"][3]["ti_a"].is_null());  // infinite
  EXPECT_EQ(w["schemes"]["low"]["meshes"][3]["apparent_order"], 0);
  EXPECT_EQ(w["intervals"][0]["exact_inside"], false);
  EXPECT_EQ(w["intervals"][1]["applies"], false);
  EXPECT_TRUE(w["intervals"][1]["tq"].is_null());
  EXPECT_TRUE(w["intervals"][1]["exact_inside"].is_null());

  // The uncertainty estimate with four meshes or more, and why there is none with three; the
  // mesh for a target GCI only when one is asked for.
  EXPECT_EQ(low["eh2014"].size(), 7u);
  EXPECT_TRUE(low["eh2014_note"].is_null());
  EXPECT_GT(low["meshes"][0]["u_eh2014"].get<double>(), 0);
  EXPECT_NEAR(low["meshes"][1]["error"].get<double>(), 0.04 + 0.02, 1e-15);
  EXPECT_FALSE(low.contains("target"));
  const Json three = Json::parse(to_json(Sample({0.4, 0.2, 0.1}).results()));
  const Json& high3 = three["variables"][0]["schemes"]["high"];
  EXPECT_TRUE(high3["least_squares"].is_null());
  EXPECT_TRUE(high3["eh2014"].is_null());
  EXPECT_EQ(high3["eh2014_note"], "too-few-meshes");
  EXPECT_TRUE(high3["meshes"][2]["u_eh2014"].is_null());
  const Sample sample;
  const Json target = Json::parse(to_json(sample.results(
      {.safety_factor = 1.25, .target_gci = 1e-4})))["variables"][0]["schemes"]["high"]["target"];
  EXPECT_EQ(target["gci"], 1e-4);
  EXPECT_LT(target["h"].get<double>(), 0.05);
}

// The layout scripts and diff tools see: two-space indentation, containers of scalars on one
// line, empty containers closed at once, texts escaped.
TEST(Json, WriterLayout) {
  std::string out;
  JsonWriter json(out);
  using Layout = JsonWriter::Layout;
  json.begin_object();
  json.key("a").begin_array();
  json.begin_object(Layout::Line);
  json.key("h").number(0.1 * 3);
  json.key("n").null();
  json.key("i").integer(-7);
  json.end_object();
  json.end_array();
  json.key("e").begin_array();
  json.end_array();
  json.key("t").text("\"\\\n\t\x01\x7F\xC3\xA9");
  json.key("x").number(std::nan(""));
  json.key("b").boolean(false);
  json.end_object();
  EXPECT_EQ(out,
            "{\n  \"a\": [\n    {\"h\": 0.30000000000000004, \"n\": null, \"i\": -7}\n  ],\n"
            "  \"e\": [],\n  \"t\": \"\\\"\\\\\\n\\t\\u0001\x7F\xC3\xA9\",\n  \"x\": null,\n"
            "  \"b\": false\n}");
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
  const auto rows = parse_csv(to_csv(Sample().results()));
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
  EXPECT_EQ(rows[1][col("applies")], "");
  EXPECT_NE(rows[3][col("tq")], "");
  EXPECT_EQ(rows[3][col("applies")], "true");
  EXPECT_EQ(rows[3][col("exact_inside")], "true");
  EXPECT_EQ(rows[3][col("convergence")], "monotonic");
  EXPECT_EQ(rows[5][col("scheme")], "high");
  EXPECT_EQ(rows[7][col("tq")], rows[3][col("tq")]);  // repeated on the other scheme's row
  EXPECT_EQ(rows[1][col("ls_p")], rows[4][col("ls_p")]);
  EXPECT_EQ(rows[9][col("variable")], "3");
  EXPECT_EQ(rows[9][col("name")], "a \"b\"\r\nc");
  EXPECT_EQ(rows[11][col("exact_inside")], "false");
  EXPECT_EQ(rows[12][col("ti_a")], "");  // infinite
  EXPECT_EQ(rows[12][col("applies")], "false");
  EXPECT_EQ(rows[12][col("exact_inside")], "");
  EXPECT_EQ(rows[1][col("eh2014_note")], "");
  EXPECT_EQ(rows[1][col("eh2014_estimator")], rows[4][col("eh2014_estimator")]);
  EXPECT_NE(rows[1][col("u_eh2014")], "");
  EXPECT_EQ(rows[1][col("target_h")], "");
}

}  // namespace
}  // namespace results
