// Whole runs against a hostile file system and signals: full devices, missing permissions,
// folders where files belong, files that vanish, long and odd names, a very large solution file,
// extreme counts, and the console-control signals. Every case checks the message line, the exit
// status, and that no file changed but the ones the run may change (its report, and a missing
// input that status UNKNOWN creates empty).
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "e2e/tavo_run.h"

namespace tavo::testing {
namespace {

constexpr int severe_status(int number) {
  return (0xC0000000u | number) & 0xFF;
}

// ---------------------------------------------------------------------------------------------
// Folder snapshots: every entry's kind, size and content hash.

struct Entry {
  bool folder = false;
  std::uintmax_t size = 0;
  std::uint64_t hash = 0;
  bool operator==(const Entry&) const = default;
};
using Snapshot = std::map<std::string, Entry>;

std::uint64_t content_hash(const fs::path& p) {
  std::uint64_t h = 0;
  std::ifstream in(p, std::ios::binary);
  std::string buf(1 << 20, '\0');
  while (in.read(buf.data(), static_cast<std::streamsize>(buf.size())) || in.gcount() > 0) {
    const std::string_view chunk(buf.data(), static_cast<std::size_t>(in.gcount()));
    h = h * 1099511628211u ^ std::hash<std::string_view>()(chunk);
  }
  return h;
}

Snapshot snapshot(const fs::path& root) {
  Snapshot s;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string name = fs::relative(e.path(), root).string();
    if (e.is_directory())
      s[name] = {true, 0, 0};
    else
      s[name] = {false, e.file_size(), content_hash(e.path())};
  }
  return s;
}

// Names that appeared, vanished or changed between two snapshots.
std::set<std::string> changes(const Snapshot& before, const Snapshot& after) {
  std::set<std::string> out;
  for (const auto& [name, entry] : before) {
    auto it = after.find(name);
    if (it == after.end() || !(it->second == entry)) out.insert(name);
  }
  for (const auto& [name, entry] : after)
    if (!before.count(name)) out.insert(name);
  return out;
}

RunResult run(const fs::path& dir, const Launch& o = {}) {
  return Tavo(dir, o).wait();
}

// ---------------------------------------------------------------------------------------------

const fs::path kWorked = "tests/data/golden/worked";

class FaultTest : public ::testing::Test {
 protected:
  FaultTest() { copy_case(source_dir() / kWorked, dir()); }

  fs::path dir() const { return tmp_.path() / "case"; }
  fs::path path(const std::string& name) const { return dir() / name; }

  // Replaces record `n` (1-based) of dados.r33.
  void set_record(int n, const std::string& text) {
    std::string d = read_file(path("dados.r33"));
    std::size_t at = 0;
    for (int i = 1; i < n; ++i) at = d.find('\n', at) + 1;
    d.replace(at, d.find('\n', at) - at, text);
    write_file(path("dados.r33"), d);
  }
  std::string expected_report() const {
    return without_date_line(read_file(source_dir() / kWorked / "expected-report.txt"));
  }

  // Runs and checks the one message line, the exit status and which files changed.
  RunResult expect_failure(const std::string& line, int status,
                           const std::set<std::string>& may_change = {}, const Launch& o = {}) {
    const Snapshot before = snapshot(dir());
    RunResult r = run(dir(), o);
    EXPECT_EQ(r.err, line);
    EXPECT_EQ(r.exit_code, status);
    EXPECT_EQ(changes(before, snapshot(dir())), may_change);
    return r;
  }

  TempDir tmp_;
};

// The message line of an I/O error, with the system's text first when there is one.
std::string io_line(int number, const std::string& text, int unit, const fs::path& file,
                    const std::string& os_text = "") {
  std::string line = os_text.empty() ? "" : "lumrtl: " + os_text + "\r\n";
  return line + "lumrtl: severe (" + std::to_string(number) + "): " + text + ", unit " +
         std::to_string(unit) + ", file " + file.string() + "\r\n";
}

TEST_F(FaultTest, ReportOnAFullDevice) {
  set_record(3, "'/dev/full'");
  RunResult r =
      expect_failure(io_line(38, "error during write", 10, "/dev/full", "No space left on device"),
                     severe_status(38));
  EXPECT_EQ(r.notepad_log, "dados.r33\n");  // the report is never shown
}

TEST_F(FaultTest, WithoutWritePermission) {
  // An existing report that may not be written: connected read-only, the first write refused.
  write_file(path("relatorio.txt"), "old report\r\n");
  ::chmod(path("relatorio.txt").c_str(), 0444);
  expect_failure(io_line(47, "write to READONLY file", 10, path("relatorio.txt")),
                 severe_status(47), {}, {.unprivileged = true});
  ::chmod(path("relatorio.txt").c_str(), 0644);
  fs::remove(path("relatorio.txt"));

  // A new report in a folder that may not be written.
  ::chmod(dir().c_str(), 0555);
  expect_failure(io_line(9, "permission to access file denied", 10, path("relatorio.txt"),
                         "Permission denied"),
                 severe_status(9), {}, {.unprivileged = true});
  ::chmod(dir().c_str(), 0755);

  // An input file that may not even be read (in a folder where the report can be made).
  ::chmod(dir().c_str(), 0777);
  ::chmod(path("a2.dat").c_str(), 0);
  expect_failure(
      io_line(9, "permission to access file denied", 7, path("a2.dat"), "Permission denied"),
      severe_status(9), {"relatorio.txt"}, {.unprivileged = true});
}

TEST_F(FaultTest, FolderWhereAFileIsExpected) {
  fs::create_directory(path("exatos.txt.d"));
  set_record(5, "exatos.txt.d");
  expect_failure(io_line(30, "open failure", 7, path("exatos.txt.d"), "Is a directory"),
                 severe_status(30), {"relatorio.txt"});  // opened (created) before

  set_record(5, "exatos.txt");
  fs::remove(path("relatorio.txt"));
  fs::create_directory(path("relatorio.txt"));
  expect_failure(io_line(30, "open failure", 10, path("relatorio.txt"), "Is a directory"),
                 severe_status(30));
  fs::remove(path("relatorio.txt"));

  fs::remove(path("b3.dat"));
  fs::create_directory(path("b3.dat"));
  expect_failure(io_line(30, "open failure", 7, path("b3.dat"), "Is a directory"),
                 severe_status(30), {"relatorio.txt"});
}

TEST_F(FaultTest, InputThatVanishes) {
  // Between runs: the second run creates the missing file empty and ends at its first read,
  // leaving the first run's report alone (connected, never written).
  ASSERT_EQ(run(dir()).exit_code, 0);
  fs::remove(path("b2.dat"));
  expect_failure(io_line(24, "end-of-file during read", 7, path("b2.dat")), severe_status(24),
                 {"b2.dat"});
  EXPECT_EQ(fs::file_size(path("b2.dat")), 0u);
  EXPECT_EQ(without_date_line(read_file(path("relatorio.txt"))), expected_report());

  // While the editor has dados.r33 open.
  fs::remove(path("relatorio.txt"));
  const std::string script = "rm -f '" + path("exatos.txt").string() + "'";
  const Snapshot before = snapshot(dir());
  RunResult r = run(dir(), {.notepad_script = script});
  EXPECT_EQ(r.err, io_line(24, "end-of-file during read", 7, path("exatos.txt")));
  EXPECT_EQ(r.exit_code, severe_status(24));
  EXPECT_EQ(changes(before, snapshot(dir())),
            (std::set<std::string>{"exatos.txt", "relatorio.txt"}));
  EXPECT_EQ(fs::file_size(path("exatos.txt")), 0u);
  EXPECT_EQ(fs::file_size(path("relatorio.txt")), 0u);
}

TEST_F(FaultTest, LongNames) {
  // A folder path far beyond 256 characters: the run works and messages carry the whole path.
  fs::path deep = tmp_.path();
  for (char c : {'p', 'q', 'r', 's', 't'}) deep /= std::string(200, c);
  copy_case(source_dir() / kWorked, deep);
  ASSERT_GT(deep.string().size(), 1000u);
  RunResult r = run(deep);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(without_date_line(read_file(deep / "relatorio.txt")), expected_report());
  fs::remove(deep / "a3.dat");
  r = run(deep);
  EXPECT_EQ(r.err, io_line(24, "end-of-file during read", 7, deep / "a3.dat"));

  // Beyond PATH_MAX: the folder is made and entered one component at a time, and tavo started in
  // it, as no system call takes the whole path.
  const fs::path home = fs::current_path();
  fs::path beyond = home / "beyond";
  ASSERT_EQ(::mkdir("beyond", 0755), 0);
  ASSERT_EQ(::chdir("beyond"), 0);
  for (int i = 0; i < 20; ++i) {
    const std::string part(250, static_cast<char>('a' + i));
    ASSERT_EQ(::mkdir(part.c_str(), 0755), 0);
    ASSERT_EQ(::chdir(part.c_str()), 0);
    beyond /= part;
  }
  ASSERT_GT(beyond.string().size(), 5000u);
  for (const char* f :
       {"dados.r33", "exatos.txt", "a1.dat", "a3.dat", "b1.dat", "b2.dat", "b3.dat"})
    fs::copy_file(source_dir() / kWorked / f, f);
  const fs::path out = tmp_.path() / "beyond.err";
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::string exe = tavo_binary().string();
  char* argv[] = {exe.data(), nullptr};
  write_stub_notepad(tmp_.path() / "beyond.bin");
  std::string path_var = "PATH=" + (tmp_.path() / "beyond.bin").string() + ":/usr/bin:/bin";
  std::string console = "TAVO_CONSOLE=terminal";
  char* envp[] = {path_var.data(), console.data(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, exe.c_str(), &fa, nullptr, argv, envp), 0);
  posix_spawn_file_actions_destroy(&fa);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  const bool made_empty = fs::exists("a2.dat") && fs::file_size("a2.dat") == 0;
  ASSERT_EQ(::chdir(home.c_str()), 0);
  ASSERT_EQ(std::system("rm -rf beyond"), 0);  // deeper than std::filesystem can remove
  EXPECT_EQ(read_file(out), io_line(24, "end-of-file during read", 7, beyond / "a2.dat"));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == severe_status(24));
  EXPECT_TRUE(made_empty);

  // A name longer than the 60-character field of dados.r33 is cut to the field.
  const std::string name(300, 'n');
  set_record(3, name);
  const Snapshot before = snapshot(dir());
  r = run(dir());
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(changes(before, snapshot(dir())), std::set<std::string>{name.substr(0, 60)});
  EXPECT_EQ(r.notepad_log, "dados.r33\n" + name.substr(0, 60) + "\n");
}

TEST_F(FaultTest, NamesWithBlanksQuotesAndNonAsciiBytes) {
  struct Case {
    std::string record;  // as written in dados.r33
    std::string name;    // the file it names
    std::string shown;   // the name as the report shows it
  } cases[] = {
      {"'meu relatorio.txt'", "meu relatorio.txt", "meu relatorio.txt"},
      {"\"  leading and trailing  \"", "leading and trailing", "  leading and trailing"},
      {"'it''s.txt'", "it's.txt", "it's.txt"},
      {"'say \"hi\".txt'", "say \"hi\".txt", "say \"hi\".txt"},
      {"relat\xF3rio.txt", "relat\xF3rio.txt", "relat\xF3rio.txt"},              // code page 1252
      {"relat\xC3\xB3rio.txt", "relat\xC3\xB3rio.txt", "relat\xC3\xB3rio.txt"},  // UTF-8
      {"'\x80\xFF\x01.txt'", "\x80\xFF\x01.txt", "\x80\xFF\x01.txt"},
  };
  for (const Case& c : cases) {
    set_record(3, c.record);
    const Snapshot before = snapshot(dir());
    RunResult r = run(dir());
    ASSERT_EQ(r.exit_code, 0) << c.record << ": " << r.err;
    EXPECT_EQ(changes(before, snapshot(dir())), std::set<std::string>{c.name}) << c.record;
    const std::string report = read_file(path(c.name));
    EXPECT_NE(report.find("arquivo de sa\xED"
                          "da = " +
                          c.shown + " "),
              std::string::npos)
        << c.record;
    fs::remove(path(c.name));
  }

  // The same odd names for an input file.
  fs::rename(path("exatos.txt"), path("solu\xE7\xE3o 'exata'.txt"));
  set_record(5, "'solu\xE7\xE3o ''exata''.txt'");
  set_record(3, "relatorio.txt");
  RunResult r = run(dir());
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(read_file(path("relatorio.txt"))
                .find("arquivo com resultados exatos = solu\xE7\xE3o 'exata'.txt"),
            std::string::npos);
}

TEST_F(FaultTest, SolutionFileOfSeveralHundredMegabytes) {
  // An ignored record of 300 MB (a hole of zero bytes, quick to make) in the middle of a solution
  // file, and 300 MB that are never read after the values of another one.
  constexpr off_t kHuge = 300 << 20;
  {
    const std::string head = "0.2\n", tail = "\n#\n#\n#\n1.04\n";
    const int fd = ::open(path("a2.dat").c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, head.data(), head.size()), static_cast<ssize_t>(head.size()));
    ASSERT_EQ(::lseek(fd, kHuge, SEEK_CUR), kHuge + static_cast<off_t>(head.size()));
    ASSERT_EQ(::write(fd, tail.data(), tail.size()), static_cast<ssize_t>(tail.size()));
    ::close(fd);
  }
  ASSERT_EQ(::truncate(path("b3.dat").c_str(), kHuge), 0);
  const Snapshot before = snapshot(dir());
  Tavo tavo(dir(), {});
  RunResult r = tavo.wait();
  ASSERT_EQ(r.exit_code, 0) << r.err;
  // Skipping is linear in the size: about 5 s of processor time with the sanitizers (the time on
  // the clock would depend on how busy the machine is).
  EXPECT_LT(tavo.cpu_time(), std::chrono::seconds(60));
  EXPECT_EQ(changes(before, snapshot(dir())), std::set<std::string>{"relatorio.txt"});
  EXPECT_EQ(without_date_line(read_file(path("relatorio.txt"))), expected_report());

  // The same huge record where a value is expected: one value too long to be a number.
  {
    const std::string value = "1.0";
    const int fd = ::open(path("b1.dat").c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, value.data(), value.size()), 3);
    ::close(fd);
    ASSERT_EQ(::truncate(path("b1.dat").c_str(), kHuge), 0);
  }
  expect_failure(io_line(59, "list-directed I/O syntax error", 7, path("b1.dat")),
                 severe_status(59));  // the last report stays as it was: never written to
  EXPECT_EQ(without_date_line(read_file(path("relatorio.txt"))), expected_report());
}

TEST_F(FaultTest, ExtremeCounts) {
  // The largest repeat count and iteration limit a 32-bit integer holds: no hang, a normal run.
  set_record(9, "2147483647*1");
  set_record(17, "1");
  set_record(18, "2147483647");
  set_record(19, "-1.0");  // a tolerance never met: the bisection ends when its bracket stops
  const Snapshot before = snapshot(dir());
  RunResult r = run(dir());
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(changes(before, snapshot(dir())), std::set<std::string>{"relatorio.txt"});

  // One more is beyond the item's range.
  set_record(18, "2147483648");
  expect_failure(io_line(64, "input conversion error", 7, path("dados.r33")), severe_status(64));
  set_record(18, "100");
  set_record(9, "2147483648*1");
  expect_failure(io_line(59, "list-directed I/O syntax error", 7, path("dados.r33")),
                 severe_status(59));

  // Counts of 2^31 - 1: refused before any table is sized from them.
  set_record(9, "1");
  write_file(path("exatos.txt"), "2147483647\n#\n'phi'\n1.0\n0.0\n");
  expect_failure(
      "lumrtl: severe (1001): exact-results file has 2147483647 variables, more than "
      "the 1 of dados.r33, unit 7, file " +
          path("exatos.txt").string() + "\r\n",
      severe_status(1001));
  set_record(7, "2147483647");
  expect_failure("lumrtl: severe (41): insufficient virtual memory\r\n", severe_status(41));
  set_record(7, "1");
  set_record(15, "2147483647");
  expect_failure("lumrtl: severe (41): insufficient virtual memory\r\n", severe_status(41));
}

// Control-C, control-BREAK and the close command, sent while tavo waits for the editor: on the
// input (nothing written yet) and on the report (every record of it already written).
TEST_F(FaultTest, ConsoleControlSignals) {
  struct Case {
    int signo;
    std::string event;
  } cases[] = {{SIGINT, "control-C"}, {SIGQUIT, "control-BREAK"}, {SIGHUP, "menu-CLOSE"}};
  for (const std::string waits_on : {"dados.r33", "relatorio.txt"}) {
    for (const Case& c : cases) {
      fs::remove(path("relatorio.txt"));
      const fs::path ready = tmp_.path() / "ready", go = tmp_.path() / "go";
      fs::remove(ready);
      fs::remove(go);
      // The editor stand-in says when it waits, and waits until the test lets it go (or half a
      // minute has passed, so that a failed test leaves no process behind for long).
      const std::string script = "if [ \"$1\" = '" + waits_on + "' ]; then : > '" + ready.string() +
                                 "'; i=0; while [ ! -e '" + go.string() +
                                 "' ] && [ $i -lt 1500 ]; do sleep 0.02; i=$((i+1)); done; fi";
      const Snapshot before = snapshot(dir());
      Tavo tavo(dir(), {.notepad_script = script});
      for (int i = 0; i < 3000 && !fs::exists(ready); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      ASSERT_TRUE(fs::exists(ready)) << "the editor stand-in never started";
      ::kill(tavo.pid(), c.signo);
      RunResult r = tavo.wait();
      write_file(go, "");
      EXPECT_EQ(r.err, "lumrtl: error (200): program aborting due to " + c.event + " event\r\n");
      EXPECT_EQ(r.exit_code, 128 + c.signo) << c.event;
      if (waits_on == "dados.r33") {
        EXPECT_EQ(changes(before, snapshot(dir())), std::set<std::string>{}) << c.event;
      } else {
        EXPECT_EQ(changes(before, snapshot(dir())), std::set<std::string>{"relatorio.txt"});
        EXPECT_EQ(without_date_line(read_file(path("relatorio.txt"))), expected_report())
            << c.event;
      }
    }
  }
}

// A case whose report takes a while to write: many variables on a few meshes.
void write_long_case(const fs::path& dir, int vars, int meshes) {
  fs::create_directories(dir);
  std::string d = "Caso longo\n#\nrelatorio.txt\n#\nexatos.txt\n#\n" + std::to_string(vars) +
                  "\n#\n" + std::to_string(vars) + "*1\n#\n" + std::to_string(vars) + "*1.0\n#\n" +
                  std::to_string(vars) + "*2.0\n#\n" + std::to_string(meshes) +
                  "\n#\n0\n100\n1.0E-10\n0.5\n5.0\n#\n";
  std::string low, high;
  for (int j = 1; j <= meshes; ++j) {
    // Appended in place: "b" + std::to_string(j) draws a false -Wrestrict warning from GCC 12.
    low.append("b").append(std::to_string(j)).append(".txt\n");
    high.append("a").append(std::to_string(j)).append(".txt\n");
  }
  write_file(dir / "dados.r33", d + low + "#\n" + high + "#\n'Caso longo'\n");
  std::string e = std::to_string(vars) + "\n";
  for (int v = 1; v <= vars; ++v) e += "#\n'var" + std::to_string(v) + "'\n1.0\n0.0\n";
  write_file(dir / "exatos.txt", e);
  double h = 1.0;
  for (int j = 1; j <= meshes; ++j, h /= 2) {
    for (const char* scheme : {"a", "b"}) {
      std::string s = std::to_string(h) + "\n#\n#\n";
      for (int v = 1; v <= vars; ++v) s += "#\n#\n" + std::to_string(1 + v * h * h) + "\n";
      write_file(dir / (scheme + std::to_string(j) + ".txt"), s);
    }
  }
}

// Control-C while the report is being written, with the analysis ahead on a worker thread and
// without: the run ends with error 200, and what reached the disk is the report's beginning up
// to a record end, every earlier record intact.
TEST_F(FaultTest, ControlCWhileTheReportIsWritten) {
  const fs::path long_case = tmp_.path() / "long";
  write_long_case(long_case, 4000, 8);
  RunResult r = run(long_case);
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const std::string full = without_date_line(read_file(long_case / "relatorio.txt"));
  ASSERT_GT(full.size(), 4u << 20);

  for (const std::string pipeline : {"off", "on"}) {
    SCOPED_TRACE(pipeline);
    fs::remove(long_case / "relatorio.txt");
    Tavo tavo(long_case, {.env = {"TAVO_PIPELINE=" + pipeline}});
    const fs::path report = long_case / "relatorio.txt";
    for (int i = 0; i < 60000; ++i) {
      std::error_code ec;
      const std::uintmax_t size = fs::file_size(report, ec);
      if (!ec && size > (64u << 10)) break;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::kill(tavo.pid(), SIGINT);
    r = tavo.wait();
    EXPECT_EQ(r.err, "lumrtl: error (200): program aborting due to control-C event\r\n");
    ASSERT_EQ(r.exit_code, 128 + SIGINT) << "the run ended before the signal came";
    const std::string part = without_date_line(read_file(report));
    EXPECT_LT(part.size(), full.size());
    const std::size_t same = static_cast<std::size_t>(
        std::mismatch(part.begin(), part.end(), full.begin()).first - part.begin());
    EXPECT_EQ(same, part.size()) << "differs from the full report at: "
                                 << ::testing::PrintToString(part.substr(same, 200))
                                 << "\ninstead of: "
                                 << ::testing::PrintToString(full.substr(same, 200));
    EXPECT_TRUE(part.ends_with("\r\n"));
  }
}

}  // namespace
}  // namespace tavo::testing
