#include "results/output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace results {
namespace {

namespace fs = std::filesystem;
using tavo::testing::read_file;
using tavo::testing::TempDir;
using tavo::testing::write_file;

// The names in a folder, to see that no temporary file is left behind.
std::vector<std::string> names(const fs::path& dir) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

TEST(WriteOutput, CreatesAndReplacesWholeFiles) {
  TempDir tmp;
  const std::string path = (tmp.path() / "out.json").string();
  ASSERT_FALSE(write_output(path, "first, and longer\n"));
  EXPECT_EQ(read_file(path), "first, and longer\n");
  ASSERT_FALSE(write_output(path, "second\n"));
  EXPECT_EQ(read_file(path), "second\n");
  EXPECT_EQ(names(tmp.path()), std::vector<std::string>{"out.json"});
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  const mode_t mask = ::umask(022);
  ::umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
  // A relative name is taken in the current folder.
  ASSERT_FALSE(write_output("plain.csv", "x"));
  EXPECT_EQ(read_file(tmp.path() / "plain.csv"), "x");
}

TEST(WriteOutput, FailuresNameTheSystemsReasonAndLeaveNothing) {
  TempDir tmp;
  EXPECT_EQ(write_output((tmp.path() / "missing" / "out.json").string(), "x"),
            std::errc::no_such_file_or_directory);
  fs::create_directory(tmp.path() / "folder");
  EXPECT_EQ(write_output((tmp.path() / "folder").string(), "x"), std::errc::is_a_directory);
  EXPECT_EQ(write_output("", "x"), std::errc::no_such_file_or_directory);
  EXPECT_EQ(write_output("/dev/full", "x"), std::errc::no_space_on_device);
  EXPECT_EQ(names(tmp.path()), std::vector<std::string>{"folder"});
  EXPECT_TRUE(fs::is_empty(tmp.path() / "folder"));
}

TEST(WriteOutput, LinksAreFollowedAndDevicesWrittenInPlace) {
  TempDir tmp;
  write_file(tmp.path() / "target.csv", "old");
  fs::create_symlink("target.csv", tmp.path() / "link.csv");
  ASSERT_FALSE(write_output((tmp.path() / "link.csv").string(), "new"));
  EXPECT_TRUE(fs::is_symlink(tmp.path() / "link.csv"));
  EXPECT_EQ(read_file(tmp.path() / "target.csv"), "new");
  EXPECT_FALSE(write_output("/dev/null", "x"));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

// A stream replaces the old file only when committed: until then (and when it is abandoned,
// or the process is ended by a signal) the old content stays whole and no temporary is left.
TEST(OutputFile, StreamsReplaceOnlyOnCommit) {
  TempDir tmp;
  const std::string path = (tmp.path() / "out.csv").string();
  write_file(path, "old");
  {
    OutputFile file;
    ASSERT_FALSE(file.open(path));
    TextOut out(&file);
    out.text().assign(3u << 20, 'x');  // more than one piece
    out.piece_done();
    EXPECT_TRUE(out.text().empty());
    EXPECT_EQ(read_file(path), "old");
    EXPECT_EQ(names(tmp.path()).size(), 2u);
  }
  EXPECT_EQ(read_file(path), "old");
  EXPECT_EQ(names(tmp.path()), std::vector<std::string>{"out.csv"});

  OutputFile interrupted;
  ASSERT_FALSE(interrupted.open(path));
  ASSERT_FALSE(interrupted.write("partial"));
  remove_temporary_files();
  EXPECT_EQ(names(tmp.path()), std::vector<std::string>{"out.csv"});

  OutputFile file;
  ASSERT_FALSE(file.open(path));
  TextOut out(&file);
  out.text() = "new";
  ASSERT_FALSE(out.finish());
  ASSERT_FALSE(file.commit());
  EXPECT_EQ(read_file(path), "new");
  EXPECT_EQ(names(tmp.path()), std::vector<std::string>{"out.csv"});
}

}  // namespace
}  // namespace results
