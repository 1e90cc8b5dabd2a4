// Whole runs on large generated cases with the analysis ahead on a worker thread and without it:
// the same report bytes, message line and exit status, including a mathematical-function error
// in the middle of the run. (The golden reports run on both paths in golden_test.cpp.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "e2e/tavo_run.h"

namespace tavo::testing {
namespace {

constexpr std::string_view kHashLine = "##############################################";

int count(const std::string& text, std::string_view what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// A variable-ratio case of `vars` variables on the meshes `h`. Every variable's values oscillate
// (ratios R < 0, so no bisection runs) except those in `converging`, whose values approach 1
// monotonically (R > 0, a bisection per mesh from the third on). With h = 0.2, 0.4, 0.1 such a
// bisection takes the logarithm of a negative number in its first evaluation.
struct LargeCase {
  int vars = 3000;
  std::vector<double> h = {0.4, 0.2, 0.1333, 0.0667, 0.0444, 0.0222};
  std::vector<int> converging;  // empty: every variable converges
  std::string flags;            // empty: every variable selected

  bool converges(int v) const {
    return converging.empty() ||
           std::find(converging.begin(), converging.end(), v) != converging.end();
  }

  void write(const fs::path& dir) const {
    fs::create_directories(dir);
    const std::string n = std::to_string(vars);
    std::string d = "Caso grande\n#\nrelatorio.txt\n#\nexatos.txt\n#\n" + n + "\n#\n" +
                    (flags.empty() ? n + "*1" : flags) + "\n#\n" + n + "*1.0\n#\n" + n +
                    "*2.0\n#\n" + std::to_string(h.size()) + "\n#\n1\n100\n1.0E-10\n0.5\n5.0\n#\n";
    std::string low, high;
    for (std::size_t j = 1; j <= h.size(); ++j) {
      low += "b" + std::to_string(j) + ".txt\n";
      high += "a" + std::to_string(j) + ".txt\n";
    }
    write_file(dir / "dados.r33", d + low + "#\n" + high + "#\n'Caso grande'\n");
    std::string e = n + "\n";
    for (int v = 1; v <= vars; ++v) e += "#\n'var" + std::to_string(v) + "'\n1.0\n0.0\n";
    write_file(dir / "exatos.txt", e);
    for (std::size_t j = 1; j <= h.size(); ++j) {
      for (int scheme = 1; scheme <= 2; ++scheme) {
        std::string s = std::to_string(h[j - 1]) + "\n#\n#\n";
        for (int v = 1; v <= vars; ++v) {
          const double c = 1 + v % 13;
          const double value = converges(v) ? 1 + c * std::pow(0.5, j * scheme)
                                            : 1 + c * (j % 2 == 0 ? 1.0 : -1.0) / (1 << j);
          s += "#\n#\n" + std::to_string(value) + "\n";
        }
        write_file(dir / ((scheme == 1 ? "b" : "a") + std::to_string(j) + ".txt"), s);
      }
    }
  }
};

struct Outcome {
  RunResult run;
  std::string report;
};

Outcome run_with(const fs::path& dir, const std::string& pipeline) {
  fs::remove(dir / "relatorio.txt");
  fs::remove(dir.parent_path() / (dir.filename().string() + ".run") / "bin" / "notepad.log");
  Outcome o{run_tavo(dir, {"TAVO_PIPELINE=" + pipeline}), ""};
  o.report = without_date_line(read_file(dir / "relatorio.txt"));
  return o;
}

// The same bytes, message line and exit status on both paths, and for every setting.
void expect_same_on_every_path(const fs::path& dir, int exit_code, const std::string& err) {
  const Outcome off = run_with(dir, "off");
  EXPECT_EQ(off.run.exit_code, exit_code);
  EXPECT_EQ(off.run.err, err);
  for (const char* pipeline : {"on", "auto"}) {
    SCOPED_TRACE(pipeline);
    const Outcome other = run_with(dir, pipeline);
    EXPECT_EQ(other.run.exit_code, off.run.exit_code);
    EXPECT_EQ(other.run.err, off.run.err);
    EXPECT_EQ(other.run.notepad_log, off.run.notepad_log);
    EXPECT_EQ(other.report.size(), off.report.size());
    EXPECT_TRUE(other.report == off.report);  // not printed: megabytes
  }
}

constexpr int severe_status(int number) {
  return (0xC0000000u | number) & 0xFF;
}

TEST(PipelineTest, LargeCaseGivesTheSameReport) {
  TempDir tmp;
  LargeCase c;
  c.flags = "2999*1 0";  // the last one left out
  c.write(tmp.path() / "case");
  expect_same_on_every_path(tmp.path() / "case", 0, "");
  EXPECT_EQ(count(read_file(tmp.path() / "case" / "relatorio.txt"), kHashLine), 2999);
}

// A logarithm's domain error in the bisection of one variable: the report ends right after that
// variable's heading, every variable before it complete. A variable left out is never analysed.
TEST(PipelineTest, DomainErrorEndsTheReportAtItsVariable) {
  struct Case {
    int vars;
    int failing;
    std::string flags;
    int headings;  // variable sections in the report; 0 for a normal end
  } cases[] = {
      {5000, 1000, "", 1000},
      {200, 1, "", 1},
      {200, 200, "", 200},
      {200, 100, "99*1 0 100*1", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.failing << " of " << c.vars);
    TempDir tmp;
    LargeCase lc;
    lc.vars = c.vars;
    lc.h = {0.2, 0.4, 0.1};
    lc.converging = {c.failing};
    lc.flags = c.flags;
    const fs::path dir = tmp.path() / "case";
    lc.write(dir);
    if (c.headings == 0) {
      expect_same_on_every_path(dir, 0, "");
      continue;
    }
    expect_same_on_every_path(dir, severe_status(6201),
                              "run-time error M6201: MATH - log: DOMAIN error\r\n");
    const std::string report = read_file(dir / "relatorio.txt");
    EXPECT_EQ(count(report, kHashLine), c.headings);
    const std::string last = report.substr(report.rfind(kHashLine));
    EXPECT_NE(last.find("     var" + std::to_string(c.failing) + " "), std::string::npos);
    EXPECT_TRUE(last.ends_with(" = ordem assint\xF3tica do esquema de ordem alta\r\n"));
  }
}

}  // namespace
}  // namespace tavo::testing
