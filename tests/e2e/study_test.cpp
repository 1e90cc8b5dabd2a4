// tavo study and tavo import from the outside: tables pasted or piped, bad tables, fields that
// stream, the verdict for CI, and a study that agrees with the run of the case it imports.
#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <thread>

#include "e2e/tavo_run.h"

namespace tavo::testing {
namespace {

using Json = nlohmann::json;

// Every study runs in the folder "s" of its own scratch folder, where its table and files lie.
class StudyTest : public ::testing::Test {
 protected:
  StudyTest() { fs::create_directories(dir()); }
  fs::path dir() const { return tmp_.path() / "s"; }
  RunResult study(const std::string& table, std::vector<std::string> args) {
    write_file(dir() / "t.csv", table);
    args.insert(args.begin(), {"study"});
    args.push_back("t.csv");
    return Tavo(dir(), {.args = args}).wait();
  }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir())) out.push_back(e.path().filename());
    std::sort(out.begin(), out.end());
    return out;
  }

  TempDir tmp_;
};

// The first example of the README: cell counts pasted from a spreadsheet in a Portuguese
// locale (semicolons, decimal commas), the summary on standard output.
TEST_F(StudyTest, PastedSpreadsheet) {
  const std::string table =
      "cells;lift;drag\n1000;0,3921;0,1121\n8000;0,3569;0,1069\n27000;0,3425;0,1045\n"
      "216000;0,3330;0,1030\n";
  write_file(dir() / "t.csv", table);
  RunResult r =
      Tavo(dir(), {.args = {"study", "--dimension", "3", "-"}, .input = dir() / "t.csv"}).wait();
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out.rfind("Quantity 1: lift, scheme solution (formal order 2)\n", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("Quantity 2: drag"), std::string::npos);
  EXPECT_NE(r.out.find("     0.0333333        0.3425       2.44444      0.641188"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("U: Eça-Hoekstra uncertainty, power (weighted)"), std::string::npos);

  r = study(table, {"--dimension", "3", "--lang", "pt", "--json", "r.json", "--csv", "r.csv"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("Grandeza 1: lift, esquema solution (ordem formal 2)", 0), 0u);
  const Json j = Json::parse(read_file(dir() / "r.json"));
  EXPECT_EQ(j["variables"][1]["name"], "drag");
  EXPECT_EQ(j["variables"][1]["schemes"]["solution"]["meshes"].size(), 4u);
  EXPECT_FALSE(j["variables"][1]["schemes"]["solution"]["eh2014"].is_null());
}

// A bad table is one line naming the file, the line and what is wrong, status 2, and nothing
// written; a quantity with fewer than three meshes is not one of them.
TEST_F(StudyTest, BadTablesWriteNothing) {
  struct Case {
    std::string table;
    std::vector<std::string> args;
    std::string message;  // the start of the line after "tavo: "
  } cases[] = {
      {"h,lift\n0.1,1\n0.05,\"1,2.3\"\n",
       {},
       "t.csv:3: column \"lift\": \"1,2.3\" is not a number"},
      {"", {}, "t.csv:"},
      {"\x01\x02\x00\x03", {}, "t.csv:"},
      {"h,lift,lift\n0.1,1,2\n", {}, "t.csv:1:"},
      {"h,lift\n0.1,1\n0.1,2\n", {}, "t.csv:3:"},
      {"h,lift\n0,1\n", {}, "t.csv:2:"},
      {"h,lift\n0.1,nan\n", {}, "t.csv:2:"},
      {"h,lift\n0.1,1,3\n", {}, "t.csv:2:"},
      {"cells,lift\n100,1\n", {}, "t.csv:1:"},
      {"point,h=0.2,h=0.1\np,1,2\n", {"--plots", "charts"}, "--plots is not available for a field"},
      {"point,h=0.2,h=0.1\np,1,2\n", {"--html", "r.html"}, "--html is not available for a field"},
      {"h,lift\n0.2,1\n0.1,2\n", {"--show"}, "--show needs the desktop window"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--json", "r.json", "--csv", "r.csv"});
    const RunResult r = study(c.table, args);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.err.rfind("tavo: " + c.message, 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(names(), (std::vector<std::string>{"t.csv"}));
  }
  const RunResult r = study("h,lift,drag\n0.2,1.04,2\n0.1,1.01,\n0.05,1.0025,\n", {});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("(fewer than 3 meshes: no convergence ratio, order or GCI)"),
            std::string::npos);
}

// A table of both schemes with exact values, as `tavo import` writes it for the run: the
// study's numbers are the run's, to the last bit.
void expect_same_numbers(const Json& study, const Json& run) {
  EXPECT_EQ(study["meshes"], run["meshes"]);
  EXPECT_EQ(study["iq"], run["iq"]);
  ASSERT_EQ(study["variables"].size(), run["variables"].size());
  for (std::size_t i = 0; i < run["variables"].size(); ++i)
    EXPECT_EQ(study["variables"][i], run["variables"][i]) << i;
}

std::string table_of(const std::vector<double>& h, const std::vector<std::string>& names,
                     const std::vector<std::vector<double>>& low,
                     const std::vector<std::vector<double>>& high,
                     const std::vector<double>& exact) {
  auto text = [](double v) {
    std::ostringstream s;
    s.precision(17);
    s << v;
    return s.str();
  };
  std::string t = "h,scheme";
  for (const std::string& n : names) t += "," + n;
  t += "\n";
  for (const auto* scheme : {&low, &high})
    for (std::size_t j = 0; j < h.size(); ++j) {
      t += text(h[j]) + (scheme == &low ? ",low" : ",high");
      for (std::size_t q = 0; q < names.size(); ++q) t += "," + text((*scheme)[q][j]);
      t += "\n";
    }
  t += "exact,";
  for (double e : exact) t += "," + text(e);
  return t + "\n";
}

TEST_F(StudyTest, StudyAgreesWithTheRunOfItsImportedCase) {
  std::vector<std::string> tables;
  for (const char* example : {"constant-ratio", "variable-ratio"}) {
    const Json j = Json::parse(
        read_file(source_dir() / "tests/data/examples" / (std::string(example) + ".json")));
    std::vector<double> h, exact;
    std::vector<std::string> names;
    std::vector<std::vector<double>> low, high;
    for (const Json& m : j["meshes"]) h.push_back(m["h"]);
    for (const Json& v : j["variables"]) {
      names.push_back("q" + std::to_string(names.size() + 1));
      exact.push_back(v["exact"]);
      for (auto [key, values] : {std::pair{"low", &low}, std::pair{"high", &high}}) {
        values->emplace_back();
        for (const Json& m : v["schemes"][key]["meshes"]) values->back().push_back(m["value"]);
      }
    }
    tables.push_back(table_of(h, names, low, high, exact));
  }
  std::mt19937_64 random(20261209);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int c = 0; c < 4; ++c) {
    std::vector<double> h = {1};
    const int meshes = 3 + c;
    for (int j = 1; j < meshes; ++j) h.push_back(h.back() / (c % 2 == 0 ? 2 : 1.3 + unit(random)));
    std::vector<std::vector<double>> low(3), high(3);
    std::vector<double> exact;
    for (int q = 0; q < 3; ++q) {
      exact.push_back(unit(random));
      for (double x : h) {
        low[q].push_back(exact[q] + 0.3 * x * (1 + 0.05 * unit(random)));
        high[q].push_back(exact[q] + 0.2 * x * x * (1 + 0.05 * unit(random)));
      }
    }
    tables.push_back(table_of(h, {"a", "b", "c"}, low, high, exact));
  }
  for (const std::string& table : tables) {
    SCOPED_TRACE(table);
    RunResult r = study(table, {"--formal-order", "low=1,high=2", "--json", "study.json"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    fs::remove_all(dir() / "case");
    r = Tavo(dir(), {.args = {"import", "--formal-order", "low=1,high=2", "t.csv", "case"}}).wait();
    ASSERT_EQ(r.exit_code, 0) << r.err;
    r = Tavo(dir() / "case", {.args = {"--no-editor", "--json", "../run.json"}}).wait();
    ASSERT_EQ(r.exit_code, 0) << r.err;
    expect_same_numbers(Json::parse(read_file(dir() / "study.json")),
                        Json::parse(read_file(dir() / "run.json")));
  }
  // A table that cannot be a case says why.
  write_file(dir() / "t.csv", "h,lift\n0.2,1\n0.1,2\n0.05,3\n");
  const RunResult r = Tavo(dir(), {.args = {"import", "t.csv", "other"}}).wait();
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err,
            "tavo: a case needs two schemes (a scheme column with two names); the table has 1\n");
  EXPECT_FALSE(fs::exists(dir() / "other"));
}

// A field on a pipe streams its summary as points come; control-C then leaves no output file,
// not even half of one. From a file it gives one CSV row per point, and the verdict.
TEST_F(StudyTest, FieldsStreamAndCheck) {
  Tavo piped(dir(), {.args = {"study", "-", "--csv", "r.csv"}, .input = std::nullopt});
  ASSERT_TRUE(piped.write_input("point,h=0.4,h=0.2,h=0.1,h=0.05\np1,1.16,1.04,1.01,1.0025\n"));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (piped.out_so_far().find("p1") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_NE(piped.out_so_far().find("p1"), std::string::npos) << "the summary streams";
  ::kill(piped.pid(), SIGINT);
  const RunResult stopped = piped.wait();
  EXPECT_EQ(stopped.signal, SIGINT);
  EXPECT_EQ(names(), std::vector<std::string>{});

  std::string field = "point,x,h=0.4,h=0.2,h=0.1,h=0.05,exact\n";
  for (int p = 0; p < 1000; ++p) {
    const double e = p / 1000.0;
    field += "p" + std::to_string(p + 1) + "," + std::to_string(e);
    for (double h : {0.4, 0.2, 0.1, 0.05})
      field += "," + std::to_string(p == 7 ? e + (h > 0.3 || h < 0.1 ? 0.3 : 0.1) : e + h * h);
    field += "," + std::to_string(e) + "\n";  // point 8 oscillates
  }
  const RunResult r = study(field, {"--csv", "r.csv", "--check-order", "0.1"});
  EXPECT_EQ(r.exit_code, 3) << r.err;
  EXPECT_EQ(r.err.rfind("tavo: check failed: variable 8 \"p8 0.007000\"", 0), 0u) << r.err;
  const std::string csv = read_file(dir() / "r.csv");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1001);
  EXPECT_EQ(csv.rfind("point,x,exact,value_1,", 0), 0u);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1001);
}

}  // namespace
}  // namespace tavo::testing
