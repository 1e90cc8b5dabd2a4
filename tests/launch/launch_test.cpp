// The start-up every program shares: the front end an invocation's environment chooses, and a
// body launched without any front end.
#include "console/launch/launch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "console/core/console.h"
#include "console/core/frontend.h"

namespace console {
namespace {

// Sets the variables the choice reads, and restores them at the end.
class ChoiceEnvironment {
 public:
  ChoiceEnvironment() {
    for (const char* name : kNames) {
      const char* v = std::getenv(name);
      saved_.emplace_back(name, v != nullptr ? std::optional<std::string>(v) : std::nullopt);
    }
  }
  ~ChoiceEnvironment() {
    for (auto& [name, value] : saved_) set(name.c_str(), value ? value->c_str() : nullptr);
  }
  void set(const char* name, const char* value) {
    if (value != nullptr)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }

  static constexpr const char* kNames[] = {"TAVO_CONSOLE", "QT_QPA_PLATFORM", "DISPLAY",
                                           "WAYLAND_DISPLAY"};

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(Launch, TheEnvironmentChoosesTheFrontEnd) {
  struct Case {
    const char* tavo_console;
    const char* platform;
    const char* display;
    FrontEndKind with_window;  // without the window front end built: always the terminal
  };
  const Case cases[] = {
      {nullptr, nullptr, nullptr, FrontEndKind::Terminal},
      {"terminal", "offscreen", nullptr, FrontEndKind::Terminal},  // forced over the platform
      {"window", nullptr, nullptr, FrontEndKind::Window},
      {nullptr, "offscreen", nullptr, FrontEndKind::Window},
      {"", "", nullptr, FrontEndKind::Terminal},  // empty counts as unset
      {"other", nullptr, nullptr, FrontEndKind::Terminal},
      // A display that cannot be opened (the toolkit is tried in a child process).
      {nullptr, nullptr, ":no-such-display", FrontEndKind::Terminal},
  };
  char name[] = "launch_tests";
  char* argv[] = {name, nullptr};
  for (const Case& c : cases) {
    ChoiceEnvironment env;
    env.set("TAVO_CONSOLE", c.tavo_console);
    env.set("QT_QPA_PLATFORM", c.platform);
    env.set("DISPLAY", c.display);
    env.set("WAYLAND_DISPLAY", nullptr);
#ifdef TAVO_HAVE_WINDOW
    const FrontEndKind expected = c.with_window;
#else
    const FrontEndKind expected = FrontEndKind::Terminal;
#endif
    EXPECT_EQ(choose_front_end(1, argv), expected)
        << "TAVO_CONSOLE=" << (c.tavo_console ? c.tavo_console : "(unset)")
        << " QT_QPA_PLATFORM=" << (c.platform ? c.platform : "(unset)")
        << " DISPLAY=" << (c.display ? c.display : "(unset)");
  }
}

std::string g_steps;

void record_termination() {
  g_steps += "termination;";
}

TEST(Launch, WithoutAFrontEndTheBodyRunsWithItsParametersThenTheTermination) {
  int argc = 1;
  char name[] = "launch_tests";
  char* argv[] = {name, nullptr};
  const std::string option = "--no-editor";
  const int status = launch(
      FrontEndKind::None, argc, argv, [option] { g_steps += "body " + option + ";"; },
      record_termination);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(g_steps, "body --no-editor;termination;");
  EXPECT_EQ(front_end(), nullptr);
  EXPECT_FALSE(process_console().initialised());
}

}  // namespace
}  // namespace console
