// Whole runs on complete input folders, with the report compared byte for byte (code page 1252,
// CR LF) except the line with the date and time, on the sequential and on the pipelined path;
// and the extras of the shipped examples.
#include <gtest/gtest.h>

#include <regex>
#include <tuple>

#include "e2e/tavo_run.h"

namespace tavo::testing {
namespace {

struct GoldenCase {
  const char* folder;    // under the source tree
  const char* report;    // the report file dados.r33 names
  const char* expected;  // the expected report, under the source tree
};

class GoldenTest : public ::testing::TestWithParam<std::tuple<GoldenCase, const char*>> {};

TEST_P(GoldenTest, ReportMatchesByteForByte) {
  const auto& [c, pipeline] = GetParam();
  TempDir tmp;
  fs::path dir = tmp.path() / "case";
  copy_case(source_dir() / c.folder, dir);
  fs::remove(dir / "expected-report.txt");

  RunResult r = run_tavo(dir, {std::string("TAVO_PIPELINE=") + pipeline});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.notepad_log, std::string("dados.r33\n") + c.report + "\n");

  std::string report = read_file(dir / c.report);
  std::string expected = read_file(source_dir() / c.expected);
  EXPECT_EQ(without_date_line(report), without_date_line(expected));
  // The date and time line: "(D/M/YYYY)" and "H:M:S" without leading zeros.
  std::regex date_line(
      "     Dia = \\(([1-9]|[12][0-9]|3[01])/([1-9]|1[0-2])/[0-9]{4}\\) *"
      "     Hora = ([0-9]|1[0-9]|2[0-3]):([0-9]|[1-5][0-9]):([0-9]|[1-5][0-9]) *\r");
  bool found = false;
  std::size_t at = 0;
  while (at < report.size()) {
    std::size_t end = report.find('\n', at);
    std::string line = report.substr(at, end - at);
    if (line.find("Dia = ") != std::string::npos) {
      found = true;
      EXPECT_TRUE(std::regex_match(line, date_line)) << line;
      EXPECT_EQ(line.size(), 44u) << line;  // the time field ends in column 43, then CR
    }
    at = end == std::string::npos ? report.size() : end + 1;
  }
  EXPECT_TRUE(found);
}

INSTANTIATE_TEST_SUITE_P(
    Golden, GoldenTest,
    ::testing::Combine(
        ::testing::Values(GoldenCase{"tests/data/golden/worked", "relatorio.txt",
                                     "tests/data/golden/worked/expected-report.txt"},
                          GoldenCase{"tests/data/golden/normal-31337", "relatorio.txt",
                                     "tests/data/golden/normal-31337/expected-report.txt"},
                          GoldenCase{"tests/data/golden/edge-16180", "res.out",
                                     "tests/data/golden/edge-16180/expected-report.txt"},
                          GoldenCase{"tests/data/golden/edge-27182", "relatorio.txt",
                                     "tests/data/golden/edge-27182/expected-report.txt"},
                          GoldenCase{"tests/data/golden/edge-60002", "relatorio.txt",
                                     "tests/data/golden/edge-60002/expected-report.txt"},
                          GoldenCase{"tests/data/golden/edge-60028", "saida.txt",
                                     "tests/data/golden/edge-60028/expected-report.txt"},
                          GoldenCase{"tests/data/golden/edge-60076", "relatorio.txt",
                                     "tests/data/golden/edge-60076/expected-report.txt"},
                          GoldenCase{"examples/constant-ratio", "relatorio.txt",
                                     "tests/data/examples/constant-ratio.report"},
                          GoldenCase{"examples/variable-ratio", "relatorio.txt",
                                     "tests/data/examples/variable-ratio.report"}),
        ::testing::Values("off", "on")),
    [](const auto& info) {
      std::string name = fs::path(std::get<0>(info.param).folder).filename().string();
      for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name + "_pipeline_" + std::get<1>(info.param);
    });

// The extras of the shipped examples, byte for byte: what scripts read.
TEST(GoldenExtrasTest, ExamplesJsonAndCsv) {
  for (const std::string name : {"constant-ratio", "variable-ratio"}) {
    SCOPED_TRACE(name);
    TempDir tmp;
    const fs::path dir = tmp.path() / name;
    copy_case(source_dir() / "examples" / name, dir);
    RunResult r = run_tavo(dir, {}, "", {"--no-editor", "--json", "r.json", "--csv", "r.csv"});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    const fs::path expected = source_dir() / "tests/data/examples" / name;
    EXPECT_EQ(read_file(dir / "r.json"), read_file(expected.string() + ".json"));
    EXPECT_EQ(read_file(dir / "r.csv"), read_file(expected.string() + ".csv"));
  }
}

}  // namespace
}  // namespace tavo::testing
