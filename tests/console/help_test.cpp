// Help: the contexts of the menu commands, finding the help file, its URL, and the manual that
// the build installs beside the executable.
#include "console/core/help.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "console/core/menu.h"

namespace console {
namespace {

namespace fs = std::filesystem;

const std::pair<int, int> kContexts[] = {{1000, 1000}, {1018, 1001}, {1004, 1002}, {1023, 1004},
                                         {1021, 1007}, {1015, 1008}, {1012, 1009}, {1010, 1010},
                                         {1011, 1011}, {1008, 1012}, {1009, 1013}, {1022, 1014},
                                         {1006, 1015}, {1007, 1016}, {1019, 1017}, {1020, 1018}};

TEST(Help, EveryMenuCommandHasItsContextOrNone) {
  int with_context = 0;
  const MenuBarModel bar = MenuBarModel::full();
  for (const MenuPopup& popup : bar.popups()) {
    for (const MenuItem& item : popup.items) {
      std::optional<int> want;
      for (auto [command, context] : kContexts)
        if (command == item.id) want = context;
      EXPECT_EQ(help_context(item.id), want) << item.text;
      with_context += want.has_value();
    }
  }
  EXPECT_EQ(with_context, 15);  // every context but Resume's sits on a menu item at start
  EXPECT_EQ(help_context(command::kResume), 1013);
  for (int none : {command::kSelectText, command::kSelectGraphics, command::kSelectAll,
                   command::kContents, command::kUsingHelp, command::kExitMinimal, 1101, 0})
    EXPECT_EQ(help_context(none), std::nullopt) << none;
}

class HelpSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("tavo-help-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    for (const char* d : {"exe", "p1", "p2", "env", "empty"}) fs::create_directories(root_ / d);
  }
  void TearDown() override { fs::remove_all(root_); }
  std::string put(const std::string& relative) {
    const fs::path p = root_ / relative;
    std::ofstream(p) << "<html></html>";
    return p.string();
  }
  std::string dir(const char* d) const { return (root_ / d).string(); }
  fs::path root_;
};

TEST_F(HelpSearchTest, CompletesTheNameFromFpkitHlp) {
  struct Case {
    std::string value, name;
  };
  const Case cases[] = {
      {dir("env"), dir("env") + "/FPKIT.html"},       // an existing folder
      {"/no/such/", "/no/such/FPKIT.html"},           // a folder by its slash
      {"/opt/manual", "/opt/manual.html"},            // no extension
      {"/opt/v1.2/manual", "/opt/v1.2/manual.html"},  // a dot in a folder is no extension
      {"/opt/.html", "/opt/FPKIT.html"},              // no base name
      {".html", "FPKIT.html"},
      {"/opt/guide.htm", "/opt/guide.htm"},  // complete
      {"guide", "guide.html"},
  };
  for (const Case& c : cases) EXPECT_EQ(complete_help_name(c.value), c.name) << c.value;
}

TEST_F(HelpSearchTest, FpkitHlpThenBesideTheExecutableThenPathThenTheBareName) {
  const std::string path = dir("empty") + "::" + dir("p1") + ":" + dir("p2");
  const std::string exe = dir("exe");
  // Nothing anywhere: the bare name.
  HelpFile found = find_help_file({"", path, exe});
  EXPECT_EQ(found.path, "FPKIT.html");
  EXPECT_FALSE(found.exists);

  const std::string in_p2 = put("p2/FPKIT.html");
  EXPECT_EQ(find_help_file({"", path, exe}).path, in_p2);
  const std::string in_p1 = put("p1/FPKIT.html");
  EXPECT_EQ(find_help_file({"", path, exe}).path, in_p1);
  const std::string beside = put("exe/FPKIT.html");
  found = find_help_file({"", path, exe});
  EXPECT_EQ(found.path, beside);
  EXPECT_TRUE(found.exists);

  // FPKIT_HLP wins when its file exists, and is passed over when it does not.
  EXPECT_EQ(find_help_file({dir("env") + "/mine", path, exe}).path, beside);
  const std::string mine = put("env/mine.html");
  EXPECT_EQ(find_help_file({dir("env") + "/mine", path, exe}).path, mine);
  const std::string in_env = put("env/FPKIT.html");
  EXPECT_EQ(find_help_file({dir("env"), path, exe}).path, in_env);
  // A folder named like the help file is no help file.
  fs::remove(in_p1);
  fs::create_directories(in_p1);
  fs::remove(beside);
  EXPECT_EQ(find_help_file({"", path, exe}).path, in_p2);
}

TEST(Help, UrlsAndAnchors) {
  EXPECT_EQ(help_anchor(1012), "context-1012");
  EXPECT_EQ(help_url("/opt/tavo/FPKIT.html", 1002), "file:///opt/tavo/FPKIT.html#context-1002");
  EXPECT_EQ(help_url("/opt/tavo/FPKIT.html", std::nullopt), "file:///opt/tavo/FPKIT.html");
  EXPECT_EQ(help_url("/a b/ação#1/FPKIT.html", std::nullopt),
            "file:///a%20b/a%C3%A7%C3%A3o%231/FPKIT.html");
  const std::string relative = help_url("FPKIT.html", 1000);
  EXPECT_EQ(relative, help_url((fs::current_path() / "FPKIT.html").string(), 1000));
}

TEST(Help, AboutAndUsingHelpTexts) {
  EXPECT_EQ(library_version_text(), "Tavo console library 1.0");
  EXPECT_EQ(about_text(),
            "Tavo 1.0\nVerification of numerical solutions\n\nTavo console library 1.0");
  EXPECT_NE(using_help_text().find("F1"), std::string_view::npos);
  EXPECT_NE(using_help_text().find("FPKIT_HLP"), std::string_view::npos);
}

// The manual the build puts beside the executables has a section for every context.
TEST(Help, InstalledManualHasASectionPerContext) {
  std::ifstream in(fs::path(TAVO_BIN_DIR) / "FPKIT.html");
  ASSERT_TRUE(in) << "FPKIT.html is not beside the executables";
  const std::string manual{std::istreambuf_iterator<char>(in), {}};
  EXPECT_NE(manual.find("id=\"contents\""), std::string::npos);
  for (auto [command, context] : kContexts)
    EXPECT_NE(manual.find("id=\"" + help_anchor(context) + "\""), std::string::npos) << context;
}

}  // namespace
}  // namespace console
