#include "console/core/profile.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/temp_dir.h"

namespace console {
namespace {

using tavo::testing::TempDir;
using tavo::testing::write_file;

TEST(Profile, ReadsIntegerKeysLikeTheWindowsProfile) {
  TempDir dir;
  write_file("win.ini",
             "; comment\r\n[windows]\r\nPKITMaximized=0\r\n[ Tavo ]\r\n  pkitmaximized = 1\r\n"
             "Width=12px\r\nBad=abc\r\nNeg=-4\r\n[other]\r\nPKITMaximized=7\r\n");
  const auto file = dir.path() / "win.ini";
  EXPECT_EQ(profile_int(file, "tavo", "PKITMaximized", 0), 1);
  EXPECT_EQ(profile_int(file, "TAVO", "Width", 0), 12);
  EXPECT_EQ(profile_int(file, "tavo", "Bad", 5), 0);
  EXPECT_EQ(profile_int(file, "tavo", "Neg", 5), -4);
  EXPECT_EQ(profile_int(file, "tavo", "Missing", 5), 5);
  EXPECT_EQ(profile_int(file, "absent", "PKITMaximized", 3), 3);
  EXPECT_EQ(profile_int(dir.path() / "none.ini", "tavo", "PKITMaximized", 9), 9);
}

TEST(Profile, LivesInTheUsersConfigurationFolder) {
  const char* old_config = std::getenv("XDG_CONFIG_HOME");
  std::string saved = old_config ? old_config : "";
  ::setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
  EXPECT_EQ(profile_path(), "/tmp/cfg/win.ini");
  ::setenv("XDG_CONFIG_HOME", "relative", 1);
  ::setenv("HOME", "/home/u", 1);
  EXPECT_EQ(profile_path(), "/home/u/.config/win.ini");
  if (old_config) {
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
}  // namespace console
