#include "console/core/shell_command.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace console {
namespace {

using tavo::testing::read_file;
using tavo::testing::TempDir;
using tavo::testing::write_file;

// Saves and restores the variables run_shell_command reads.
class ShellCommandTest : public ::testing::Test {
 protected:
  ShellCommandTest() {
    for (const char* name : {"COMSPEC", "PATH"}) {
      const char* v = std::getenv(name);
      saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
    }
    ::unsetenv("COMSPEC");
  }
  ~ShellCommandTest() override {
    for (auto& [name, value] : saved_) {
      if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
      else
        ::unsetenv(name.c_str());
    }
  }
  // An interpreter stand-in that records its arguments, one per line.
  std::string recording_interpreter() {
    std::string path = (dir_.path() / "interp").string();
    write_file(path, "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > " +
                         (dir_.path() / "args").string() + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
  }

  TempDir dir_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(ShellCommandTest, TrailingBlanksDroppedLeadingAndInnerKept) {
  ::setenv("COMSPEC", recording_interpreter().c_str(), 1);
  std::string field = "notepad dados.r33";
  field.resize(70, ' ');
  EXPECT_EQ(run_shell_command(field), ShellStart::Started);
  EXPECT_EQ(read_file(dir_.path() / "args"), "[-c]\n[notepad dados.r33]\n");
  EXPECT_EQ(run_shell_command("  two  blanks   "), ShellStart::Started);
  EXPECT_EQ(read_file(dir_.path() / "args"), "[-c]\n[  two  blanks]\n");
  // An empty command still starts it.
  EXPECT_EQ(run_shell_command(std::string(70, ' ')), ShellStart::Started);
  EXPECT_EQ(read_file(dir_.path() / "args"), "[-c]\n[]\n");
}

TEST_F(ShellCommandTest, ShellOnPathWithoutComspecAndTheCallerWaits) {
  EXPECT_EQ(run_shell_command("sleep 0.2; echo done > finished"), ShellStart::Started);
  EXPECT_EQ(read_file("finished"), "done\n");  // the call returned only after the command
  EXPECT_EQ(run_shell_command("exit 7"), ShellStart::Started);  // the exit code is not examined
}

TEST_F(ShellCommandTest, ComspecThatCannotStartFallsBackToTheShell) {
  ::setenv("COMSPEC", "/no/such/interpreter", 1);
  EXPECT_EQ(run_shell_command("echo fallback > out"), ShellStart::Started);
  EXPECT_EQ(read_file("out"), "fallback\n");
}

TEST_F(ShellCommandTest, NoInterpreterAtAll) {
  ::setenv("COMSPEC", "/no/such/interpreter", 1);
  ::setenv("PATH", dir_.path().c_str(), 1);
  EXPECT_EQ(run_shell_command("true"), ShellStart::NotStarted);
}

TEST_F(ShellCommandTest, AShellInTheCurrentFolderIsNotTaken) {
  write_file("sh", "#!/bin/sh\necho hijacked > hijacked\n");
  std::filesystem::permissions("sh", std::filesystem::perms::owner_all);
  ::setenv("PATH", "/usr/bin:/bin", 1);
  EXPECT_EQ(run_shell_command("true"), ShellStart::Started);
  EXPECT_FALSE(std::filesystem::exists("hijacked"));
}

}  // namespace
}  // namespace console
