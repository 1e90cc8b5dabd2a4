// console-demo on the terminal: its console units stay on the standard streams, so input piped
// in is read and echoed on standard output, and appended to eco.txt.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace tavo::testing {
namespace {

namespace fs = std::filesystem;

const std::string kGreeting =
    "Eco: escreva uma linha por vez (texto com brancos entre aspas); fim termina.\r\n";

struct DemoRun {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// Runs console-demo in `dir` with `input` as its standard input.
DemoRun run_demo(const fs::path& dir, const std::string& input) {
  const fs::path in = dir / ".input", out = dir / ".stdout", err = dir / ".stderr";
  write_file(in, input);
  std::vector<std::string> env = {"PATH=/usr/bin:/bin", "TAVO_CONSOLE=terminal", "LC_ALL=C"};
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, in.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addchdir_np(&fa, dir.c_str());
  std::string exe = (fs::path(TAVO_BIN_DIR) / "console-demo").string();
  char* argv[] = {exe.data(), nullptr};
  DemoRun r;
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, exe.c_str(), &fa, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&fa);
  if (spawned != 0) return r;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  if (WIFEXITED(status)) r.exit_code = WEXITSTATUS(status);
  r.out = read_file(out);
  r.err = read_file(err);
  return r;
}

struct DemoCase {
  const char* name;
  std::string eco_before;  // "" for no file
  std::string input;
  std::string echoed;  // standard output after the greeting
  std::string eco;     // eco.txt afterwards
};

class ConsoleDemoTerminal : public ::testing::TestWithParam<DemoCase> {};

TEST_P(ConsoleDemoTerminal, EchoesAndAppends) {
  const DemoCase& c = GetParam();
  TempDir dir;
  if (!c.eco_before.empty()) write_file(dir.path() / "eco.txt", c.eco_before);
  const DemoRun r = run_demo(dir.path(), c.input);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, kGreeting + c.echoed);
  EXPECT_EQ(read_file(dir.path() / "eco.txt"), c.eco);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConsoleDemoTerminal,
    ::testing::Values(DemoCase{"LineThenFim", "", "abc\nfim\nnot read\n", "> abc\r\n", "abc\r\n"},
                      DemoCase{"QuotedBlanksAndCodePage1252", "", "'x y'\n\xE7\xE3o\r\nfim\n",
                               "> x y\r\n> \xE7\xE3o\r\n", "x y\r\n\xE7\xE3o\r\n"},
                      DemoCase{"EndOfInputEndsNormally", "", "um\ndois", "> um\r\n> dois\r\n",
                               "um\r\ndois\r\n"},
                      DemoCase{"FimAtOnceLeavesAnEmptyEco", "", "fim\n", "", ""},
                      DemoCase{"EcoIsAppendedTo", "antes\r\n", "depois\nfim\n", "> depois\r\n",
                               "antes\r\ndepois\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavo::testing
