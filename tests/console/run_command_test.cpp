#include "console/core/run_command.h"

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

// Saves and restores the variables RunCommand reads.
class RunCommandTest : public ::testing::Test {
 protected:
  RunCommandTest() {
    for (const char* name : {"COMSPEC", "PATH"}) {
      const char* v = std::getenv(name);
      saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
    }
    ::unsetenv("COMSPEC");
  }
  ~RunCommandTest() override {
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

TEST_F(RunCommandTest, TrailingBlanksDroppedLeadingAndInnerKept) {
  ::setenv("COMSPEC", recording_interpreter().c_str(), 1);
  std::string field = "notepad dados.r33";
  field.resize(70, ' ');
  EXPECT_EQ(RunCommand(field), 1);
  EXPECT_EQ(read_file(dir_.path() / "args"), "[-c]\n[notepad dados.r33]\n");
  EXPECT_EQ(RunCommand("  two  blanks   "), 1);
  EXPECT_EQ(read_file(dir_.path() / "args"), "[-c]\n[  two  blanks]\n");
  EXPECT_EQ(RunCommand(std::string(70, ' ')), 1);  // an empty command still starts it
  EXPECT_EQ(read_file(dir_.path() / "args"), "[-c]\n[]\n");
}

TEST_F(RunCommandTest, ShellOnPathWithoutComspecAndTheCallerWaits) {
  EXPECT_EQ(RunCommand("sleep 0.2; echo done > finished"), 1);
  EXPECT_EQ(read_file("finished"), "done\n");  // the call returned only after the command
  EXPECT_EQ(RunCommand("exit 7"), 1);          // the exit code is not examined
}

TEST_F(RunCommandTest, ComspecThatCannotStartFallsBackToTheShell) {
  ::setenv("COMSPEC", "/no/such/interpreter", 1);
  EXPECT_EQ(RunCommand("echo fallback > out"), 1);
  EXPECT_EQ(read_file("out"), "fallback\n");
}

TEST_F(RunCommandTest, NoInterpreterAtAll) {
  ::setenv("COMSPEC", "/no/such/interpreter", 1);
  ::setenv("PATH", dir_.path().c_str(), 1);
  EXPECT_EQ(RunCommand("true"), 0);
}

TEST_F(RunCommandTest, AShellInTheCurrentFolderIsNotTaken) {
  write_file("sh", "#!/bin/sh\necho hijacked > hijacked\n");
  std::filesystem::permissions("sh", std::filesystem::perms::owner_all);
  ::setenv("PATH", "/usr/bin:/bin", 1);
  EXPECT_EQ(RunCommand("true"), 1);
  EXPECT_FALSE(std::filesystem::exists("hijacked"));
}

}  // namespace
}  // namespace console
