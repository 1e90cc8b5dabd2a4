// Whole runs on generated input folders: the input layout's freedoms, and the failures with
// their message line and exit status.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "e2e/tavo_run.h"

namespace tavo::testing {
namespace {

// A verification case written as the engineer's files: `dados.r33`, `exatos.txt` and two
// solution files per mesh whose values follow 1 + v h^2 for variable v.
struct Case {
  std::vector<double> h = {0.4, 0.2, 0.1};
  int vars = 2;
  std::string flags = "1 1";
  std::string low_orders = "1.0 1.0";
  std::string high_orders = "2.0 2.0";
  int iq = 0;
  std::string max_iterations = "100";
  std::string lower = "0.5";
  std::string upper = "5.0";
  std::string report = "relatorio.txt";
  std::string exact = "exatos.txt";
  int exact_vars = -1;     // the count written in the exact-results file (default: vars)
  std::string mesh_count;  // the count written in dados.r33 (default: h.size())

  std::string low_file(std::size_t j) const { return "b" + std::to_string(j) + ".txt"; }
  std::string high_file(std::size_t j) const { return "a" + std::to_string(j) + ".txt"; }

  void write(const fs::path& dir) const {
    fs::create_directories(dir);
    std::string d = "Caso gerado\n#\n" + report + "\n#\n" + exact + "\n#\n" + std::to_string(vars) +
                    "\n#\n" + flags + "\n#\n" + low_orders + "\n#\n" + high_orders + "\n#\n" +
                    (mesh_count.empty() ? std::to_string(h.size()) : mesh_count) + "\n#\n" +
                    std::to_string(iq) + "\n" + max_iterations + "\n1.0E-10\n" + lower + "\n" +
                    upper + "\n#\n";
    for (std::size_t j = 1; j <= h.size(); ++j) d += low_file(j) + "\n";
    d += "#\n";
    for (std::size_t j = 1; j <= h.size(); ++j) d += high_file(j) + "\n";
    d += "#\n'Caso gerado'\n";
    write_file(dir / "dados.r33", d);

    int n = exact_vars < 0 ? vars : exact_vars;
    std::string e = std::to_string(n) + "\n";
    for (int v = 1; v <= n; ++v) e += "#\n'var" + std::to_string(v) + "'\n1.0\n0.0\n";
    write_file(dir / exact, e);

    for (std::size_t j = 1; j <= h.size(); ++j) {
      for (int scheme = 1; scheme <= 2; ++scheme) {
        std::string s = std::to_string(h[j - 1]) + "\n#\n#\n";
        for (int v = 1; v <= n; ++v)
          s += "#\n#\n" + std::to_string(1 + v * h[j - 1] * h[j - 1]) + "\n";
        write_file(dir / (scheme == 1 ? low_file(j) : high_file(j)), s);
      }
    }
  }
};

class RunTest : public ::testing::Test {
 protected:
  fs::path dir() const { return tmp_.path() / "case"; }
  RunResult run(const Case& c, std::vector<std::string> env = {}) {
    c.write(dir());
    return run_tavo(dir(), env);
  }
  std::string report(const std::string& name = "relatorio.txt") const {
    return read_file(dir() / name);
  }
  static int count(const std::string& text, std::string_view what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
      ++n;
    return n;
  }

  TempDir tmp_;
};

// The line that opens every variable's section.
constexpr std::string_view kHashLine = "##############################################";

// The process status is the status code, of which the shell sees the low byte.
constexpr int severe_status(int number) {
  return (0xC0000000u | number) & 0xFF;
}

TEST_F(RunTest, RecordsSpreadOverLinesAndCommentsAfterValues) {
  Case c;
  c.flags = "1\n1   os dois";
  c.low_orders = "1.0,\n\n1.0 ordem";
  c.high_orders = "2*2.0 comentario";
  RunResult r = run(c);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(count(report(), kHashLine), 2);
  EXPECT_EQ(
      count(report(), "2.0000000000000000000E+00 = ordem assint\xF3tica do esquema de ordem alta"),
      2);
}

TEST_F(RunTest, DeselectedVariablesAreLeftOut) {
  Case c;
  c.vars = 3;
  c.flags = "0 2 0";  // any non-zero flag selects
  c.low_orders = "1 1 1";
  c.high_orders = "2 2 2";
  RunResult r = run(c);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(count(report(), kHashLine), 1);
  EXPECT_NE(report().find("     var2"), std::string::npos);
  EXPECT_EQ(report().find("     var1 "), std::string::npos);
}

TEST_F(RunTest, NoVariables) {
  Case c;
  c.vars = 0;
  c.flags = "";
  c.low_orders = "";
  c.high_orders = "";
  RunResult r = run(c);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(count(report(), kHashLine), 0);
  EXPECT_NE(report().find(" 1.000000000000000E-01 2.000000000E+00   b3.txt"), std::string::npos);
  EXPECT_EQ(r.notepad_log, "dados.r33\nrelatorio.txt\n");  // the editor is still opened
}

TEST_F(RunTest, OneAndTwoMeshes) {
  Case one;
  one.h = {0.4};
  RunResult r = run(one);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  std::string rep = report();
  EXPECT_NE(rep.find(" 4.000000000000000E-01                   b1.txt         a1.txt      \r\n"
                     "\r\n\r\n####"),
            std::string::npos);
  EXPECT_NE(rep.find("aplica-se?    <Te>\r\n\r\n   Esquema de Ordem Baixa"), std::string::npos);
  EXPECT_NE(rep.find("   4.00E-01   1.160000000000000E+00\r\n\r\n   Esquema de Ordem Alta"),
            std::string::npos);

  fs::remove_all(dir());
  Case two;
  two.h = {0.4, 0.2};
  r = run(two);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  rep = report();
  EXPECT_NE(rep.find("   2.00E-01   1.040000000000000E+00   1.000000000000000E+00\r\n"),
            std::string::npos);
  EXPECT_NE(rep.find("aplica-se?    <Te>\r\n\r\n   Esquema"), std::string::npos);
}

TEST_F(RunTest, LongerOldReportIsReplaced) {
  Case c;
  c.write(dir());
  write_file(dir() / "relatorio.txt", std::string(100000, 'x'));
  RunResult r = run_tavo(dir());
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(report().find('x' + std::string(10, 'x')), std::string::npos);
  EXPECT_TRUE(report().ends_with("\r\n"));
}

TEST_F(RunTest, ReusedSolutionFileAndTheHighOrderSizeKept) {
  Case c;
  c.write(dir());
  // Mesh 2's high-order file claims another h; every file of mesh 3 is one shared file.
  write_file(dir() / "a2.txt", "0.25\n#\n#\n#\n#\n1.0625\n#\n#\n1.125\n");
  std::string d = read_file(dir() / "dados.r33");
  d.replace(d.find("b3.txt"), 6, "a3.txt");
  write_file(dir() / "dados.r33", d);
  RunResult r = run_tavo(dir());
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(report().find(" 2.500000000000000E-01 1.600000000E+00   b2.txt         a2.txt"),
            std::string::npos);
  EXPECT_NE(report().find("   a3.txt         a3.txt      \r\n"), std::string::npos);
}

TEST_F(RunTest, MissingExactResultsFileIsCreatedEmptyAndEndsTheRun) {
  Case c;
  c.write(dir());
  fs::remove(dir() / "exatos.txt");
  RunResult r = run_tavo(dir());
  EXPECT_EQ(r.exit_code, severe_status(24));
  EXPECT_EQ(r.err, "lumrtl: severe (24): end-of-file during read, unit 7, file " +
                       (dir() / "exatos.txt").string() + "\r\n");
  EXPECT_TRUE(fs::exists(dir() / "exatos.txt"));
  EXPECT_EQ(fs::file_size(dir() / "exatos.txt"), 0u);
  EXPECT_EQ(report(), "");  // connected, never written
  EXPECT_EQ(r.notepad_log, "dados.r33\n");
}

TEST_F(RunTest, ShortSolutionFile) {
  Case c;
  c.write(dir());
  write_file(dir() / "a2.txt", "0.2\n#\n#\n#\n#\n");
  RunResult r = run_tavo(dir());
  EXPECT_EQ(r.exit_code, severe_status(24));
  EXPECT_EQ(r.err, "lumrtl: severe (24): end-of-file during read, unit 7, file " +
                       (dir() / "a2.txt").string() + "\r\n");
}

TEST_F(RunTest, TextWhereANumberIsExpected) {
  Case c;
  c.max_iterations = "cem";
  RunResult r = run(c);
  EXPECT_EQ(r.exit_code, severe_status(59));
  EXPECT_EQ(r.err, "lumrtl: severe (59): list-directed I/O syntax error, unit 7, file " +
                       (dir() / "dados.r33").string() + "\r\n");

  c.max_iterations = "'100'";
  r = run(c);
  EXPECT_EQ(r.exit_code, severe_status(64));
  EXPECT_EQ(r.err, "lumrtl: severe (64): input conversion error, unit 7, file " +
                       (dir() / "dados.r33").string() + "\r\n");
}

TEST_F(RunTest, BisectionFromZeroTakesTheLogarithmOfNaN) {
  Case c;
  c.iq = 1;
  c.lower = "0";
  RunResult r = run(c);
  EXPECT_EQ(r.exit_code, severe_status(6201));
  EXPECT_EQ(r.err, "run-time error M6201: MATH - log: DOMAIN error\r\n");
  // The report ends after the heading of the variable being analysed.
  EXPECT_TRUE(report().ends_with(" = ordem assint\xF3tica do esquema de ordem alta\r\n"));
  EXPECT_EQ(count(report(), kHashLine), 1);
  EXPECT_EQ(r.notepad_log, "dados.r33\n");
}

TEST_F(RunTest, MoreExactVariablesThanDeclaredIsRefused) {
  Case c;
  c.exact_vars = 3;
  c.write(dir());
  write_file(dir() / "relatorio.txt", "old report\r\n");
  RunResult r = run_tavo(dir());
  EXPECT_EQ(r.exit_code, severe_status(1001));
  EXPECT_EQ(r.err,
            "lumrtl: severe (1001): exact-results file has 3 variables, more than the 2 of "
            "dados.r33, unit 7, file " +
                (dir() / "exatos.txt").string() + "\r\n");
  EXPECT_EQ(report(), "old report\r\n");
}

TEST_F(RunTest, NoMeshesIsRefusedBeforeTheReportIsTouched) {
  for (std::string count : {"0", "-3"}) {
    Case c;
    c.mesh_count = count;
    c.h = {};
    c.write(dir());
    write_file(dir() / "relatorio.txt", "old report\r\n");
    RunResult r = run_tavo(dir());
    EXPECT_EQ(r.exit_code, severe_status(1002));
    EXPECT_EQ(r.err, "lumrtl: severe (1002): number of meshes " + count + " is below 1, file " +
                         (dir() / "dados.r33").string() + "\r\n");
    EXPECT_EQ(report(), "old report\r\n");
    fs::remove_all(dir());
  }
}

TEST_F(RunTest, HugeCountsEndWithInsufficientMemory) {
  Case c;
  c.vars = 2147483647;
  c.exact_vars = 2;
  RunResult r = run(c);
  EXPECT_EQ(r.exit_code, severe_status(41));
  EXPECT_EQ(r.err, "lumrtl: severe (41): insufficient virtual memory\r\n");

  Case m;
  m.mesh_count = "2147483647";
  r = run(m);
  EXPECT_EQ(r.exit_code, severe_status(41));
  EXPECT_EQ(r.err, "lumrtl: severe (41): insufficient virtual memory\r\n");
}

TEST_F(RunTest, NullFlagsLeaveZeros) {
  Case c;
  c.vars = 3;
  c.flags = "1,,1";  // the middle flag keeps its start value: not selected
  c.low_orders = "1 1 1";
  c.high_orders = "2 2 2";
  RunResult r = run(c);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(count(report(), kHashLine), 2);
}

TEST_F(RunTest, AReportNameCannotRunCommands) {
  for (std::string name :
       {"rel; touch hacked.txt", "rel $(touch hacked.txt)", "it''s `touch hacked.txt`"}) {
    Case c;
    c.report = "'" + name + "'";
    RunResult r = run(c);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string stored = name;
    if (std::size_t q = stored.find("''"); q != std::string::npos) stored.erase(q, 1);
    EXPECT_TRUE(fs::exists(dir() / stored)) << stored;
    EXPECT_FALSE(fs::exists(dir() / "hacked.txt")) << name;
    // The editor got the whole name: the stub logs its arguments joined by blanks.
    EXPECT_EQ(r.notepad_log, "dados.r33\n" + stored + "\n");
    fs::remove_all(dir());
    fs::remove_all(tmp_.path() / "case.run");
  }
}

TEST_F(RunTest, AReportNameNeverGivenIsAFileNameError) {
  Case c;
  c.report = ",";  // a null value: the name keeps its start value, zero bytes
  RunResult r = run(c);
  EXPECT_EQ(r.exit_code, severe_status(43));
  EXPECT_EQ(r.err, "lumrtl: severe (43): file name specification error, unit 10, file \r\n");
}

TEST_F(RunTest, MissingInputFileIsCreatedEmpty) {
  fs::create_directories(dir());
  RunResult r = run_tavo(dir());
  EXPECT_EQ(r.exit_code, severe_status(24));
  EXPECT_EQ(r.err, "lumrtl: severe (24): end-of-file during read, unit 7, file " +
                       (dir() / "dados.r33").string() + "\r\n");
  EXPECT_TRUE(fs::exists(dir() / "dados.r33"));
}

}  // namespace
}  // namespace tavo::testing
